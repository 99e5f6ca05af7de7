// The report of a removal: what it removed, what it left and why, what waits for the restart or
// the next sign-in; the reasons it gives, and the rules by which an item is recorded as left (by
// rule, or unfinished for a later run). Shared by the removal of registry items and of files.
#pragma once

#include "AfxString.h"

#include <vector>

// Why an item was left, or why it waits for the restart or the next sign-in. The rules tell the
// reasons apart by these values; their words come from one table (RemovalReport.cpp): English for
// the /LOG= file and the installer's notes (ReasonText), the language spoken for the messages
// (ReasonShown).
enum class LeftReason {
    foreignFiles,      // a folder that holds what no log lists
    foreignRegistry,   // a key that holds values or keys that no log lists
    leftInside,        // a folder that holds items of the installation left in place
    atRestart,         // an item removed at the restart (a folder, the uninstaller, its record)
    inUseAtRestart,    // a file in use, removed at the restart
    inUseAtSignIn,     // a file in use, removed at the user's next sign-in
    openToUsers,       // the restart may not remove it by name: a folder on its way is open to users
    inUseOpen,         // the same for a file in use
    inUse,             // a file in use (by the programs that LeftItem::strPrograms names, when known)
    accessDenied,      // the system denied access
    refused,           // the system refused for another reason
    link,              // a link or junction on its path
    registryLink,      // a registry link at the key or above it
    keyGone,           // a replaced value whose key was removed since
    valueGone,         // a replaced value removed since
    changed,           // a replaced value changed since
    folderLink,        // the target folder itself is a link
    startMenuUnknown,  // the Start menu's folder cannot be found
    unexpected,        // an unexpected error stopped the removal
    restartRefused,    // the system would not arrange the removal at the restart after all
};
constexpr int kLeftReasonCount = int(LeftReason::restartRefused) + 1;

struct LeftItem {
    CString strWhat;    // the file or folder path, or ROOT\key, or ROOT\key: value
    LeftReason reason;  // why it was left, or why it waits for the restart
    // True when the item is still the installation's own and a later run may remove it (it was in
    // use, the system refused); false when it stays by rule: it holds what the installation did not
    // make, it was changed since, a link stands on its way. A later run would leave it again.
    bool bUnfinished = false;
    // For LeftReason::inUse: the programs that hold it, as the system names them; empty when it
    // cannot tell.
    CString strPrograms = CString();
};

// The reason's English words ("in use by PROGRAMS" where the item names them): the /LOG= file's and
// the installer's notes, which stay English whatever language the run speaks.
CString ReasonText(const LeftItem& item);
// The same words in the language spoken, from the reason's text key: what a message shows.
CString ReasonShown(const LeftItem& item);
// The table behind both: the English words and the text key of a reason, and for LeftReason::inUse
// the form that names the programs (a printf format with one %s, and its key); null for the others.
struct LeftReasonWords {
    const char* pszEnglish;
    const char* pszTextKey;
    const char* pszEnglishNamed = nullptr;
    const char* pszTextKeyNamed = nullptr;
};
const LeftReasonWords& LeftReasonRow(LeftReason reason);

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

// "in use by PROGRAMS", or "in use by a program" when strPrograms is empty (the system cannot tell),
// in English: ReasonText of LeftReason::inUse, for the installer's notes.
CString InUseByText(const CString& strPrograms);

// The reason for a refusal of the system with error err.
LeftReason RemovalErrorReason(DWORD err);
// True when err says that the item is not there (any more).
bool RemovalFoundGone(DWORD err);

// An item that stays by rule: a later run would leave it too.
void LeaveByRule(RemovalReport& report, const CString& strWhat, LeftReason why);
// An item of the installation that the system would not let go: a later run may try again.
void LeaveUnfinished(RemovalReport& report, const CString& strWhat, LeftReason why);
// An item that report arranged for the restart (report.scheduled) but that the system then would
// not arrange after all: taken out of report.scheduled (the last one named strWhat, compared without
// regard to case) and left unfinished, with why. Items arranged after it stay as they are.
void WithdrawFromRestart(RemovalReport& report, const CString& strWhat, LeftReason why);
// A refusal of the system with error err: unfinished, but for a link on the way (a file system or
// a registry link), which stays by rule.
void LeaveForError(RemovalReport& report, const CString& strWhat, DWORD err);
