#include "Shortcuts.h"

#include "AfxNoLinks.h"
#include "AfxPath.h"
#include "AfxShell.h"
#include "InstallLog.h"
#include "ShortcutRules.h"

#include <vector>

namespace {

bool IsFile(const CString& strPath)
{
    DWORD attrs = GetFileAttributesA(strPath);
    return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

// Makes the product's folder level by level, listing each level before it is made, each one made
// or opened relative to the held folder above it and checked not to be a link or junction (one in
// its place could lead the shortcuts anywhere). The chain stays held in folders, the product's
// folder last, so that none of it can be renamed or replaced while the shortcuts are written into it.
bool MakeFolder(const CString& strPrograms, const CString& strProduct, InstallLogWriter& log,
                std::vector<CFolderHandle>& folders)
{
    folders.clear();
    folders.emplace_back();
    if (!folders.back().Open(strPrograms)) return false;
    for (const CString& level : ShortcutFolderLevels(strProduct)) {
        log.ShortcutFolder(level.Str());
        CFolderHandle child;
        bool bExisted = false;
        if (folders.back().CreateChild(AfxNameOf(level), nullptr, child, &bExisted) != NO_ERROR) return false;
        folders.push_back(std::move(child));
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
    std::vector<CFolderHandle> folders;
    for (const SetupShortcut& s : ext.shortcuts) {
        if (CheckShortcut(strProduct, s.strName, s.strTarget)) continue;
        CString target = strInstallDir + "\\" + s.strTarget;
        if (!bFolder && !bFolderFailed && bPrograms && IsFile(target)) {
            bFolder = MakeFolder(strPrograms, strProduct, log, folders);
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
