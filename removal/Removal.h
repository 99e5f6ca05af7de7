// The removal of what an installation made, as its Install.log lists it (Win32).
//
// Only what the log lists is touched: values under their keys, keys that are then empty (never a
// root, never a key that is not listed), files, and directories that are then empty. A directory or
// key that the record of what was there before names stays; a value that it names is put back as
// it was, when it still holds what the installation wrote. An item that cannot go is left in place
// and reported with the reason; nothing is forced. Files and folders are removed through handles
// opened relative to the target's, each folder on the way checked not to be a reparse point (a
// junction or a symbolic link) and held so that nobody can rename it meanwhile: nothing is removed
// through a link, nor outside the target.
#pragma once

#include "AfxNoLinks.h"
#include "InstallLog.h"

#include <functional>
#include <vector>

struct LeftItem {
    CString strWhat;    // the file or folder path, or ROOT\key, or ROOT\key: value
    CString strReason;  // why it was left, or why it waits for the restart
    // True when the item is still the installation's own and a later run may remove it (it was in
    // use, the system refused); false when it stays by rule: it holds what the installation did not
    // make, it was changed since, a link stands on its way. A later run would leave it again.
    bool bUnfinished = false;
};

struct RemovalReport {
    int nRemoved = 0;              // items that this run removed or put back
    std::vector<LeftItem> left;    // items left in place, in the order met
    // Items that Windows removes when it restarts, in the order arranged (a folder after what it
    // holds, since the restart deletes in that order).
    std::vector<LeftItem> scheduled;
    // Of the left items, files in use that this run could not leave to the restart (it has not the
    // administrators' rights): a run of the uninstaller at the user's next sign-in removes them.
    int nAtSignIn = 0;

    // True when a left item is unfinished: a later run of the uninstaller could still remove it.
    bool Unfinished() const;
    // True when the items left are only files in use for the run at the next sign-in and the
    // folders that hold them.
    bool OnlyWaitsForSignIn() const;
};

// The reasons that the report gives and its readers tell apart.
extern const char kForeignReason[];      // a folder that holds what no log lists
extern const char kLeftInsideReason[];   // a folder that holds items of the installation left in place
extern const char kAtRestartReason[];    // a folder that holds only items removed at the restart
extern const char kInUseReason[];        // a file in use, removed at the restart
extern const char kAtSignInReason[];     // a file in use, removed at the user's next sign-in

// Asked, with the file's full path, when a listed file cannot go because a program holds it. True:
// try again; false: give up, and the file is removed when Windows restarts (without the
// administrators' rights: when the user next signs in). A null question gives
// up at once (a silent run).
using InUseQuestion = std::function<bool(const CString& strPath)>;

// Called before each item with the item's text and the count of items done and in all.
using RemovalProgress = std::function<void(const CString& strItem, int nDone, int nTotal)>;

// Removes record's items below strTargetDir (no trailing backslash), in the reverse order of the
// log: values; then keys, deepest first; then files; then directories, deepest first. Files named
// in skipFiles (paths as in the log, compared without regard to case) are left for the caller and
// not reported. Never throws for a registry or file error: each becomes a LeftItem.
// A file in use is asked about (inUse) and, once given up, arranged to go at the next restart
// (report.scheduled); a listed folder that then holds only such items goes at the restart too,
// after them. The target is opened by its path; a target that is a link has nothing removed
// through it.
RemovalReport RemoveInstalledItems(const InstallRecord& record, const CString& strTargetDir,
                                   const std::vector<CString>& skipFiles, const RemovalProgress& progress,
                                   const InUseQuestion& inUse = nullptr);
// The same below a target that the caller holds open (strTargetDir names it in the report).
RemovalReport RemoveInstalledItems(const InstallRecord& record, const CFolderHandle& target, const CString& strTargetDir,
                                   const std::vector<CString>& skipFiles, const RemovalProgress& progress,
                                   const InUseQuestion& inUse = nullptr);

// Removes the file strName (one component) of the folder held as folder, never through a link;
// strShown names it in the report. Waits up to nWaitMs for a program that is ending to let it go;
// a file still in use then goes at the next restart.
void RemoveChildOf(const CFolderHandle& folder, const CString& strName, const CString& strShown,
                   RemovalReport& report, DWORD nWaitMs);

// Removes one file that is no longer in use; an item is added to report when it cannot go.
// Waits up to nWaitMs for a program that is ending to let its file go.
void RemoveFileOf(const CString& strPath, RemovalReport& report, DWORD nWaitMs);

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
