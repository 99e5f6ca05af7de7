// Creating the installation's Start-menu shortcuts (Win32), after its files and registry.
#pragma once

#include "AfxFile.h"
#include "SetupExtensions.h"

// Creates each shortcut of ext in the Start menu's Programs\<strProduct> folder (the all-users one,
// or with bForOneUser the running user's own), pointing
// at its target below strInstallDir (no trailing backslash) and starting there, and appends the
// folder levels and shortcut files to log (ShortcutRules.h) before each is made; the caller has
// written the shortcut part's marker. A shortcut whose
// names break the rules, whose target is not installed, or that the shell refuses is left out: the
// product is installed without it. Returns the number made. Throws only what writing the log throws.
int CreateShortcuts(const SetupExtensions& ext, const CString& strProduct, const CString& strInstallDir, bool bForOneUser,
                    CFile& log);
