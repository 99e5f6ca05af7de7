// zrvtool's check of a Setup.ini: the settings as the installer reads them, a dry run of the
// registry script with the installer's own interpreter, and warnings for the script's pitfalls.
// Used by `ini check` and by `medium`.
#pragma once

#include "SetupConfig.h"
#include "SetupExtensions.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace zrvtool {

struct IniCheck {
    bool bAccepted = false;  // the installer would read the settings (else config is partly filled)
    SetupConfig config;
    int nWarnings = 0;
    int nErrors = 0;         // a refused text, a failing script or a refused uninstall entry
    SetupScope scope = SetupScope::machine;      // for whom the product is installed (its Scope line)
    SetupScope preferred = SetupScope::machine;  // either: the choice offered first
    int nScopeLine = 0;                          // 0 without a Scope line
    bool bUtf8 = false;                          // the text says CodePage=65001
};

// Checks the Setup.ini file strName whose bytes are given. Writes the settings and the dry run to
// out, and each warning and error to diag as one line "strName:LINE: warning: ..." (or "error:";
// without LINE where none applies). Throws nothing of its own.
// A product that may be installed for one user (Scope=user or either) is dry-run as installed so,
// and each key line under HKEY_LOCAL_MACHINE or HKEY_USERS is an error of its own.
// With pTree, each Shortcut line's target must be a file of that directory tree (pszCarried names a
// file the payload gets besides the tree, Uninstal.exe, or is null).
// The code page is shown (CodePage line); a text that says CodePage=65001 must be well-formed UTF-8
// (an error naming the first line that is not). Languages= and AppDescription.TAG= are shown, a tag
// that neither the built-in tables (KnownLanguageTags) nor pExtraTags (an author's tables) have is
// a warning. nAddedLine names a line that the tool added to the author's text (the CodePage line of
// `medium`): messages name the author's lines, those after it one less.
IniCheck CheckSetupIni(const std::string& strName, const std::string& bytes, std::ostream& out, std::ostream& diag,
                       const std::string* pTree = nullptr, const char* pszCarried = nullptr,
                       const std::vector<std::string>* pExtraTags = nullptr, int nAddedLine = 0);

}  // namespace zrvtool
