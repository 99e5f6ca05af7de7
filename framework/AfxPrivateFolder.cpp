#include "AfxPrivateFolder.h"

#include "AfxElevation.h"
#include "AfxHandle.h"
#include "AfxNoLinks.h"
#include "AfxPath.h"
#include "AfxRegistry.h"
#include "AfxRestartGate.h"
#include "AfxSecurity.h"

#include <wincrypt.h>

#include <cstring>
#include <vector>

namespace {

const int kAttempts = 8;
const int kRandomBytes = 12;
const char kPrefix[] = "zrv";

// Whether this program may make folders in strFolder: the system's own temporary folder lets only
// SYSTEM in, on the systems that have it.
bool MayAddFolder(const CString& strFolder)
{
    CHandle h(CreateFileA(strFolder, FILE_ADD_SUBDIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return h.IsValid();
}

// The temporary folder with a trailing backslash; empty, with the error in GetLastError, when
// there is none to use. Unelevated, the user's own. Elevated, never one that the environment names
// (TEMP and TMP come from the user's own part of the registry): the system's, in the Windows
// folder, SystemTemp where this program may use it (as SYSTEM), else Temp. Users may add things of
// their own there but must not be able to rename, remove or re-permission what is in it, nor any
// folder above it (AfxClosedToUsers): otherwise nothing is made there at all.
CString TemporaryBase()
{
    if (!AfxIsElevated()) {
        CString base = AfxCallForText([](char* p, DWORD n) { return GetTempPathA(n, p); });
        if (!base.IsEmpty() && base.Right(1) != "\\") base += "\\";
        return base;
    }
    CString windows = AfxCallForText([](char* p, DWORD n) { return DWORD(GetSystemWindowsDirectoryA(p, n)); });
    if (windows.IsEmpty()) return windows;
    if (windows.Right(1) == "\\") windows = windows.Left(windows.GetLength() - 1);
    CString base = windows + "\\SystemTemp";
    if (!MayAddFolder(base)) base = windows + "\\Temp";
    if (!AfxClosedToUsers(base, true)) return CString();
    return base + "\\";
}

const char kListKey[] = "SOFTWARE\\Zorvan\\Private folders";

// Where the private folders that this program's rights make are listed, so that a later run
// removes only what a run of ours made: elevated, under HKEY_LOCAL_MACHINE, which only
// administrators write; otherwise the user's own. Always the 64-bit view where there is one, so that
// the 32-bit and the 64-bit programs share the list.
HKEY ListRoot() { return AfxIsElevated() ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

void List(const CString& strFolder)
{
    CRegKey key;
    if (AfxRegCreateKeyNoLinks(ListRoot(), kListKey, KEY_SET_VALUE | KEY_WOW64_64KEY, key, nullptr) != ERROR_SUCCESS)
        return;
    DWORD zero = 0;
    RegSetValueExA(key.Get(), strFolder, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), sizeof zero);
}

// Takes a folder off the list once it is gone.
void UnlistIfGone(const CString& strFolder)
{
    if (GetFileAttributesA(strFolder) != INVALID_FILE_ATTRIBUTES || GetLastError() != ERROR_FILE_NOT_FOUND) return;
    CRegKey key;
    if (AfxRegOpenKeyNoLinks(ListRoot(), kListKey, KEY_SET_VALUE | KEY_WOW64_64KEY, key) == ERROR_SUCCESS)
        RegDeleteValueA(key.Get(), strFolder);
}

// The folders listed, as they were listed.
std::vector<CString> Listed()
{
    CRegKey key;
    if (AfxRegOpenKeyNoLinks(ListRoot(), kListKey, KEY_QUERY_VALUE | KEY_WOW64_64KEY, key) != ERROR_SUCCESS)
        return std::vector<CString>();
    return AfxRegValueNames(key.Get(), MAX_PATH * 3 + 1);
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
    if (!gone) AfxArrangeAtRestart(strPath);
}

// The temporary folder held, for creating the private one through its handle.
bool OpenTemporaryBase(const CString& strBase, CFolderHandle& base)
{
    // "C:\" stays as it is: "C:" would be the current folder of drive C.
    bool bRoot = strBase.GetLength() == 3 && strBase[1] == ':';
    return base.Open(bRoot ? strBase : strBase.Left(strBase.GetLength() - 1));
}

}  // namespace

CString AfxPrivateFolderBase() { return TemporaryBase(); }

bool AfxCreatePrivateFolder(CString& strFolder, CFolderHandle& folder)
{
    CString base = TemporaryBase();
    if (base.IsEmpty()) return false;
    CSecurityAttributes security;
    if (!security.Build(CSecurityAttributes::kPrivateFolder)) return false;
    CFolderHandle temp;
    if (!OpenTemporaryBase(base, temp)) return false;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        CString name = RandomName();
        if (name.IsEmpty()) return false;
        // Made through the temporary folder's handle and held from the moment it exists, so the
        // handle is of the folder just made. A name that is taken (a folder or a file put there by
        // anyone) is never used: another one is drawn.
        CFolderHandle made;
        bool bExisted = true;
        DWORD err = temp.CreateChild(name, security.Get(), made, &bExisted);
        if (err == NO_ERROR && !bExisted) {
            strFolder = base + name;
            folder = std::move(made);
            List(strFolder);
            return true;
        }
        if (err != NO_ERROR && err != ERROR_DIRECTORY && err != kErrorLinkOnPath) {
            SetLastError(err);
            return false;
        }
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
        else if (err != NO_ERROR) AfxArrangeAtRestart(path);
    } while (FindNextFileA(find.Get(), &data));
}

}  // namespace

void AfxRemovePrivateFolder(const CString& strFolder)
{
    if (strFolder.IsEmpty()) return;
    CFolderHandle folder;
    if (folder.Open(strFolder)) EmptyFolder(folder, strFolder);
    folder.Close();
    // Marked after its files, so that the restart deletes them first and then finds it empty.
    DeleteNowOrAtRestart(strFolder, true);
    UnlistIfGone(strFolder);
}

void AfxRemovePrivateFolder(const CString& strFolder, CFolderHandle& folder)
{
    if (strFolder.IsEmpty()) return;
    if (!folder.IsOpen()) return AfxRemovePrivateFolder(strFolder);
    EmptyFolder(folder, strFolder);
    // The folder itself can go only once nobody holds it without delete sharing, this program
    // included. Whatever stands at its name by then is removed only if it is an empty folder.
    folder.Close();
    DeleteNowOrAtRestart(strFolder, true);
    UnlistIfGone(strFolder);
}

namespace {

// Whether the folder holds nothing but files named strOnlyFile.
bool HoldsOnly(const CString& strFolder, const CString& strOnlyFile)
{
    WIN32_FIND_DATAA data;
    CFindHandle find(FindFirstFileA(strFolder + "\\*", &data));
    if (!find) return false;
    do {
        CString name = data.cFileName;
        if (name == "." || name == "..") continue;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name.CompareNoCase(strOnlyFile) != 0) return false;
    } while (FindNextFileA(find.Get(), &data));
    return true;
}

// Whether a program holds the folder (open without delete sharing): one that runs from it.
bool FolderHeld(const CString& strFolder)
{
    CHandle h(CreateFileA(strFolder, DELETE | FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return !h;
}

}  // namespace

void AfxRemoveLeftPrivateFolders(const CString& strOnlyFile)
{
    // Only what a run of ours listed: a folder that merely has the name form may be anyone's. What is
    // listed is still looked at: the form, no link (CFolderHandle), the private access list.
    for (const CString& path : Listed()) {
        UnlistIfGone(path);
        if (!AfxIsPrivateFolder(path) || !HoldsOnly(path, strOnlyFile) || FolderHeld(path)) continue;
        CFolderHandle folder;
        if (!folder.Open(path) || !AfxOnlyTrustedCanWrite(folder.Get())) continue;
        AfxRemovePrivateFolder(path, folder);
    }
}

namespace {

// A SHA-256 of the system's own provider, held by its two handles.
bool StartHash(ULONG_PTR& provider, ULONG_PTR& hash)
{
    if (!provider && !CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
        provider = 0;
        return false;
    }
    if (!CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash)) {
        hash = 0;
        return false;
    }
    return true;
}

bool FinishHash(ULONG_PTR& hash, BYTE (&digest)[32])
{
    DWORD n = sizeof digest;
    bool ok = CryptGetHashParam(hash, HP_HASHVAL, digest, &n, 0) && n == sizeof digest;
    CryptDestroyHash(hash);
    hash = 0;
    return ok;
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b)
{
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

// The SHA-256 of what h holds from its start; the file pointer is left at the start.
bool HashOfFile(HANDLE h, ULONG_PTR& provider, BYTE (&digest)[32])
{
    ULONG_PTR hash = 0;
    if (SetFilePointer(h, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER || !StartHash(provider, hash))
        return false;
    std::vector<BYTE> buffer(1 << 16);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(h, buffer.data(), DWORD(buffer.size()), &got, nullptr) ||
            (got > 0 && !CryptHashData(hash, buffer.data(), got, 0))) {
            DWORD err = GetLastError();
            CryptDestroyHash(hash);
            SetLastError(err);
            return false;
        }
        if (got == 0) break;
    }
    return FinishHash(hash, digest) && SetFilePointer(h, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
}

}  // namespace

CHeldFile::~CHeldFile()
{
    Release();
    if (m_provider) CryptReleaseContext(m_provider, 0);
}

bool CHeldFile::Create(const CFolderHandle& folder, const CString& strName)
{
    Release();
    if (!StartHash(m_provider, m_hash)) return false;
    // Nobody else may open it at all while it is written.
    DWORD err = folder.OpenChildFile(strName, GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW, nullptr, m_h);
    if (err != NO_ERROR) {
        Release();
        SetLastError(err);
        return false;
    }
    m_pFolder = &folder;
    m_strName = strName;
    return true;
}

bool CHeldFile::Write(const void* pData, DWORD nCount)
{
    if (!m_h || m_bHeld) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    DWORD written = 0;
    if (!WriteFile(m_h.Get(), pData, nCount, &written, nullptr)) return false;
    if (written != nCount) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    return CryptHashData(m_hash, static_cast<const BYTE*>(pData), nCount, 0) != FALSE;
}

bool CHeldFile::Hold()
{
    BY_HANDLE_FILE_INFORMATION written, held;
    BYTE expected[32], found[32];
    if (!m_h || m_bHeld || !GetFileInformationByHandle(m_h.Get(), &written) || !FinishHash(m_hash, expected)) {
        if (!m_h || m_bHeld) SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    m_h.Close();
    CHandle h;
    DWORD err = m_pFolder->OpenChildFile(m_strName, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, nullptr, h);
    if (err != NO_ERROR) {
        SetLastError(err);
        return false;
    }
    if (!GetFileInformationByHandle(h.Get(), &held) || !HashOfFile(h.Get(), m_provider, found)) return false;
    if (!SameFile(written, held) || std::memcmp(expected, found, sizeof expected) != 0) {
        SetLastError(ERROR_FILE_INVALID);
        return false;
    }
    m_h = std::move(h);
    m_bHeld = true;
    return true;
}

void CHeldFile::Release()
{
    m_h.Close();
    if (m_hash) CryptDestroyHash(m_hash);
    m_hash = 0;
    m_bHeld = false;
}
