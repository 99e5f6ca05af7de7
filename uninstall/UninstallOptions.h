// The uninstaller's command line: what it asks for (UninstallOptions), read from the arguments
// after the program's name; the usage text shown for /? and for an option it does not know; and
// the options that the program hands on when it starts itself again or starts its copy.
#pragma once

#include "AfxString.h"

struct UninstallOptions {
    bool bSilent = false;
    bool bHelp = false;
    bool bHandover = false;
    bool bStartedAgain = false;  // started again by itself for other rights: never again
    bool bFinish = false;        // the finishing run at a sign-in (kFinishSwitch)
    CString strLogFile;  // /LOG=, made full against the current directory; empty: no log
    CString strHandles;  // as given after /HANDOVER, taken only once checked
    CString strProgram;  // the first program's full path (its folder is the target)
    CString strLanguage;  // /LANG=TAG: the language of the windows and messages; empty: none
};

// Reads pszArguments (AfxCommandLine.h) into options. False when an option is not known, or when
// /LOG= names a file whose full path cannot be made; /S is taken wherever it stands, so that a
// silent run stays silent even about a bad option.
bool ParseUninstallOptions(const char* pszArguments, UninstallOptions& options);

// The text shown for /? and for an unknown option.
CString UninstallUsage();

// The options for this program started again or for its copy: what was asked (/S, or kFinishSwitch
// for the finishing run), with the log as a full path, quoted; "" when nothing was asked.
CString OptionsPassedOn(const UninstallOptions& options);
