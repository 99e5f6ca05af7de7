// How a run of any of the programs ends: Setup.exe, the bundle's launcher and Uninstal.exe each end
// in one of these, and the table behind them gives each one exit code (AfxExitCodes.h) and the key
// of the text that says it (AfxText.h), so that what a script reads and what a person reads agree.
// Portable.
#pragma once

#include "AfxExitCodes.h"

enum class RunEnd {
    // Setup.exe
    installed,           // everything is in place
    installedAtRestart,  // in place once Windows has restarted (files that were in use)
    refused,             // refused before anything was touched; the run told why
    failedBeforeChange,  // failed or cancelled after a look at the target, before the record began
    stoppedAfterChange,  // failed or cancelled after the record began; it lists what is there
    // Uninstal.exe
    removed,             // everything listed is gone
    removedAtRestart,    // gone once Windows has restarted
    removedAtSignIn,     // gone once the user next signs in (files in use, no administrator)
    notRemoved,          // nothing was removed and nothing waits
    itemsLeft,           // removed, but some items were left in place
    // the bundle's launcher, before Setup.exe ran
    bundleUnreadable,    // its own file cannot be read
    bundleIncomplete,    // cut short
    bundleDamaged,       // a checksum does not match
    noRoomToUnpack,      // the temporary folder's drive is full
    cannotUnpack,        // the private folder cannot be made or written
    cannotStartSetup,    // the unpacked Setup.exe does not start
};
constexpr int kRunEndCount = int(RunEnd::cannotStartSetup) + 1;

// The exit code of a run that ends so.
AfxExitCode RunEndExitCode(RunEnd end);
// The key of the text that says so (some take the product's name or a path); null where the run
// has told it in its own words already (a refusal names its cause).
const char* RunEndTextKey(RunEnd end);
