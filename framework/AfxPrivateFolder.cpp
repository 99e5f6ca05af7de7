#include "AfxPrivateFolder.h"

#include "AfxHandle.h"

#include <memory>

namespace {

const int kAttempts = 8;
const int kRandomBytes = 12;

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

// The access list of the folder: SYSTEM, Administrators and the user who runs the program, each with
// full control of the folder and of everything created in it; protected, so nothing is inherited.
class PrivateSecurity {
public:
    bool Build()
    {
        DWORD size = SECURITY_MAX_SID_SIZE;
        if (!CreateWellKnownSid(WinLocalSystemSid, nullptr, m_system, &size)) return false;
        size = SECURITY_MAX_SID_SIZE;
        if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, m_admins, &size)) return false;
        if (!ReadTokenUser()) return false;
        PSID sids[] = {m_system, m_admins, m_user.get()};
        DWORD aclSize = sizeof(ACL);
        for (PSID sid : sids) aclSize += sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid);
        m_acl.reset(new BYTE[aclSize]);
        PACL acl = reinterpret_cast<PACL>(m_acl.get());
        if (!InitializeAcl(acl, aclSize, ACL_REVISION)) return false;
        for (PSID sid : sids)
            if (!AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, FILE_ALL_ACCESS,
                                       sid))
                return false;
        return InitializeSecurityDescriptor(&m_sd, SECURITY_DESCRIPTOR_REVISION) &&
               SetSecurityDescriptorDacl(&m_sd, TRUE, acl, FALSE) &&
               SetSecurityDescriptorControl(&m_sd, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    }

    SECURITY_ATTRIBUTES Attributes() { return {sizeof(SECURITY_ATTRIBUTES), &m_sd, FALSE}; }

private:
    bool ReadTokenUser()
    {
        CHandle token;
        if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.Receive()) &&
            !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive()))
            return false;
        DWORD size = 0;
        GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
        if (size == 0) return false;
        std::unique_ptr<BYTE[]> info(new BYTE[size]);
        if (!GetTokenInformation(token.Get(), TokenUser, info.get(), size, &size)) return false;
        PSID sid = reinterpret_cast<TOKEN_USER*>(info.get())->User.Sid;
        DWORD sidSize = GetLengthSid(sid);
        m_user.reset(new BYTE[sidSize]);
        return CopySid(sidSize, m_user.get(), sid) != FALSE;
    }

    BYTE m_system[SECURITY_MAX_SID_SIZE];
    BYTE m_admins[SECURITY_MAX_SID_SIZE];
    std::unique_ptr<BYTE[]> m_user;
    std::unique_ptr<BYTE[]> m_acl;
    SECURITY_DESCRIPTOR m_sd;
};

CString RandomName()
{
    unsigned char bytes[kRandomBytes];
    if (!RandomBytes(bytes, kRandomBytes)) return CString();
    static const char kDigits[] = "0123456789abcdef";
    CString name = "zrv";
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
    PrivateSecurity security;
    if (!security.Build()) return false;
    SECURITY_ATTRIBUTES sa = security.Attributes();
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        CString name = RandomName();
        if (name.IsEmpty()) return false;
        // CreateDirectory fails on a name that exists (a folder or a file put there by anyone):
        // such a name is never used, another one is drawn.
        if (CreateDirectoryA(base + name, &sa)) {
            strFolder = base + name;
            return true;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    SetLastError(ERROR_ALREADY_EXISTS);
    return false;
}

void AfxRemovePrivateFolder(const CString& strFolder)
{
    if (strFolder.IsEmpty()) return;
    WIN32_FIND_DATAA data;
    CFindHandle find(FindFirstFileA(strFolder + "\\*", &data));
    if (find) {
        do {
            CString name = data.cFileName;
            if (name == "." || name == "..") continue;
            CString path = strFolder + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                // A link is removed itself, never followed into what it points at.
                DeleteNowOrAtRestart(path, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
                continue;
            }
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                AfxRemovePrivateFolder(path);
                continue;
            }
            if (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
            DeleteNowOrAtRestart(path, false);
        } while (FindNextFileA(find.Get(), &data));
        find.Close();
    }
    // Marked after its files, so that the restart deletes them first and then finds it empty.
    DeleteNowOrAtRestart(strFolder, true);
}
