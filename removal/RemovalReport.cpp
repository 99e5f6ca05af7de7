// The report of a removal and the rules for recording a left item (RemovalReport.h).
#include "RemovalReport.h"

#include "AfxInUse.h"
#include "AfxNoLinks.h"
#include "AfxRegistry.h"
#include "AfxRestartGate.h"
#include "AfxText.h"
#include "SameName.h"

#include <iterator>

namespace {

// The one home of the words for a file that a program holds.
#define ZRV_IN_USE_BY_A_PROGRAM "in use by a program"
#define ZRV_OPEN_TO_USERS "not left to the restart: users other than the administrators can change a folder on its way"

struct LeftReasonRowOf {
    LeftReason reason;
    LeftReasonWords words;
};

// In the enum's order, one row each. The English words are the /LOG= file's and the installer's
// notes'; the English table holds the same words under each key, so that an English message says
// what the log says.
constexpr LeftReasonRowOf kLeftReasons[] = {
    {LeftReason::foreignFiles, {"holds files that the installation did not make", "reason.foreign"}},
    {LeftReason::foreignRegistry, {"holds values or keys that the installation did not make", "reason.foreign_key"}},
    {LeftReason::leftInside, {"holds items of the installation that were left in place", "reason.left_inside"}},
    {LeftReason::atRestart, {"removed when Windows restarts", "reason.at_restart"}},
    {LeftReason::inUseAtRestart, {ZRV_IN_USE_BY_A_PROGRAM "; removed when Windows restarts", "reason.in_use_at_restart"}},
    {LeftReason::inUseAtSignIn,
     {ZRV_IN_USE_BY_A_PROGRAM "; removed when you next sign in to Windows", "reason.in_use_at_sign_in"}},
    {LeftReason::openToUsers, {ZRV_OPEN_TO_USERS, "reason.open_to_users"}},
    {LeftReason::inUseOpen, {ZRV_IN_USE_BY_A_PROGRAM "; " ZRV_OPEN_TO_USERS, "reason.in_use_open"}},
    {LeftReason::inUse, {ZRV_IN_USE_BY_A_PROGRAM, "inuse.by_a_program", "in use by %s", "inuse.by"}},
    {LeftReason::accessDenied, {"access denied (in use, read-only or no rights)", "reason.access_denied"}},
    {LeftReason::refused, {"the system refused to remove it", "reason.refused"}},
    {LeftReason::link, {"a link or junction on its path; not followed", "reason.link"}},
    {LeftReason::registryLink, {kRegistryLinkReason, "reason.registry_link"}},
    {LeftReason::keyGone,
     {"its key was removed since the installation; its earlier data was not put back", "reason.key_gone"}},
    {LeftReason::valueGone, {"removed since the installation; its earlier data was not put back", "reason.value_gone"}},
    {LeftReason::changed, {"changed since the installation; left as it is", "reason.changed"}},
    {LeftReason::folderLink, {"the folder is a link or junction; nothing is removed through it", "reason.folder_link"}},
    {LeftReason::startMenuUnknown, {"the Start menu's folder is not known", "reason.start_menu_unknown"}},
    {LeftReason::unexpected, {"an unexpected error stopped the removal", "reason.unexpected"}},
    {LeftReason::restartRefused, {"the system would not arrange its removal at the restart", "reason.restart_refused"}},
};
static_assert(sizeof kLeftReasons / sizeof kLeftReasons[0] == kLeftReasonCount, "one row for every reason");

constexpr bool InOrder()
{
    for (int i = 0; i < kLeftReasonCount; ++i)
        if (int(kLeftReasons[i].reason) != i) return false;
    return true;
}
static_assert(InOrder(), "the rows follow the enum");

#undef ZRV_IN_USE_BY_A_PROGRAM
#undef ZRV_OPEN_TO_USERS

bool NamesPrograms(const LeftItem& item)
{
    return !item.strPrograms.IsEmpty() && LeftReasonRow(item.reason).pszEnglishNamed;
}

}  // namespace

const LeftReasonWords& LeftReasonRow(LeftReason reason) { return kLeftReasons[int(reason)].words; }

CString ReasonText(const LeftItem& item)
{
    const LeftReasonWords& words = LeftReasonRow(item.reason);
    if (!NamesPrograms(item)) return words.pszEnglish;
    CString text;
    text.Format(words.pszEnglishNamed, item.strPrograms.GetString());
    return text;
}

CString ReasonShown(const LeftItem& item)
{
    const LeftReasonWords& words = LeftReasonRow(item.reason);
    if (!NamesPrograms(item)) return AfxText(words.pszTextKey);
    return AfxTextFormat(words.pszTextKeyNamed, item.strPrograms.GetString());
}

bool RemovalReport::Unfinished() const
{
    for (const LeftItem& item : left)
        if (item.bUnfinished) return true;
    return false;
}

bool RemovalReport::OnlyWaitsForSignIn() const
{
    if (nAtSignIn == 0) return false;
    for (const LeftItem& item : left)
        if (item.reason != LeftReason::inUseAtSignIn && item.reason != LeftReason::leftInside) return false;
    return true;
}

CString InUseByText(const CString& strPrograms) { return ReasonText({CString(), LeftReason::inUse, false, strPrograms}); }

LeftReason RemovalErrorReason(DWORD err)
{
    if (AfxIsInUseError(err)) return LeftReason::inUse;
    switch (err) {
    case ERROR_ACCESS_DENIED: return LeftReason::accessDenied;
    case ERROR_DIR_NOT_EMPTY: return LeftReason::foreignFiles;
    case kErrorOpenToUsers: return LeftReason::openToUsers;
    default: return LeftReason::refused;
    }
}

bool RemovalFoundGone(DWORD err) { return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND; }

void LeaveByRule(RemovalReport& report, const CString& strWhat, LeftReason why)
{
    report.left.push_back({strWhat, why, false});
}

void LeaveUnfinished(RemovalReport& report, const CString& strWhat, LeftReason why)
{
    report.left.push_back({strWhat, why, true});
}

void WithdrawFromRestart(RemovalReport& report, const CString& strWhat, LeftReason why)
{
    for (auto it = report.scheduled.rbegin(); it != report.scheduled.rend(); ++it) {
        if (!SameFullPath(it->strWhat, strWhat)) continue;
        report.scheduled.erase(std::next(it).base());
        break;
    }
    LeaveUnfinished(report, strWhat, why);
}

void LeaveForError(RemovalReport& report, const CString& strWhat, DWORD err)
{
    if (err == kErrorLinkOnPath) return LeaveByRule(report, strWhat, LeftReason::link);
    if (err == DWORD(kErrorRegistryLink)) return LeaveByRule(report, strWhat, LeftReason::registryLink);
    LeaveUnfinished(report, strWhat, RemovalErrorReason(err));
}
