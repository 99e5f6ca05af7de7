// The report of a removal: what it removed, what it left and why, what waits for the restart or
// the next sign-in; the reasons it gives, and the rules by which an item is recorded as left (by
// rule, or unfinished for a later run). Shared by the removal of registry items and of files.
#pragma once

#include "AfxString.h"

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
// An item that the restart may not remove by name: a folder on its way is open to users.
extern const char kOpenToUsersReason[];
extern const char kInUseOpenReason[];    // the same for a file in use

// "in use by PROGRAMS", or "in use by a program" when strPrograms is empty (the system cannot tell):
// the one wording for a file that a program holds, in reasons and in questions alike.
CString InUseByText(const CString& strPrograms);

// The reason for a refusal of the system with error err.
const char* RemovalErrorReason(DWORD err);
// True when err says that the item is not there (any more).
bool RemovalFoundGone(DWORD err);

// An item that stays by rule: a later run would leave it too.
void LeaveByRule(RemovalReport& report, const CString& strWhat, const char* pszWhy);
// An item of the installation that the system would not let go: a later run may try again.
void LeaveUnfinished(RemovalReport& report, const CString& strWhat, const char* pszWhy);
// An item that report arranged for the restart (report.scheduled) but that the system then would
// not arrange after all: taken out of report.scheduled (the last one named strWhat, compared without
// regard to case) and left unfinished, with pszWhy. Items arranged after it stay as they are.
void WithdrawFromRestart(RemovalReport& report, const CString& strWhat, const char* pszWhy);
// A refusal of the system with error err: unfinished, but for a link on the way (a file system or
// a registry link), which stays by rule.
void LeaveForError(RemovalReport& report, const CString& strWhat, DWORD err);
