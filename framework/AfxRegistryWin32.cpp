#include "AfxRegistry.h"

#include "AfxNameCase.h"

#include <sddl.h>

#include <cctype>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

typedef LONG(NTAPI* NtDeleteKeyProc)(HANDLE);
typedef ULONG(NTAPI* RtlNtStatusToDosErrorProc)(LONG);

const REGSAM kViewFlags = KEY_WOW64_32KEY | KEY_WOW64_64KEY;

// The calls here report through their result; the caller's GetLastError stays as it was.
class CKeepLastError {
public:
    CKeepLastError() : m_dwError(GetLastError()) {}
    ~CKeepLastError() { SetLastError(m_dwError); }

private:
    DWORD m_dwError;
};

bool SameComponent(const std::string& a, const char* b) { return AfxSameName(a, b); }

// The components of a subkey path; false for one that begins with a backslash, which the system
// refuses too (ERROR_BAD_PATHNAME).
bool SplitPath(const char* pszPath, std::vector<std::string>& parts)
{
    parts.clear();
    if (!pszPath) return true;
    if (*pszPath == '\\') return false;
    for (const char* p = pszPath; *p;) {
        const char* pEnd = std::strchr(p, '\\');
        if (!pEnd) pEnd = p + std::strlen(p);
        if (pEnd != p) parts.emplace_back(p, pEnd);
        p = *pEnd ? pEnd + 1 : pEnd;
    }
    return true;
}

// Roots where only administrators make keys (HKEY_CLASSES_ROOT with a look at the user's branch).
bool IsMachineRoot(HKEY hRoot)
{
    return hRoot == HKEY_LOCAL_MACHINE || hRoot == HKEY_CLASSES_ROOT || hRoot == HKEY_CURRENT_CONFIG;
}

// Whether the key that h holds, opened itself (REG_OPTION_OPEN_LINK) with KEY_QUERY_VALUE, is a
// link, and its target (empty when it cannot be read as one). Any value of that name counts: a
// plain key has no business holding one, and a key that cannot be looked at is no key to use.
LONG LookAt(HKEY h, bool* pbLink, std::wstring* pTarget)
{
    DWORD dwType = 0, cb = 0;
    LONG rc = RegQueryValueExW(h, L"SymbolicLinkValue", nullptr, &dwType, nullptr, &cb);
    *pbLink = rc != ERROR_FILE_NOT_FOUND;
    if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) return rc;
    if (!pTarget) return ERROR_SUCCESS;
    pTarget->clear();
    std::vector<wchar_t> buf(cb / sizeof(wchar_t) + 1, L'\0');
    DWORD cbRead = cb;
    rc = RegQueryValueExW(h, L"SymbolicLinkValue", nullptr, &dwType, reinterpret_cast<BYTE*>(buf.data()), &cbRead);
    if (rc == ERROR_SUCCESS && dwType == REG_LINK) pTarget->assign(buf.data(), cbRead / sizeof(wchar_t));
    return ERROR_SUCCESS;
}

// The string form of the SID of the user whose key HKEY_CURRENT_USER is; empty when unknown.
std::string CurrentUserSid()
{
    HANDLE hToken = nullptr;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &hToken) &&
        !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &hToken))
        return std::string();
    CHandle token(hToken);
    DWORD cb = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &cb);
    std::vector<BYTE> buf(cb ? cb : 1);
    if (!GetTokenInformation(token.Get(), TokenUser, buf.data(), cb, &cb)) return std::string();
    char* pszSid = nullptr;
    if (!ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buf.data())->User.Sid, &pszSid)) return std::string();
    std::string sid = pszSid;
    LocalFree(pszSid);
    return sid;
}

// The system's link from a user's key to that user's classes: Software\Classes (parts[at] with
// parts[at - 1] "Software") right below HKEY_CURRENT_USER, or below HKEY_USERS\<SID>, leading to
// \REGISTRY\USER\<SID>_Classes. Then *pClasses is that key's name below HKEY_USERS.
bool IsUserClassesLink(HKEY hRoot, const std::vector<std::string>& parts, size_t at, const std::wstring& target,
                       std::string* pClasses)
{
    const size_t base = hRoot == HKEY_USERS ? 1 : 0;
    if ((hRoot != HKEY_USERS && hRoot != HKEY_CURRENT_USER) || at != base + 1 || !SameComponent(parts[base], "Software") ||
        !SameComponent(parts[at], "Classes"))
        return false;
    const std::string sid = base ? parts[0] : CurrentUserSid();
    if (sid.empty() || target.empty()) return false;
    const std::string expected = "\\REGISTRY\\USER\\" + sid + "_Classes";
    if (target.size() != expected.size()) return false;
    for (size_t i = 0; i < expected.size(); ++i) {
        wchar_t c = target[i];
        if (c >= 0x80 || std::tolower(int(c)) != std::tolower(static_cast<unsigned char>(expected[i]))) return false;
    }
    *pClasses = sid + "_Classes";
    return true;
}

// Opens the child strName of hParent itself, never a link's target; with bCreate a missing child
// is made first, and *pbMade says so. The key made is opened again by its name to be looked at:
// a system that ignores REG_OPTION_OPEN_LINK when making keys would otherwise hand over the target
// of a link that someone put there between the two calls.
LONG OpenLevel(HKEY hParent, const std::string& strName, REGSAM access, bool bCreate, CRegKey& child, bool* pbMade)
{
    *pbMade = false;
    LONG rc = RegOpenKeyExA(hParent, strName.c_str(), REG_OPTION_OPEN_LINK, access, child.Receive());
    if (rc != ERROR_FILE_NOT_FOUND || !bCreate) return rc;
    DWORD dwDisposition = 0;
    rc = RegCreateKeyExA(hParent, strName.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE | REG_OPTION_OPEN_LINK, access,
                         nullptr, child.Receive(), &dwDisposition);
    if (rc == ERROR_INVALID_PARAMETER)  // a system that takes the option only when opening
        rc = RegCreateKeyExA(hParent, strName.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                             child.Receive(), &dwDisposition);
    if (rc != ERROR_SUCCESS) return rc;
    *pbMade = dwDisposition == REG_CREATED_NEW_KEY;
    return RegOpenKeyExA(hParent, strName.c_str(), REG_OPTION_OPEN_LINK, access, child.Receive());
}

// Opens (bCreate: makes where missing) the keys of parts below a root that users write, one at a
// time relative to the one above, each looked at; the last one with access.
LONG WalkUserKeys(HKEY hRoot, const std::vector<std::string>& parts, REGSAM access, bool bCreate, CRegKey& key,
                  bool* pbCreated)
{
    const REGSAM upper = KEY_QUERY_VALUE | (access & kViewFlags) | (bCreate ? KEY_CREATE_SUB_KEY : 0);
    CRegKey parent;  // empty: hRoot
    bool bMade = false;
    for (size_t i = 0; i < parts.size(); ++i) {
        const REGSAM levelAccess = i + 1 == parts.size() ? access | KEY_QUERY_VALUE : upper;
        CRegKey child;
        LONG rc = OpenLevel(parent ? parent.Get() : hRoot, parts[i], levelAccess, bCreate, child, &bMade);
        if (rc != ERROR_SUCCESS) return rc;
        bool bLink = false;
        std::wstring target;
        if ((rc = LookAt(child.Get(), &bLink, &target)) != ERROR_SUCCESS) return rc;
        if (bLink) {
            std::string classes;
            if (!IsUserClassesLink(hRoot, parts, i, target, &classes)) return kErrorRegistryLink;
            // Not through the link, which its owner may change meanwhile: to the key it was seen to name.
            if ((rc = WalkUserKeys(HKEY_USERS, {classes}, levelAccess, false, child, nullptr)) != ERROR_SUCCESS) return rc;
            bMade = false;
        }
        parent = std::move(child);
    }
    if (pbCreated) *pbCreated = bMade;
    key = std::move(parent);
    return ERROR_SUCCESS;
}

// HKEY_CLASSES_ROOT shows the user's classes over the machine's: a link on the user's branch of
// the path (as far as it exists) fails the call.
LONG CheckUserClasses(const std::vector<std::string>& parts, REGSAM view)
{
    std::vector<std::string> user = {"Software", "Classes"};
    user.insert(user.end(), parts.begin(), parts.end());
    CRegKey key;
    LONG rc = WalkUserKeys(HKEY_CURRENT_USER, user, KEY_QUERY_VALUE | view, false, key, nullptr);
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

LONG OpenOrCreate(HKEY hRoot, const char* pszPath, REGSAM access, bool bCreate, CRegKey& key, bool* pbCreated)
{
    CKeepLastError keep;
    key.Close();
    if (pbCreated) *pbCreated = false;
    std::vector<std::string> parts;
    if (!SplitPath(pszPath, parts)) return ERROR_BAD_PATHNAME;
    // The root itself (a new handle to it) is no link.
    if (parts.empty()) return RegOpenKeyExA(hRoot, "", 0, access, key.Receive());
    if (!IsMachineRoot(hRoot)) return WalkUserKeys(hRoot, parts, access, bCreate, key, pbCreated);
    if (hRoot == HKEY_CLASSES_ROOT) {
        LONG rc = CheckUserClasses(parts, access & kViewFlags);
        if (rc != ERROR_SUCCESS) return rc;
    }
    // One call with the whole path, as the system resolves it (the 32-bit view included).
    if (!bCreate) return RegOpenKeyExA(hRoot, pszPath, 0, access, key.Receive());
    DWORD dwDisposition = 0;
    LONG rc = RegCreateKeyExA(hRoot, pszPath, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key.Receive(),
                              &dwDisposition);
    if (rc == ERROR_SUCCESS && pbCreated) *pbCreated = dwDisposition == REG_CREATED_NEW_KEY;
    return rc;
}

// Deletes the key that hKey holds, through that handle. The system's native call, looked up at run
// time: ntdll is in every process, but its import library is not one we link.
LONG DeleteHeldKey(HKEY hKey)
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (!ntdll) return ERROR_PROC_NOT_FOUND;
    auto deleteKey = reinterpret_cast<NtDeleteKeyProc>(reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "NtDeleteKey")));
    auto toDosError = reinterpret_cast<RtlNtStatusToDosErrorProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "RtlNtStatusToDosError")));
    if (!deleteKey || !toDosError) return ERROR_PROC_NOT_FOUND;
    LONG status = deleteKey(hKey);
    return status >= 0 ? ERROR_SUCCESS : LONG(toDosError(status));
}

}  // namespace

LONG AfxRegOpenKeyNoLinks(HKEY hRoot, const char* pszPath, REGSAM access, CRegKey& key)
{
    return OpenOrCreate(hRoot, pszPath, access, false, key, nullptr);
}

LONG AfxRegCreateKeyNoLinks(HKEY hRoot, const char* pszPath, REGSAM access, CRegKey& key, bool* pbCreated)
{
    return OpenOrCreate(hRoot, pszPath, access, true, key, pbCreated);
}

LONG AfxRegDeleteKeyNoLinks(HKEY hRoot, const char* pszPath)
{
    CKeepLastError keep;
    std::vector<std::string> parts;
    if (!SplitPath(pszPath, parts)) return ERROR_BAD_PATHNAME;
    if (parts.empty()) return ERROR_INVALID_PARAMETER;
    const REGSAM access = DELETE | KEY_QUERY_VALUE;
    CRegKey key;
    LONG rc;
    if (IsMachineRoot(hRoot)) {
        if (hRoot == HKEY_CLASSES_ROOT && (rc = CheckUserClasses(parts, 0)) != ERROR_SUCCESS) return rc;
        // The links on the way are administrators'; the key itself is opened, not its target.
        rc = RegOpenKeyExA(hRoot, pszPath, REG_OPTION_OPEN_LINK, access, key.Receive());
    } else {
        const std::string last = parts.back();
        parts.pop_back();
        CRegKey parent;
        if (!parts.empty() && (rc = WalkUserKeys(hRoot, parts, KEY_QUERY_VALUE, false, parent, nullptr)) != ERROR_SUCCESS)
            return rc;
        rc = RegOpenKeyExA(parent ? parent.Get() : hRoot, last.c_str(), REG_OPTION_OPEN_LINK, access, key.Receive());
    }
    if (rc != ERROR_SUCCESS) return rc;
    bool bLink = false;
    if ((rc = LookAt(key.Get(), &bLink, nullptr)) != ERROR_SUCCESS) return rc;
    if (bLink) return kErrorRegistryLink;
    return DeleteHeldKey(key.Get());
}
