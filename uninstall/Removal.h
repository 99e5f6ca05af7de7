// The removal of what an installation made, as its Install.log lists it (Win32).
//
// Only what the log lists is touched: values under their keys, keys that are then empty (never a
// root, never a key that is not listed), files, and directories that are then empty. A directory or
// key that the record of what was there before names stays; a value that it names is put back as
// it was, when it still holds what the installation wrote. An item that cannot go is left in place
// and reported with the reason; nothing is forced. A path that leads
// through a reparse point (a junction or a symbolic link) below the target is not followed.
#pragma once

#include "InstallLog.h"

#include <functional>
#include <vector>

struct LeftItem {
    CString strWhat;    // the file or folder path, or ROOT\key, or ROOT\key: value
    CString strReason;  // why it was left
};

struct RemovalReport {
    int nRemoved = 0;              // items that this run removed or put back
    std::vector<LeftItem> left;    // items left in place, in the order met
};

// Called before each item with the item's text and the count of items done and in all.
using RemovalProgress = std::function<void(const CString& strItem, int nDone, int nTotal)>;

// Removes record's items below strTargetDir (no trailing backslash), in the reverse order of the
// log: values; then keys, deepest first; then files; then directories, deepest first. Files named
// in skipFiles (paths as in the log, compared without regard to case) are left for the caller and
// not reported. Never throws for a registry or file error: each becomes a LeftItem.
RemovalReport RemoveInstalledItems(const InstallRecord& record, const CString& strTargetDir,
                                   const std::vector<CString>& skipFiles, const RemovalProgress& progress);

// Removes one file that is no longer in use; an item is added to report when it cannot go.
// Waits up to nWaitMs for a program that is ending to let its file go.
void RemoveFileOf(const CString& strPath, RemovalReport& report, DWORD nWaitMs);

// True when the folder holds anything besides the entry named strName ("" names none).
bool FolderHoldsMoreThan(const CString& strDir, const CString& strName);

// Removes the directory when it is empty; otherwise, or when it cannot go, adds an item to report.
void RemoveDirectoryIfEmpty(const CString& strPath, RemovalReport& report);
