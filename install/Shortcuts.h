// Creating the installation's Start-menu shortcuts (Win32), after its files and registry.
#pragma once

#include "AfxFile.h"
#include "SetupExtensions.h"

// Creates each shortcut of ext in the Start menu's Programs\<strProduct> folder (the all-users one,
// or with bForOneUser the running user's own), pointing
// at its target below strInstallDir (no trailing backslash) and starting there, and appends the
// folder levels and shortcut files to log (ShortcutRules.h) before each is made; the caller has
// written the shortcut part's marker. A shortcut whose names break the rules is left out (the
// author's tool refuses such a line). Returns the name of the first shortcut that could not be made
// (its target is not installed, the Start menu or the product's folder in it cannot be made, the
// shell refuses it); empty when every shortcut was made. Throws only what writing the log throws.
CString CreateShortcuts(const SetupExtensions& ext, const CString& strProduct, const CString& strInstallDir,
                        bool bForOneUser, CFile& log);
