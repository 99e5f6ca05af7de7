// The extension lines of Setup.ini: settings that follow the section's four key lines.
//
// The installer's reading of the settings stops at the fourth key line, so an installer that
// knows nothing of these lines never looks at them. They stand after the fourth key line and
// before the registry script's REGEDIT4 line (or another section header, or the end of the text),
// one setting a line, skipped lines (#, blank, empty) as anywhere else:
//   Shortcut=NAME|PATH      a Start-menu shortcut NAME (its file NAME.lnk) to the installed file
//                           PATH, relative to the target directory; one line per shortcut
//   DisplayVersion=TEXT     the product's version, shown by the list of installed programs
//   Publisher=TEXT          the product's publisher, shown there too
//   Scope=machine|user|either[|machine|user]
//                           for whom the product is installed: every user of the machine
//                           (machine, as without the line: elevated, a machine-wide folder and
//                           entry), the user who runs the installer (user: not elevated, a folder
//                           under the user's profile, the user's own entry and Start menu), or as
//                           the person who installs chooses (either, after a bar the choice
//                           offered first: machine when none is named)
//   Languages=TAG[,TAG...]  the languages the installer may speak (tags of its language tables,
//                           such as de, pt-BR, zh-CN), in the order it prefers them
//   AppDescription.TAG=TEXT the description in the language TAG, shown instead of AppDescription
//                           when the installer speaks that language
// A value runs up to the end of its line. A later DisplayVersion, Publisher or Scope line replaces
// an earlier one. Other lines there are left alone.
#pragma once

#include "SetupConfig.h"

#include <map>
#include <string>
#include <vector>

struct SetupShortcut {
    CString strName;    // the link's name, without ".lnk"
    CString strTarget;  // the installed file, relative to the target directory
    int nLine = 0;      // 1-based line of Setup.ini
};

enum class SetupScope { machine, user, either };

// The name of a scope as the Scope line spells it.
const char* SetupScopeName(SetupScope scope);

struct SetupExtensions {
    std::vector<SetupShortcut> shortcuts;
    CString strDisplayVersion;
    CString strPublisher;
    int nDisplayVersionLine = 0;  // 0 when absent
    int nPublisherLine = 0;
    SetupScope scope = SetupScope::machine;
    SetupScope preferred = SetupScope::machine;  // either: the choice offered first; else as scope
    int nScopeLine = 0;  // 0 when absent
    std::vector<std::string> languages;  // Languages=, in its order; empty when absent
    int nLanguagesLine = 0;
    // AppDescription.TAG=: the tag in lower case -> the description
    std::map<std::string, CString> descriptions;
    // Lines that the installer skips and an author would want to hear of: a malformed or repeated
    // shortcut (bad), a line that is no setting it knows (unknown).
    std::vector<SetupIniProblem> bad;
    std::vector<SetupIniProblem> unknown;
};

// Reads the extension lines of a decoded zero-terminated Setup.ini text. Returns FALSE, with
// pProblem filled when given, when the text is one the installer refuses (ParseSetupText); then
// ext is empty. The text is unchanged afterwards.
BOOL ReadSetupExtensions(const char* pszText, SetupExtensions& ext, SetupIniProblem* pProblem = nullptr);

// The description for the language tag: AppDescription.TAG when given (letter case aside), else
// strPlain.
CString SetupDescriptionFor(const SetupExtensions& ext, const char* pszTag, const CString& strPlain);
