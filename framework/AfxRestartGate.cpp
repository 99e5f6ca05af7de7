// Which paths an elevated program may hand to the restart, and the arrangements for the restart and
// the next sign-in (AfxRestartGate.h).
#include "AfxRestartGate.h"

#include "AfxElevation.h"
#include "AfxHandle.h"
#include "AfxNoLinks.h"
#include "AfxPath.h"
#include "AfxRegistry.h"
#include "AfxSecurity.h"

#include <cctype>
#include <memory>
#include <string>
#include <vector>

const DWORD kAfxRedirectRights = DELETE | FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER | GENERIC_ALL;

namespace {

// The folders from the root down: "C:\", "C:\a", "C:\a\b". Empty for a path that is not a full
// path on a drive, or that holds an empty, "." or ".." component.
std::vector<CString> ChainOf(const CString& strFolder)
{
    std::vector<CString> chain;
    std::string text = strFolder.Str();
    for (char& ch : text)
        if (ch == '/') ch = '\\';
    CString path(text.c_str());
    if (path.GetLength() < 3 || !isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':' || path[2] != '\\')
        return chain;
    chain.push_back(path.Left(3));
    int start = 3;
    while (start < path.GetLength()) {
        int end = path.Find('\\', start);
        if (end < 0) end = path.GetLength();
        CString name = path.Mid(start, end - start);
        if (name.IsEmpty() || name == "." || name == "..") return std::vector<CString>();
        chain.push_back(path.Left(end));
        start = end + 1;
    }
    return chain;
}

std::unique_ptr<BYTE[]> ReadOwnerAndList(HANDLE h)
{
    const SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD size = 0;
    GetKernelObjectSecurity(h, what, nullptr, 0, &size);
    if (size == 0) return nullptr;
    std::unique_ptr<BYTE[]> sd(new BYTE[size]);
    if (!GetKernelObjectSecurity(h, what, sd.get(), size, &size)) return nullptr;
    return sd;
}

// One folder of the chain, opened itself (never a link's target) and looked at.
DWORD CheckFolder(const CString& strPath, bool bRoot, bool bMayAdd)
{
    // Looked at by name as well: some systems open a link's target despite
    // FILE_FLAG_OPEN_REPARSE_POINT, but still name the link a reparse point.
    DWORD attributes = GetFileAttributesA(strPath);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return kErrorOpenToUsers;
    CHandle h(CreateFileA(strPath, READ_CONTROL | FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                          FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!h) return GetLastError();
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(h.Get(), &info)) return GetLastError();
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return kErrorOpenToUsers;
    // ... and by where the handle leads: to this name in the folder above, or it is a link.
    if (!bRoot && AfxCheckOpenedFile(h.Get(), strPath) != NO_ERROR) return kErrorOpenToUsers;
    std::unique_ptr<BYTE[]> sd = ReadOwnerAndList(h.Get());
    if (!sd) return GetLastError() != NO_ERROR ? GetLastError() : kErrorOpenToUsers;
    return AfxFolderSecurityClosed(sd.get(), bRoot, bMayAdd) ? NO_ERROR : kErrorOpenToUsers;
}

}  // namespace

bool AfxFolderSecurityClosed(PSECURITY_DESCRIPTOR sd, bool bRoot, bool bMayAdd)
{
    return AfxOnlyTrustedIn(sd, bRoot || bMayAdd ? kAfxRedirectRights : kAfxChangeRights, true);
}

bool AfxClosedToUsers(const CString& strFolder, bool bLastMayAdd)
{
    if (!AfxIsElevated()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    std::vector<CString> chain = ChainOf(strFolder);
    if (chain.empty()) {
        SetLastError(kErrorOpenToUsers);
        return false;
    }
    // From the top: a folder is looked at only once the one above it is known closed, so that no
    // user can have swapped it meanwhile.
    for (size_t i = 0; i < chain.size(); ++i) {
        DWORD err = CheckFolder(chain[i], i == 0, bLastMayAdd && i + 1 == chain.size());
        if (err != NO_ERROR) {
            SetLastError(err);
            return false;
        }
    }
    return true;
}

bool AfxMayLeaveToRestart(const CString& strPath)
{
    CString folder = AfxFolderOf(strPath);
    // An item at a drive's root: its folder is the root itself, "C:\" ("C:" alone names a
    // drive's current folder).
    if (folder.GetLength() == 2 && folder[1] == ':') folder += "\\";
    return AfxClosedToUsers(folder);
}

bool AfxArrangeAtRestart(const CString& strPath, const CString& strNewPath)
{
    if (!AfxIsElevated()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    // The restart works by name: only where no user can make a name lead elsewhere meanwhile.
    if (!AfxMayLeaveToRestart(strPath)) return false;
    if (strNewPath.IsEmpty()) return MoveFileExA(strPath, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
    if (!AfxMayLeaveToRestart(strNewPath)) return false;
    return MoveFileExA(strPath, strNewPath, MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING) != FALSE;
}

namespace {
const char kRunOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
}  // namespace

bool AfxArrangeAtSignIn(const CString& strName, const CString& strProgram, const CString& strArguments)
{
    const CString command = "\"" + strProgram + "\"" + (strArguments.IsEmpty() ? CString() : " " + strArguments);
    CRegKey key;
    if (AfxRegCreateKeyNoLinks(HKEY_CURRENT_USER, kRunOnceKey, KEY_SET_VALUE, key, nullptr) != ERROR_SUCCESS) return false;
    return RegSetValueExA(key.Get(), strName, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.GetString()),
                          DWORD(command.GetLength() + 1)) == ERROR_SUCCESS;
}

void AfxCancelAtSignIn(const CString& strName)
{
    CRegKey key;
    if (AfxRegOpenKeyNoLinks(HKEY_CURRENT_USER, kRunOnceKey, KEY_SET_VALUE, key) == ERROR_SUCCESS)
        RegDeleteValueA(key.Get(), strName);
}
