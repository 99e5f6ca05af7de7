// The exit codes that Setup.exe, the bundle's launcher and Uninstal.exe share, windowed or silent,
// so that one script or deployment tool reads them all alike.
#pragma once

enum AfxExitCode {
    kExitDone = 0,             // everything asked for is done
    kExitRefused = 1,          // refused, or failed, before any change (the machine is as it was)
    kExitFailed = 2,           // failed or cancelled after a change: the record lists what is there
    kExitRestartNeeded = 3010  // done, but some files are replaced or removed only when Windows restarts
};
