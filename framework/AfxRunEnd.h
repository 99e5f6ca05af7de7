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
    refused,             // the worker refused before anything was touched; it told why
    failedBeforeChange,  // failed or cancelled after a look at the target, before the record began
    stoppedAfterChange,  // failed or cancelled after the record began; it lists what is there
    // Setup.exe or Uninstal.exe refused before anything was touched; each told why in its own words
    commandLineRefused,  // a command line that cannot be read, or one that asks for the usage
    setupIniUnusable,    // Setup.ini missing or damaged (a windowed run ends without a word)
    logUnwritable,       // the /LOG= file cannot be made, or is a file of the medium
    scopeRefused,        // the medium does not install for whom the switches or its script ask
    otherScopeInstalled, // the product is installed for the other scope
    rightsUnavailable,   // the rights that the installation's scope needs cannot be had
    newerInstalled,      // a newer version is installed and no downgrade was allowed
    userLeft,            // the user left a question or dialog
    targetRefused,       // the target failed a check (a silent run has nobody to choose another)
    workerNotStarted,    // the worker's thread could not be made
    progressNotShown,    // the progress dialog did not open, so the worker was let go unstarted
    targetIsLink,        // the installation's folder is reached through a link
    recordNotBelieved,   // the record is missing, damaged or not vouched for
    handoverRefused,     // a copy asked to work for a program that is not the one it names
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
// True for the refusals of either program before anything was touched: the machine is as it was.
bool IsRefusal(RunEnd end);
