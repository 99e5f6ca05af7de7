#include "AfxPrivateFolder.h"

#include "AfxHandle.h"
#include "AfxNoLinks.h"
#include "AfxSecurity.h"

#include <cstring>

namespace {

const int kAttempts = 8;
const int kRandomBytes = 12;
const char kPrefix[] = "zrv";

template <class Proc>
Proc FindProc(const char* pszModule, const char* pszName)
{
    HMODULE h = GetModuleHandleA(pszModule);
    return h ? reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(h, pszName))) : nullptr;
}

// The temporary folder with a trailing backslash. GetTempPath2A gives a program running as SYSTEM
// the system's own temporary folder, which only SYSTEM can write, instead of the Windows folder's
// Temp that every user can write; for everyone else it answers as GetTempPathA.
CString TemporaryBase()
{
    typedef DWORD(WINAPI * GetTempPathProc)(DWORD, LPSTR);
    GetTempPathProc getTempPath = FindProc<GetTempPathProc>("kernel32.dll", "GetTempPath2A");
    if (!getTempPath) getTempPath = GetTempPathA;
    char dir[MAX_PATH + 1] = {};
    DWORD n = getTempPath(MAX_PATH + 1, dir);
    if (n == 0 || n > MAX_PATH) return CString();
    CString base(dir);
    if (base.Right(1) != "\\") base += "\\";
    return base;
}

// Bytes from the system's random source (the one that seeds the system's own keys).
bool RandomBytes(unsigned char* p, ULONG n)
{
    typedef BOOLEAN(WINAPI * RtlGenRandomProc)(PVOID, ULONG);
    HMODULE advapi = GetModuleHandleA("advapi32.dll");
    auto gen = advapi ? reinterpret_cast<RtlGenRandomProc>(
                            reinterpret_cast<void (*)()>(GetProcAddress(advapi, "SystemFunction036")))
                      : nullptr;
    if (!gen) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    return gen(p, n) != FALSE;
}

CString RandomName()
{
    unsigned char bytes[kRandomBytes];
    if (!RandomBytes(bytes, kRandomBytes)) return CString();
    static const char kDigits[] = "0123456789abcdef";
    CString name = kPrefix;
    for (unsigned char b : bytes) {
        name += kDigits[b >> 4];
        name += kDigits[b & 15];
    }
    return name;
}

void DeleteNowOrAtRestart(const CString& strPath, bool bDirectory)
{
    bool gone = bDirectory ? RemoveDirectoryA(strPath) != FALSE : DeleteFileA(strPath) != FALSE;
    if (!gone) MoveFileExA(strPath, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace

bool AfxCreatePrivateFolder(CString& strFolder)
{
    CString base = TemporaryBase();
    if (base.IsEmpty()) return false;
    CSecurityAttributes security;
    if (!security.Build(CSecurityAttributes::kPrivateFolder)) return false;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        CString name = RandomName();
        if (name.IsEmpty()) return false;
        // CreateDirectory fails on a name that exists (a folder or a file put there by anyone):
        // such a name is never used, another one is drawn.
        if (CreateDirectoryA(base + name, security.Get())) {
            strFolder = base + name;
            return true;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    SetLastError(ERROR_ALREADY_EXISTS);
    return false;
}

bool AfxIsPrivateFolder(const CString& strFolder)
{
    CString base = TemporaryBase();
    int nPrefix = int(sizeof kPrefix) - 1;
    if (base.IsEmpty() || strFolder.GetLength() != base.GetLength() + nPrefix + 2 * kRandomBytes) return false;
    if (strFolder.Left(base.GetLength()).CompareNoCase(base) != 0) return false;
    CString name = strFolder.Mid(base.GetLength());
    if (name.Left(nPrefix) != kPrefix) return false;
    for (int i = nPrefix; i < name.GetLength(); ++i)
        if (!std::strchr("0123456789abcdef", name[i])) return false;
    return true;
}

namespace {

// Empties the folder held as folder (at strPath): every entry goes through a handle opened
// relative to the folder's, each sub-folder held while it is emptied, so that nothing outside is
// removed even if a name is swapped meanwhile. A link is removed itself, by its name, never followed.
void EmptyFolder(const CFolderHandle& folder, const CString& strPath)
{
    WIN32_FIND_DATAA data;
    CFindHandle find(FindFirstFileA(strPath + "\\*", &data));
    if (!find) return;
    do {
        CString name = data.cFileName;
        if (name == "." || name == "..") continue;
        CString path = strPath + "\\" + name;
        bool bFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (bFolder && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            CFolderHandle sub;
            if (sub.OpenChild(folder, name)) EmptyFolder(sub, path);
        }
        if (!bFolder && (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
        DWORD err = folder.RemoveChild(name, bFolder);
        if (err == kErrorLinkOnPath) DeleteNowOrAtRestart(path, bFolder);
        else if (err != NO_ERROR) MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    } while (FindNextFileA(find.Get(), &data));
}

}  // namespace

void AfxRemovePrivateFolder(const CString& strFolder)
{
    if (strFolder.IsEmpty()) return;
    {
        CFolderHandle folder;
        if (folder.Open(strFolder)) EmptyFolder(folder, strFolder);
    }
    // Marked after its files, so that the restart deletes them first and then finds it empty.
    DeleteNowOrAtRestart(strFolder, true);
}
