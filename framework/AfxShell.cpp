#include "AfxShell.h"

#include "AfxHandle.h"
#include "AfxRegistry.h"

#include <shellapi.h>
#include <shlobj.h>

#include <vector>

namespace {

bool ShellFolder(int nFolder, CString& strPath)
{
    char szPath[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, nFolder, nullptr, SHGFP_TYPE_CURRENT, szPath)) || !szPath[0]) return false;
    strPath = szPath;
    while (strPath.GetLength() > 3 && strPath[strPath.GetLength() - 1] == '\\') strPath = strPath.Left(strPath.GetLength() - 1);
    return true;
}

// FOLDERID_UserProgramFiles, spelled out: older headers lack it.
const GUID kUserProgramFiles = {0x5cd7aee2, 0x2219, 0x4a67, {0xb8, 0x5d, 0x6c, 0x9c, 0xe1, 0x56, 0x60, 0xcb}};

}  // namespace

bool AfxGetCommonProgramsFolder(CString& strPath) { return ShellFolder(CSIDL_COMMON_PROGRAMS, strPath); }

bool AfxGetProgramsFolder(bool bForOneUser, CString& strPath)
{
    return ShellFolder(bForOneUser ? CSIDL_PROGRAMS : CSIDL_COMMON_PROGRAMS, strPath);
}

bool AfxGetUserProgramFilesFolder(CString& strPath)
{
    PWSTR pszWide = nullptr;
    // Named, not made: a folder that a profile lacks is made by the installation that needs it,
    // which records it as made so that its uninstallation takes it away again.
    HRESULT hr = SHGetKnownFolderPath(kUserProgramFiles, KF_FLAG_DONT_VERIFY, nullptr, &pszWide);
    bool bFound = false;
    if (SUCCEEDED(hr) && pszWide) {
        char szPath[MAX_PATH] = {};
        BOOL bLost = FALSE;
        int n = WideCharToMultiByte(CP_ACP, 0, pszWide, -1, szPath, sizeof szPath, nullptr, &bLost);
        if (n > 1 && !bLost) {
            strPath = szPath;
            bFound = true;
        }
    }
    CoTaskMemFree(pszWide);
    // A shell that knows no such folder: the same place, from the user's local application data.
    if (!bFound && ShellFolder(CSIDL_LOCAL_APPDATA, strPath)) {
        strPath += "\\Programs";
        bFound = true;
    }
    while (bFound && strPath.GetLength() > 3 && strPath[strPath.GetLength() - 1] == '\\')
        strPath = strPath.Left(strPath.GetLength() - 1);
    return bFound;
}

void AfxNotifyAssociationsChanged() { SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }

bool AfxRegQueryString(HKEY hRoot, const char* pszSubKey, const char* pszName, CString& strValue, DWORD nMaxLength)
{
    CRegKey key;
    if (AfxRegOpenKeyNoLinks(hRoot, pszSubKey, KEY_QUERY_VALUE, key) != ERROR_SUCCESS) return false;
    DWORD dwType = 0, cb = 0;
    if (RegQueryValueExA(key.Get(), pszName, nullptr, &dwType, nullptr, &cb) != ERROR_SUCCESS || dwType != REG_SZ ||
        cb > nMaxLength)
        return false;
    std::vector<char> data(size_t(cb) + 1, '\0');
    if (RegQueryValueExA(key.Get(), pszName, nullptr, &dwType, reinterpret_cast<BYTE*>(data.data()), &cb) != ERROR_SUCCESS ||
        dwType != REG_SZ)
        return false;
    // A value stored without its closing zero, or with one inside, ends at the first zero.
    strValue = data.data();
    return true;
}

int AfxRunElevated(const CString& strProgram, const CString& strArguments, const CString& strDirectory)
{
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = "runas";
    info.lpFile = strProgram;
    info.lpParameters = strArguments;
    info.lpDirectory = strDirectory.IsEmpty() ? nullptr : strDirectory.GetString();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&info) || !info.hProcess) return -1;
    CHandle process(info.hProcess);
    WaitForSingleObject(process.Get(), INFINITE);
    DWORD dwCode = 0;
    if (!GetExitCodeProcess(process.Get(), &dwCode)) return -1;
    return int(dwCode);
}
