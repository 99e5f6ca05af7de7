// The launcher's command line: what it passes on to Setup.exe (AfxArgumentsOf: its arguments as
// they were written), and whether it was asked to be silent, read by the switch reader that
// Setup.exe reads the same arguments with, so the two always agree.
#pragma once

#include "AfxCommandLine.h"

// Whether the arguments of a whole command line hold /S as Setup.exe hears it: in any letter case,
// quoted or not, before any /D= (which takes the rest of the line); the program's own name does
// not count.
bool HasSilentSwitch(const char* pszCommandLine);

// The value of /LANG= among the arguments of a whole command line as Setup.exe hears them (the
// launcher passes it on with the rest); empty when there is none.
CString LanguageSwitch(const char* pszCommandLine);
