// Reading the extension lines of Setup.ini.
#include "SetupExtensions.h"

#include "AfxCodePage.h"
#include "AfxNameCase.h"

#include <cstring>
#include <string>

namespace {

const char kScriptMarker[] = "REGEDIT4";

bool IsSkipped(const char* line) { return *line == '#' || *line == ' ' || *line == '\r'; }

int LineOf(const char* text, const char* p)
{
    int line = 1;
    for (const char* q = text; q < p; ++q)
        if (q[0] == '\r' && q[1] == '\n') ++line;
    return line;
}

void Note(std::vector<SetupIniProblem>& list, int nLine, const std::string& reason)
{
    SetupIniProblem problem;
    problem.m_strReason = reason.c_str();
    problem.m_nLine = nLine;
    list.push_back(problem);
}

bool SameNoCase(const CString& a, const CString& b) { return AfxSameName(a.Str(), b.Str()); }

void ReadShortcut(SetupExtensions& ext, const std::string& value, int nLine)
{
    size_t bar = value.find('|');
    if (bar == std::string::npos || bar == 0 || bar + 1 == value.size()) {
        Note(ext.bad, nLine, "a Shortcut line is NAME|PATH: a name, a bar and the installed file it starts");
        return;
    }
    SetupShortcut shortcut;
    shortcut.strName = value.substr(0, bar).c_str();
    shortcut.strTarget = value.substr(bar + 1).c_str();
    shortcut.nLine = nLine;
    for (const SetupShortcut& other : ext.shortcuts) {
        if (SameNoCase(other.strName, shortcut.strName)) {
            Note(ext.bad, nLine, "a second shortcut of that name (letter case aside): the first one is kept");
            return;
        }
    }
    ext.shortcuts.push_back(shortcut);
}

// A value it does not know leaves the scope as it was (machine unless a line said otherwise): an
// author's slip never makes a product install where the author did not mean it to.
void ReadScope(SetupExtensions& ext, const std::string& value, int nLine)
{
    const SetupScope scopes[] = {SetupScope::machine, SetupScope::user, SetupScope::either};
    for (SetupScope scope : scopes) {
        for (SetupScope preferred : {SetupScope::machine, SetupScope::user}) {
            bool bPlain = value == SetupScopeName(scope) && (scope != SetupScope::either || preferred == SetupScope::machine);
            bool bChoice = scope == SetupScope::either &&
                           value == std::string(SetupScopeName(scope)) + "|" + SetupScopeName(preferred);
            if (!bPlain && !bChoice) continue;
            ext.scope = scope;
            ext.preferred = scope == SetupScope::either ? preferred : scope;
            ext.nScopeLine = nLine;
            return;
        }
    }
    Note(ext.bad, nLine, "a Scope line is Scope=machine, Scope=user, Scope=either, Scope=either|machine or Scope=either|user");
}

void ReadCodePage(SetupExtensions& ext, const std::string& value, int nLine)
{
    ext.nCodePageLine = nLine;
    if (value == std::to_string(kMediumCodePageUtf8)) {
        ext.nCodePage = kMediumCodePageUtf8;
    } else if (value == std::to_string(kMediumCodePage1252)) {
        ext.nCodePage = kMediumCodePage1252;
    } else {
        ext.nCodePage = 0;
        Note(ext.bad, nLine, "a CodePage line is CodePage=65001 (UTF-8) or CodePage=1252 (Windows-1252)");
    }
}

// One line "Key=value" (the value up to the CR); false when the line is no such setting.
bool SplitSetting(const char* line, std::string& key, std::string& value)
{
    const char* cr = std::strchr(line, '\r');
    const char* eq = std::strchr(line, '=');
    if (!cr || !eq || eq > cr) return false;
    key.assign(line, eq);
    value.assign(eq + 1, cr);
    return true;
}

// Languages=de,fr,pt-BR: tags of letters, digits and '-'; a malformed list is dropped whole.
void ReadLanguages(SetupExtensions& ext, const std::string& value, int nLine)
{
    std::vector<std::string> tags;
    size_t at = 0;
    for (;;) {
        size_t comma = value.find(',', at);
        std::string tag = value.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        bool bSound = !tag.empty() && tag.size() <= 16;
        for (char ch : tag)
            bSound = bSound && ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '-');
        if (!bSound) {
            Note(ext.bad, nLine, "a Languages line is Languages=TAG,TAG... with tags such as de, pt-BR or zh-CN");
            return;
        }
        tags.push_back(tag);
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    ext.languages = tags;
    ext.nLanguagesLine = nLine;
}

const char kDescriptionKey[] = "AppDescription.";

}  // namespace

CString SetupDescriptionFor(const SetupExtensions& ext, const char* pszTag, const CString& strPlain)
{
    auto it = ext.descriptions.find(AfxLowerAscii(std::string(pszTag ? pszTag : "")));
    return it == ext.descriptions.end() ? strPlain : it->second;
}

const char* SetupScopeName(SetupScope scope)
{
    switch (scope) {
    case SetupScope::machine: return "machine";
    case SetupScope::user: return "user";
    case SetupScope::either: return "either";
    }
    return "machine";
}

BOOL ReadSetupExtensions(const char* pszText, SetupExtensions& ext, SetupIniProblem* pProblem)
{
    ext = SetupExtensions();
    std::string copy(pszText);
    SetupConfig config;
    char* pFourth = nullptr;
    if (!ParseSetupText(&copy[0], config, pProblem, &pFourth)) return FALSE;
    const char* text = copy.c_str();
    const char* marker = std::strstr(text, kScriptMarker);
    for (const char* line = pFourth;;) {
        const char* crlf = std::strstr(line, "\r\n");
        if (!crlf) break;
        line = crlf + 2;
        // A section header ends the settings, and so does the script's own line (the first that
        // holds its marker, a comment included); a last line without CR LF is no setting.
        const char* end = std::strstr(line, "\r\n");
        if (!end || *line == '[' || (marker && marker < end)) break;
        if (IsSkipped(line)) continue;
        std::string key, value;
        int nLine = LineOf(text, line);
        if (!SplitSetting(line, key, value)) {
            Note(ext.unknown, nLine, "this line after the four key lines is no setting the installer reads");
            continue;
        }
        if (key == "Shortcut") {
            ReadShortcut(ext, value, nLine);
        } else if (key == "DisplayVersion") {
            ext.strDisplayVersion = value.c_str();
            ext.nDisplayVersionLine = nLine;
        } else if (key == "Publisher") {
            ext.strPublisher = value.c_str();
            ext.nPublisherLine = nLine;
        } else if (key == "Scope") {
            ReadScope(ext, value, nLine);
        } else if (key == "CodePage") {
            ReadCodePage(ext, value, nLine);
        } else if (key == "Languages") {
            ReadLanguages(ext, value, nLine);
        } else if (key.compare(0, sizeof kDescriptionKey - 1, kDescriptionKey) == 0 && key.size() > sizeof kDescriptionKey - 1) {
            ext.descriptions[AfxLowerAscii(key.substr(sizeof kDescriptionKey - 1))] = value.c_str();
        } else {
            Note(ext.unknown, nLine,
                 "no setting the installer reads (those here are Shortcut, DisplayVersion, Publisher, Scope)");
        }
    }
    return TRUE;
}

BOOL SetupTextToUtf8(std::string& text, int nCodePage, SetupIniProblem* pProblem)
{
    SetupIniProblem problem;
    if (nCodePage == kMediumCodePage1252) {
        text = Cp1252ToUtf8(text);
        return TRUE;
    }
    if (nCodePage != kMediumCodePageUtf8) {
        problem.m_strReason = "the CodePage line names a code page the installer does not read (65001 or 1252)";
    } else {
        size_t nGood = Utf8Prefix(text);
        if (nGood == text.size()) return TRUE;
        problem.m_strReason = "the text is declared UTF-8 (CodePage=65001) but is not well-formed UTF-8";
        problem.m_nLine = LineOf(text.c_str(), text.c_str() + nGood);
    }
    if (pProblem) *pProblem = problem;
    return FALSE;
}
