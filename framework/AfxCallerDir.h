// The caller's current directory, carried to a program started in another one.
//
// The bundle launcher runs Setup.exe in a private temporary folder, its current directory, since
// Setup.exe reads its medium from there. Paths that the caller wrote relative to its own current
// directory (/LOG=setup.log, /D=Product) would then point into that folder, which is removed at the
// end. So the launcher names its current directory in the environment of the program it starts, and
// that program takes relative paths of its command line against it. It names it on the command
// line, never in the environment, which the program would inherit from anyone who set it.
#pragma once

#include "AfxString.h"

// strPath taken against the directory strDir (a full path: "C:\Dir" or "\\server\share\dir"):
// "name" and "..\name" are joined to strDir, "\name" to strDir's drive or share, "X:name" to strDir
// when X is strDir's drive and to the root of X otherwise. A full path ("C:\name", "\\server\...")
// and an empty one are returned unchanged, and so is any path when strDir is empty. '/' counts as
// '\'. Nothing is normalised: the checks of a target see the path as joined.
CString AfxPathAgainst(const CString& strDir, const CString& strPath);

// The option that names the caller's directory: "/CALLERDIR=".
extern const char kAfxCallerDirOption[];

#ifdef _WIN32
// The option naming this program's current directory, quoted, to put first on the command line
// of a program it starts; empty when the directory cannot be told.
CString AfxCallerDirArgument();
#endif
