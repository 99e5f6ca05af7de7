#include "Shortcuts.h"

#include "AfxShell.h"
#include "InstallLog.h"
#include "ShortcutRules.h"

namespace {

bool IsFile(const CString& strPath)
{
    DWORD attrs = GetFileAttributesA(strPath);
    return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

// Makes the product's folder level by level, listing each level before it is made.
bool MakeFolder(const CString& strPrograms, const CString& strProduct, InstallLogWriter& log)
{
    for (const CString& level : ShortcutFolderLevels(strProduct)) {
        log.ShortcutFolder(level.Str());
        CString path = strPrograms + "\\" + level;
        if (!CreateDirectoryA(path, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
        // A link or junction in its place could lead the shortcuts anywhere.
        DWORD attrs = GetFileAttributesA(path);
        if (attrs == INVALID_FILE_ATTRIBUTES || !(attrs & FILE_ATTRIBUTE_DIRECTORY) || (attrs & FILE_ATTRIBUTE_REPARSE_POINT))
            return false;
    }
    return true;
}

}  // namespace

CString CreateShortcuts(const SetupExtensions& ext, const CString& strProduct, const CString& strInstallDir,
                        bool bForOneUser, CFile& logFile)
{
    CString strFailed;
    CString strPrograms;
    // A user who has never had a Start menu of their own gets one made.
    bool bPrograms = ext.shortcuts.empty() || AfxGetProgramsFolder(bForOneUser, strPrograms, true);
    InstallLogWriter log(logFile);
    bool bFolder = false, bFolderFailed = false;
    for (const SetupShortcut& s : ext.shortcuts) {
        if (CheckShortcut(strProduct, s.strName, s.strTarget)) continue;
        CString target = strInstallDir + "\\" + s.strTarget;
        if (!bFolder && !bFolderFailed && bPrograms && IsFile(target)) {
            bFolder = MakeFolder(strPrograms, strProduct, log);
            bFolderFailed = !bFolder;
        }
        bool bMade = false;
        if (bFolder && IsFile(target)) {
            CString relative = strProduct + "\\" + s.strName + ".lnk";
            log.Shortcut(relative.Str());
            // Started in the folder of its program, as from Explorer.
            int slash = target.ReverseFind('\\');
            bMade = SUCCEEDED(AfxCreateShellLink(strPrograms + "\\" + relative, target, target.Left(slash)));
        }
        if (!bMade && strFailed.IsEmpty()) strFailed = s.strName;
    }
    return strFailed;
}
