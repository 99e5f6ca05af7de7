// The removal of files and folders (Win32): below a held target through handles opened relative to
// it, each folder on the way checked not to be a reparse point (a junction or a symbolic link) and
// held so that nobody can rename it meanwhile: nothing is removed through a link, nor outside the
// folder it was asked for. A file that a program holds is asked about, then goes at the restart (or
// at the next sign-in without the administrators' rights); a folder that still holds something is
// settled by what it holds. What cannot go is recorded in the report (RemovalReport.h).
#pragma once

#include "AfxNoLinks.h"
#include "InUseQuestion.h"
#include "InstallLog.h"
#include "RemovalReport.h"

#include <vector>

// Removes the file or empty folder strRelative (a path as the log lists it) below the folder held
// as target; strShown names it in the report. A file that a program holds is asked about with its
// full path (pInUse): "try again" tries the delete again; any other answer, or a null question (a
// silent run), gives it up, and it is removed when Windows restarts (without the administrators'
// rights: when the user next signs in).
void RemoveBelow(const CFolderHandle& target, const CString& strRelative, bool bFolder, const CString& strShown,
                 RemovalReport& report, IInUseQuestion* pInUse = nullptr);

// Copies the file strFrom of the folder held as folder to a new file strTo of it (each one
// component; strTo must not exist yet: ERROR_FILE_EXISTS), never through a link; a copy that fails
// half-way is removed again. Returns NO_ERROR or the error (ERROR_FILE_NOT_FOUND: no strFrom).
DWORD CopyWithin(const CFolderHandle& folder, const CString& strFrom, const CString& strTo);
// The same from the file open as hFrom (with GENERIC_READ, at its start).
DWORD CopyToNewChild(HANDLE hFrom, const CFolderHandle& folder, const CString& strTo);

// A listed file whose earlier content the installation kept beside it (strRelative + kKeptSuffix):
// the installation's file goes, the kept content takes its place again and its copy goes. Without
// the copy the file stays as it is: it may be the one that was there before (a run stopped before
// the copy was made). Reported as RemoveBelow reports.
void PutBackKeptFile(const CFolderHandle& target, const CString& strRelative, const CString& strShown,
                     RemovalReport& report, IInUseQuestion* pInUse = nullptr);

// A shortcut item (a file, or a folder of the Start menu) below strPrograms, the Start menu's
// programs folder: a folder goes only when it is empty, and stays without a word when it holds
// anything else (other shortcuts of the product's family, say).
void RemoveShortcutItem(const LogItem& item, const CString& strPrograms, RemovalReport& report,
                        IInUseQuestion* pInUse);

// Removes the file strName (one component) of the folder held as folder, never through a link;
// strShown names it in the report. Waits up to nWaitMs for a program that is ending to let it go;
// a file still in use then goes at the next restart.
void RemoveChildOf(const CFolderHandle& folder, const CString& strName, const CString& strShown,
                   RemovalReport& report, DWORD nWaitMs);

// True when the folder holds anything besides the entry named strName ("" names none).
bool FolderHoldsMoreThan(const CString& strDir, const CString& strName);

// Removes the directory when it is empty; otherwise, or when it cannot go, adds an item to report.
void RemoveDirectoryIfEmpty(const CString& strPath, RemovalReport& report);

// Removes the folders above the target strTargetDir (gone by now; spelled as AfxNormalisedPath
// spells its folders) that its installation made on the way to it (prior.madeFolders), deepest
// first, each when it is empty. Only folders on the way to
// the target are looked at (IsFolderAbove), none through a link. One that holds something else, or
// cannot go, stays without a word: it was never one of the installation's items. Returns how many
// went.
int RemoveMadeFolders(const PriorState& prior, const CString& strTargetDir);

// What a folder that did not go still holds, besides the entries named in except.
enum class FolderContents {
    nothing,        // nothing at all
    onlyScheduled,  // only items that report arranges for the restart
    leftItems,      // also items of the installation that report leaves unfinished, none else
    foreign,        // something that no log lists (or that stays by rule)
};
FolderContents ClassifyFolder(const CString& strDir, const std::vector<CString>& except, const RemovalReport& report);

// Settles a folder strDir that holds something, as ClassifyFolder finds it: one that holds only
// items removed at the restart is arranged to go after them; any other is left, with the reason
// that is true of it.
void SettleFolder(const CString& strDir, FolderContents contents, RemovalReport& report);
