// The removal of what an installation made, as its Install.log lists it (Win32): which items go,
// in which order. The registry's items go as RegistryRemoval.h says, files and folders as
// FileRemoval.h says; what is left is told in a RemovalReport (RemovalReport.h).
//
// Only what the log lists is touched: values under their keys, keys that are then empty (never a
// root, never a key that is not listed), files, and directories that are then empty. A directory or
// key that the record of what was there before names stays; a value that it names is put back as
// it was, when it still holds what the installation wrote; a file whose earlier content it kept
// gets that content back. An item that cannot go is left in place
// and reported with the reason; nothing is forced. Files and folders are removed through handles
// opened relative to the target's, each folder on the way checked not to be a reparse point (a
// junction or a symbolic link) and held so that nobody can rename it meanwhile: nothing is removed
// through a link, nor outside the target.
#pragma once

#include "FileRemoval.h"
#include "InstallLog.h"
#include "RegistryRemoval.h"
#include "RemovalReport.h"

#include <functional>
#include <vector>

// Called before each item with the item's text and the count of items done and in all.
using RemovalProgress = std::function<void(const CString& strItem, int nDone, int nTotal)>;

// Removes record's items below strTargetDir (no trailing backslash), in the reverse order of the
// log: shortcuts, then their folders, deepest first; values; keys, deepest first; files; then
// directories, deepest first; last the keys that the installation made on the way. Files named
// in skipFiles (paths as in the log, compared without regard to case) are left for the caller and
// not reported. Never throws for a registry or file error: each becomes a LeftItem.
// A file in use is asked about (pInUse, as RemoveBelow asks) and, once given up, arranged to go at the next restart
// (report.scheduled); a listed folder that then holds only such items goes at the restart too,
// after them. The target is opened by its path; a target that is a link has nothing removed
// through it.
RemovalReport RemoveInstalledItems(const InstallRecord& record, const CString& strTargetDir,
                                   const std::vector<CString>& skipFiles, const RemovalProgress& progress,
                                   IInUseQuestion* pInUse = nullptr);
// The same below a target that the caller holds open (strTargetDir names it in the report).
RemovalReport RemoveInstalledItems(const InstallRecord& record, const CFolderHandle& target, const CString& strTargetDir,
                                   const std::vector<CString>& skipFiles, const RemovalProgress& progress,
                                   IInUseQuestion* pInUse = nullptr);
