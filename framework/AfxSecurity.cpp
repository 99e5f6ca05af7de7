#include "AfxSecurity.h"

#include "AfxHandle.h"
#include "AfxNoLinks.h"

#include <sddl.h>

#include <cstring>

// GENERIC_ALL and GENERIC_WRITE included: an entry may still carry them unmapped.
const DWORD kAfxChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                               FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

namespace {

// The token user's SID, copied; null when the token cannot be read.
std::unique_ptr<BYTE[]> TokenUserSid()
{
    CHandle token;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.Receive()) &&
        !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive()))
        return nullptr;
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    if (size == 0) return nullptr;
    std::unique_ptr<BYTE[]> info(new BYTE[size]);
    if (!GetTokenInformation(token.Get(), TokenUser, info.get(), size, &size)) return nullptr;
    PSID sid = reinterpret_cast<TOKEN_USER*>(info.get())->User.Sid;
    DWORD sidSize = GetLengthSid(sid);
    std::unique_ptr<BYTE[]> copy(new BYTE[sidSize]);
    if (!CopySid(sidSize, copy.get(), sid)) return nullptr;
    return copy;
}

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type)
{
    BYTE known[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof known;
    return CreateWellKnownSid(type, nullptr, known, &size) && EqualSid(sid, known);
}

// The system's installer service, which owns and may change the system's own folders
// (Program Files, the Windows folder): NT SERVICE\TrustedInstaller.
bool IsInstallerService(PSID sid)
{
    static const SID_IDENTIFIER_AUTHORITY kNt = SECURITY_NT_AUTHORITY;
    static const DWORD kSub[] = {80, 956008885, 3418522649, 1831038044, 1853292631, 2271478464};
    if (!IsValidSid(sid) || *GetSidSubAuthorityCount(sid) != 6) return false;
    if (std::memcmp(GetSidIdentifierAuthority(sid), &kNt, sizeof kNt) != 0) return false;
    for (DWORD i = 0; i < 6; ++i)
        if (*GetSidSubAuthority(sid, i) != kSub[i]) return false;
    return true;
}

// SYSTEM, Administrators, the system's installer service, or the user running this program.
bool IsTrustedSid(PSID sid, PSID user)
{
    return IsWellKnown(sid, WinLocalSystemSid) || IsWellKnown(sid, WinBuiltinAdministratorsSid) ||
           IsInstallerService(sid) || (user && EqualSid(sid, user));
}

// True when the entry gives someone outside the trusted ones one of dwRights.
// Denying entries only take rights away; allowing entries of kinds other than the plain one are
// judged by their rights alone.
bool GrantsOthers(const ACE_HEADER* ace, PSID user, DWORD dwRights)
{
    if (ace->AceFlags & INHERIT_ONLY_ACE) return false;  // applies to children only
    switch (ace->AceType) {
    case ACCESS_DENIED_ACE_TYPE:
    case ACCESS_DENIED_OBJECT_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE: return false;
    case ACCESS_ALLOWED_ACE_TYPE: {
        auto allowed = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(ace);
        PSID sid = const_cast<DWORD*>(&allowed->SidStart);
        return (allowed->Mask & dwRights) != 0 && !IsTrustedSid(sid, user);
    }
    default: return (reinterpret_cast<const ACCESS_ALLOWED_ACE*>(ace)->Mask & dwRights) != 0;
    }
}

// The owner and access list of the object open as h, in a buffer of their own; null on failure.
std::unique_ptr<BYTE[]> ReadSecurity(HANDLE h, SECURITY_INFORMATION what)
{
    DWORD size = 0;
    GetKernelObjectSecurity(h, what, nullptr, 0, &size);
    if (size == 0) return nullptr;
    std::unique_ptr<BYTE[]> sd(new BYTE[size]);
    if (!GetKernelObjectSecurity(h, what, sd.get(), size, &size)) return nullptr;
    return sd;
}

}  // namespace

bool AfxIsElevated()
{
    CHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return false;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    if (GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof elevation, &size))
        return elevation.TokenIsElevated != 0;
    // A system without elevation: an administrator's token holds all of the administrators' rights.
    BYTE admins[SECURITY_MAX_SID_SIZE];
    size = sizeof admins;
    BOOL bMember = FALSE;
    return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size) &&
           CheckTokenMembership(nullptr, admins, &bMember) && bMember;
}

bool CSecurityAttributes::AddSid(WELL_KNOWN_SID_TYPE type, DWORD dwAccess)
{
    std::unique_ptr<BYTE[]> sid(new BYTE[SECURITY_MAX_SID_SIZE]);
    DWORD size = SECURITY_MAX_SID_SIZE;
    if (!CreateWellKnownSid(type, nullptr, sid.get(), &size)) return false;
    m_dwAccess[m_nSids] = dwAccess;
    m_sids[m_nSids++] = std::move(sid);
    return true;
}

bool CSecurityAttributes::AddUser(DWORD dwAccess)
{
    std::unique_ptr<BYTE[]> sid = TokenUserSid();
    if (!sid) return false;
    m_dwAccess[m_nSids] = dwAccess;
    m_sids[m_nSids++] = std::move(sid);
    return true;
}

bool CSecurityAttributes::Build(Kind kind)
{
    m_bBuilt = false;
    m_nSids = 0;
    if (!AddSid(WinLocalSystemSid, FILE_ALL_ACCESS) || !AddSid(WinBuiltinAdministratorsSid, FILE_ALL_ACCESS))
        return false;
    if (kind == kInstallFolder && !AddSid(WinBuiltinUsersSid, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE)) return false;
    if (kind == kPrivateFolder && !AfxIsElevated() && !AddUser(FILE_ALL_ACCESS)) return false;
    DWORD aclSize = sizeof(ACL);
    for (int i = 0; i < m_nSids; ++i) aclSize += sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(m_sids[i].get());
    m_acl.reset(new BYTE[aclSize]);
    PACL acl = reinterpret_cast<PACL>(m_acl.get());
    if (!InitializeAcl(acl, aclSize, ACL_REVISION)) return false;
    for (int i = 0; i < m_nSids; ++i)
        if (!AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, m_dwAccess[i],
                                   m_sids[i].get()))
            return false;
    if (!InitializeSecurityDescriptor(&m_sd, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&m_sd, TRUE, acl, FALSE) ||
        !SetSecurityDescriptorControl(&m_sd, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        return false;
    m_sa = {sizeof(SECURITY_ATTRIBUTES), &m_sd, FALSE};
    m_bBuilt = true;
    return true;
}

bool AfxOnlyTrustedCanWrite(HANDLE h, DWORD dwRights, bool bUserTrusted)
{
    std::unique_ptr<BYTE[]> sd = ReadSecurity(h, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION);
    return sd && AfxOnlyTrustedIn(sd.get(), dwRights, bUserTrusted);
}

bool AfxOnlyTrustedIn(PSECURITY_DESCRIPTOR sd, DWORD dwRights, bool bUserTrusted)
{
    std::unique_ptr<BYTE[]> user = bUserTrusted ? TokenUserSid() : nullptr;
    PSID owner = nullptr;
    BOOL bDefaulted = FALSE, bPresent = FALSE;
    if (!GetSecurityDescriptorOwner(sd, &owner, &bDefaulted) || !owner || !IsTrustedSid(owner, user.get()))
        return false;  // an owner may always rewrite the access list
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(sd, &bPresent, &dacl, &bDefaulted) || !bPresent || !dacl)
        return false;  // no access list: everyone has every right
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace) || GrantsOthers(static_cast<const ACE_HEADER*>(ace), user.get(), dwRights))
            return false;
    }
    return true;
}

bool AfxProtect(HANDLE h, SECURITY_ATTRIBUTES* pSecurity)
{
    if (!pSecurity) return true;
    // A file with other names is also a file elsewhere, whatever this name lets one do: its list
    // and owner stay as they are.
    DWORD err = AfxCheckSingleName(h);
    if (err != NO_ERROR) {
        SetLastError(err);
        return false;
    }
    PSECURITY_DESCRIPTOR sd = pSecurity->lpSecurityDescriptor;
    const SECURITY_INFORMATION kList = DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;
    // The owner too, where this token may give it away: an owner may always rewrite the list.
    BYTE admins[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof admins;
    SECURITY_DESCRIPTOR owned;
    if (CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size) &&
        InitializeSecurityDescriptor(&owned, SECURITY_DESCRIPTOR_REVISION) &&
        SetSecurityDescriptorOwner(&owned, admins, FALSE))
        SetKernelObjectSecurity(h, OWNER_SECURITY_INFORMATION, &owned);
    return SetKernelObjectSecurity(h, kList, sd) != FALSE;
}

CString AfxSecurityText(HANDLE h)
{
    std::unique_ptr<BYTE[]> sd = ReadSecurity(h, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION);
    char* text = nullptr;
    if (!sd || !ConvertSecurityDescriptorToStringSecurityDescriptorA(
                   sd.get(), SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr))
        return CString();
    CString out(text);
    LocalFree(text);
    return out;
}

CString AfxGetUserName()
{
    char szName[257] = {};
    DWORD cch = sizeof szName;
    return GetUserNameA(szName, &cch) ? CString(szName) : CString();
}

bool AfxBuildInstallSecurity(CSecurityAttributes& security, bool bForOneUser)
{
    if (bForOneUser || !AfxIsElevated()) return true;
    return security.Build(CSecurityAttributes::kInstallFolder);
}
