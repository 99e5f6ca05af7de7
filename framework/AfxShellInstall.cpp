// The shell calls that only the installer makes: the user's own folder for programs
// (SHGetKnownFolderPath, with OLE32's CoTaskMemFree) and the notice that file associations changed
// (SHChangeNotify). In a file of their own, so that a program that calls neither (the
// uninstaller) imports neither (AfxShell.h).
#include "AfxShell.h"

#include "AfxCodePageWin32.h"

#include <shlobj.h>

#include <string>

namespace {
// FOLDERID_UserProgramFiles, spelled out: older headers lack it.
const GUID kUserProgramFiles = {0x5cd7aee2, 0x2219, 0x4a67, {0xb8, 0x5d, 0x6c, 0x9c, 0xe1, 0x56, 0x60, 0xcb}};

void TrimTrailingBackslashes(CString& strPath)
{
    while (strPath.GetLength() > 3 && strPath[strPath.GetLength() - 1] == '\\') strPath = strPath.Left(strPath.GetLength() - 1);
}

// The user's local application data, as AfxShell.cpp reads the Start menu's folders.
bool LocalAppDataFolder(CString& strPath)
{
    WCHAR szPath[MAX_PATH] = {};
    std::string path;
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, szPath)) || !szPath[0] ||
        !AfxWideToAnsi(szPath, -1, path))
        return false;
    strPath = path.c_str();
    TrimTrailingBackslashes(strPath);
    return true;
}
}  // namespace

bool AfxGetUserProgramFilesFolder(CString& strPath)
{
    PWSTR pszWide = nullptr;
    // Named, not made: a folder that a profile lacks is made by the installation that needs it,
    // which records it as made so that its uninstallation takes it away again.
    HRESULT hr = SHGetKnownFolderPath(kUserProgramFiles, KF_FLAG_DONT_VERIFY, nullptr, &pszWide);
    bool bFound = false;
    if (SUCCEEDED(hr) && pszWide) {
        // Never a best-fit look-alike of the user's folder (AfxCodePageWin32.h).
        std::string path;
        if (AfxWideToAnsi(pszWide, -1, path) && !path.empty()) {
            strPath = path.c_str();
            bFound = true;
        }
    }
    CoTaskMemFree(pszWide);
    // A shell that knows no such folder: the same place, from the user's local application data.
    if (!bFound && LocalAppDataFolder(strPath)) {
        strPath += "\\Programs";
        bFound = true;
    }
    if (bFound) TrimTrailingBackslashes(strPath);
    return bFound;
}

void AfxNotifyAssociationsChanged() { SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }
