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
//   CodePage=65001|1252     how the medium's texts are written: those of Setup.ini (its registry
//                           script included) and the entry names of its disk image. 65001: UTF-8;
//                           1252: Windows-1252, as without the line, on every machine whatever its
//                           own code page. Any other value makes the medium one the installer refuses
//   Languages=TAG[,TAG...]  the languages the installer may speak (tags of its language tables,
//                           such as de, pt-BR, zh-CN), in the order it prefers them
//   AppDescription.TAG=TEXT the description in the language TAG, shown instead of AppDescription
//                           when the installer speaks that language
// A value runs up to the end of its line. A later DisplayVersion, Publisher, Scope, CodePage or
// Languages line replaces an earlier one. Other lines there are left alone. The CodePage line is
// ASCII, so it is found the same in a text of either code page before the text is converted
// (SetupTextToUtf8).
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

// The code pages a CodePage line may name.
constexpr int kMediumCodePage1252 = 1252;
constexpr int kMediumCodePageUtf8 = 65001;

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
    // The code page of the medium's texts and entry names: kMediumCodePage1252 (also without the
    // line) or kMediumCodePageUtf8; 0 when the last CodePage line names another (that line is in
    // bad too, and the medium is refused as broken).
    int nCodePage = kMediumCodePage1252;
    int nCodePageLine = 0;  // 0 when absent
    bool IsUtf8() const { return nCodePage == kMediumCodePageUtf8; }
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

// Turns a decoded Setup.ini text of the code page nCodePage (a SetupExtensions::nCodePage) into
// the UTF-8 that the programs work in: a Windows-1252 text is converted, a UTF-8 one checked.
// Returns FALSE, with pProblem filled when given and text unchanged, when nCodePage is none of
// the two or the UTF-8 text is not well-formed (the line of its first bad byte).
BOOL SetupTextToUtf8(std::string& text, int nCodePage, SetupIniProblem* pProblem = nullptr);
// The description for the language tag: AppDescription.TAG when given (letter case aside), else
// strPlain.
CString SetupDescriptionFor(const SetupExtensions& ext, const char* pszTag, const CString& strPlain);
