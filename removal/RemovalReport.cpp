// The report of a removal and the rules for recording a left item (RemovalReport.h).
#include "RemovalReport.h"

#include "AfxInUse.h"
#include "AfxNoLinks.h"
#include "AfxRegistry.h"
#include "AfxRestartGate.h"
#include "SameName.h"

#include <iterator>

// The one home of the words for a file that a program holds.
#define ZRV_IN_USE_BY_A_PROGRAM "in use by a program"

const char kForeignReason[] = "holds files that the installation did not make";
const char kLeftInsideReason[] = "holds items of the installation that were left in place";
const char kAtRestartReason[] = "removed when Windows restarts";
const char kInUseReason[] = ZRV_IN_USE_BY_A_PROGRAM "; removed when Windows restarts";
const char kOpenToUsersReason[] =
    "not left to the restart: users other than the administrators can change a folder on its way";
const char kInUseOpenReason[] = ZRV_IN_USE_BY_A_PROGRAM
    "; not left to the restart: users other than the administrators can change a folder on its way";
const char kAtSignInReason[] = ZRV_IN_USE_BY_A_PROGRAM "; removed when you next sign in to Windows";

namespace {
const char kInUseByAProgram[] = ZRV_IN_USE_BY_A_PROGRAM;
const char kLinkReason[] = "a link or junction on its path; not followed";
}  // namespace

#undef ZRV_IN_USE_BY_A_PROGRAM

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
        if (item.strReason != kAtSignInReason && item.strReason != kLeftInsideReason) return false;
    return true;
}

CString InUseByText(const CString& strPrograms)
{
    return strPrograms.IsEmpty() ? CString(kInUseByAProgram) : "in use by " + strPrograms;
}

const char* RemovalErrorReason(DWORD err)
{
    if (AfxIsInUseError(err)) return kInUseByAProgram;
    switch (err) {
    case ERROR_ACCESS_DENIED: return "access denied (in use, read-only or no rights)";
    case ERROR_DIR_NOT_EMPTY: return kForeignReason;
    case kErrorOpenToUsers: return kOpenToUsersReason;
    default: return "the system refused to remove it";
    }
}

bool RemovalFoundGone(DWORD err) { return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND; }

void LeaveByRule(RemovalReport& report, const CString& strWhat, const char* pszWhy)
{
    report.left.push_back({strWhat, pszWhy, false});
}

void LeaveUnfinished(RemovalReport& report, const CString& strWhat, const char* pszWhy)
{
    report.left.push_back({strWhat, pszWhy, true});
}

void WithdrawFromRestart(RemovalReport& report, const CString& strWhat, const char* pszWhy)
{
    for (auto it = report.scheduled.rbegin(); it != report.scheduled.rend(); ++it) {
        if (!SameFullPath(it->strWhat, strWhat)) continue;
        report.scheduled.erase(std::next(it).base());
        break;
    }
    LeaveUnfinished(report, strWhat, pszWhy);
}

void LeaveForError(RemovalReport& report, const CString& strWhat, DWORD err)
{
    if (err == kErrorLinkOnPath) return LeaveByRule(report, strWhat, kLinkReason);
    if (err == DWORD(kErrorRegistryLink)) return LeaveByRule(report, strWhat, kRegistryLinkReason);
    LeaveUnfinished(report, strWhat, RemovalErrorReason(err));
}
