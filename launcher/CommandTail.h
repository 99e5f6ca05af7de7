// The launcher's command line: what it passes on to Setup.exe, and whether it was asked to be
// silent. Both read the line as Windows programs split it into arguments.
#pragma once

// The arguments after the program's own name, as they were written (blanks before them skipped):
// the name ends at its closing quote when it starts with one, else at the first blank or tab.
const char* ArgumentsOf(const char* pszCommandLine);

// Whether one of the arguments is /S in any letter case (quoted or not); the program's own name
// does not count.
bool HasSilentSwitch(const char* pszCommandLine);
