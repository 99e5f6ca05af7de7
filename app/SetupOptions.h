// The installer's command line. Without /S every argument is ignored and the installer runs with
// its windows as always. With /S it installs without any window:
//
//   Setup.exe /S [/LOG=FILE] [/DOWNGRADE] [/ALLUSERS | /CURRENTUSER] [/D=PATH]
//
// /DOWNGRADE lets the run replace an installed version of the product that is newer than the
// medium's; without it such a run installs nothing. /ALLUSERS and /CURRENTUSER choose, for a
// product that may be installed either way, between an installation for everyone and one for the
// user who runs the installer; they are read without /S too (the windowed run then asks nothing
// about it: an installer that starts itself again with administrator rights passes /ALLUSERS).
//
// /LANG=TAG chooses the language of the windows and messages (a tag of the installer's language
// tables, such as de or pt-BR); an unknown tag is as if none were given. A silent run writes its log
// in English whatever the tag.
//
// The bundle's launcher, which runs the installer in a folder of its own, puts /CALLERDIR=DIR
// first: the current directory of its caller, against which a relative /LOG= or /D= is taken.
// Only the command line names it, never an environment that anyone may have set.
//
// The line is read as every program of the system reads its switches (AfxCommandLine.h): options
// are not case-sensitive and are separated by blanks; a value may be quoted ("/LOG=C:\My
// Logs\setup.txt" or /LOG="C:\My Logs\setup.txt"). /D= takes the whole rest of the command line,
// blanks included, so it comes last: a /S after it is part of the folder's name. One backslash
// closing the folder is dropped (except after a drive root). Anything else under /S is refused:
// the installer then installs nothing.
#pragma once

#include "AfxString.h"

struct SetupOptions {
    BOOL bSilent = FALSE;
    BOOL bHasTarget = FALSE;  // /D= was given: strTarget replaces the configured directory
    CString strTarget;
    CString strLogFile;  // /LOG=; empty: no log
    CString strCallerDir;  // /CALLERDIR=; empty: relative paths are the installer's own
    BOOL bAllowDowngrade = FALSE;  // /DOWNGRADE: an older version may replace the installed one
    BOOL bAllUsers = FALSE;        // /ALLUSERS: for everyone
    BOOL bCurrentUser = FALSE;     // /CURRENTUSER: for the user who runs the installer
    BOOL bStartedAgain = FALSE;    // this program started again by itself (AfxElevation.h): never again
    CString strLanguage;           // /LANG=TAG: the language of the windows and messages; empty: none
    CString strError;    // the first problem of a silent command line, as a message; empty: none
};

// Reads pszCommandLine (the text after the program's name; null is taken as empty). Always fills
// bSilent, bAllUsers, bCurrentUser, bStartedAgain and strLanguage; the rest is read only under /S.
SetupOptions ParseSetupOptions(const char* pszCommandLine);
