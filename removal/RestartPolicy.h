// Which items a removal may leave to the next restart of the system (Win32): those inside an
// installation folder that the removing process holds and that only the trusted can change.
#pragma once

#include "AfxNoLinks.h"
#include "AfxString.h"

// Which items this process may arrange to be deleted at the next restart: those in strTarget (no
// trailing backslash), held as target, and that folder itself, when this process has the
// administrators' rights and nobody but SYSTEM, the administrators and the user running it can
// change the folder, nor any folder above it up to the volume's root (AfxClosedToUsers; the target
// itself goes at the restart too, so its folder must pass as well). A restart deletes by name, long
// after this process has let the folder go: where others can change a folder on the way, a name
// could by then lead elsewhere.
// Until this is called, nothing is arranged.
void AllowRestartBelow(const CFolderHandle& target, const CString& strTarget);
// Whether AllowRestartBelow allowed anything: false for a run without the administrators' rights.
bool RestartAllowed();

// Arranges for a file or an empty directory to be deleted at the next restart of the system; false
// when it is not allowed (AllowRestartBelow; then GetLastError is kErrorOpenToUsers, elevated) or
// the system refused (GetLastError says why).
// Folders must be arranged after what they hold: the restart deletes in the order arranged.
bool DeleteAtRestart(const CString& strPath);
