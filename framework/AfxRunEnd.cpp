// How a run ends: the one table (AfxRunEnd.h).
#include "AfxRunEnd.h"

namespace {

struct RunEndRow {
    RunEnd end;
    AfxExitCode nExitCode;
    const char* pszTextKey;
};

// In the enum's order, one row each.
constexpr RunEndRow kRunEnds[] = {
    {RunEnd::installed, kExitDone, "install.done"},
    {RunEnd::installedAtRestart, kExitRestartNeeded, "install.done_restart"},
    {RunEnd::refused, kExitRefused, nullptr},
    {RunEnd::failedBeforeChange, kExitRefused, nullptr},
    {RunEnd::stoppedAfterChange, kExitFailed, nullptr},
    {RunEnd::commandLineRefused, kExitRefused, nullptr},
    {RunEnd::setupIniUnusable, kExitRefused, nullptr},
    {RunEnd::logUnwritable, kExitRefused, nullptr},
    {RunEnd::scopeRefused, kExitRefused, nullptr},
    {RunEnd::otherScopeInstalled, kExitRefused, nullptr},
    {RunEnd::rightsUnavailable, kExitRefused, nullptr},
    {RunEnd::newerInstalled, kExitRefused, nullptr},
    {RunEnd::userLeft, kExitRefused, nullptr},
    {RunEnd::targetRefused, kExitRefused, nullptr},
    {RunEnd::workerNotStarted, kExitRefused, "install.start_failed"},
    {RunEnd::progressNotShown, kExitRefused, "install.progress_failed"},
    {RunEnd::targetIsLink, kExitRefused, nullptr},
    {RunEnd::recordNotBelieved, kExitRefused, nullptr},
    {RunEnd::handoverRefused, kExitRefused, nullptr},
    {RunEnd::removed, kExitDone, "outcome.removed"},
    {RunEnd::removedAtRestart, kExitRestartNeeded, "outcome.at_restart"},
    {RunEnd::removedAtSignIn, kExitRestartNeeded, "outcome.at_sign_in"},
    {RunEnd::notRemoved, kExitRefused, "outcome.not_removed"},
    {RunEnd::itemsLeft, kExitFailed, "outcome.left"},
    {RunEnd::bundleUnreadable, kExitRefused, "launcher.cannot_read"},
    {RunEnd::bundleIncomplete, kExitRefused, "launcher.incomplete"},
    {RunEnd::bundleDamaged, kExitRefused, "launcher.damaged"},
    {RunEnd::noRoomToUnpack, kExitRefused, "launcher.no_room"},
    {RunEnd::cannotUnpack, kExitRefused, "launcher.cannot_unpack"},
    {RunEnd::cannotStartSetup, kExitRefused, "launcher.cannot_start"},
};
static_assert(sizeof kRunEnds / sizeof kRunEnds[0] == kRunEndCount, "one row for every way a run ends");

constexpr bool InOrder()
{
    for (int i = 0; i < kRunEndCount; ++i)
        if (int(kRunEnds[i].end) != i) return false;
    return true;
}
static_assert(InOrder(), "the rows follow the enum");

}  // namespace

AfxExitCode RunEndExitCode(RunEnd end) { return kRunEnds[int(end)].nExitCode; }

const char* RunEndTextKey(RunEnd end) { return kRunEnds[int(end)].pszTextKey; }

bool IsRefusal(RunEnd end) { return end >= RunEnd::commandLineRefused && end <= RunEnd::handoverRefused; }
