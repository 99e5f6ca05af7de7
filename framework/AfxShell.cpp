// The shell calls that both programs make: the Start menu's folders and starting a program with the
// administrators' rights. What only the installer asks of the shell is
// in AfxShellInstall.cpp, so that the uninstaller imports none of it (AfxShell.h).
#include "AfxShell.h"

#include "AfxCodePageWin32.h"
#include "AfxHandle.h"

#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace {

bool ShellFolder(int nFolder, CString& strPath)
{
    // Read wide: a UTF-8 path may be longer than MAX_PATH bytes, and a code page that cannot hold
    // the user's folder gives no look-alike of it.
    WCHAR szPath[MAX_PATH] = {};
    std::string path;
    if (FAILED(SHGetFolderPathW(nullptr, nFolder, nullptr, SHGFP_TYPE_CURRENT, szPath)) || !szPath[0] ||
        !AfxWideToAnsi(szPath, -1, path))
        return false;
    strPath = path.c_str();
    while (strPath.GetLength() > 3 && strPath[strPath.GetLength() - 1] == '\\') strPath = strPath.Left(strPath.GetLength() - 1);
    return true;
}

}  // namespace

bool AfxGetCommonProgramsFolder(CString& strPath) { return ShellFolder(CSIDL_COMMON_PROGRAMS, strPath); }

bool AfxGetProgramsFolder(bool bForOneUser, CString& strPath, bool bCreate)
{
    return ShellFolder((bForOneUser ? CSIDL_PROGRAMS : CSIDL_COMMON_PROGRAMS) | (bCreate ? CSIDL_FLAG_CREATE : 0), strPath);
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
