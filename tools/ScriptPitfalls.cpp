#include "ScriptPitfalls.h"

#include "InstallRecordFormat.h"

#include "AfxString.h"

#include <cctype>
#include <cstring>

namespace zrvtool {
namespace {

// What is known about one line when the table is consulted.
struct LineFacts {
    std::string s;               // the line's text without its line end
    bool bInScript = false;      // after the line of the first REGEDIT4
    bool bMarker = false;        // holds the first REGEDIT4
    bool bHeader = false;        // the section header: the first line after the first that is not skipped
    bool bFirstLfOnly = false;   // the first line that ends with a line feed alone
    bool bContinued = false;     // the line before ends with "," or "\\", as a list that goes on
    bool bScriptEndsHere = false;  // the installer's key lines ended here without failure...
    bool bLaterEffects = false;    // ...and a registry file would do something after it
    bool bReached = false;       // in the script and not after where the installer's key lines ended
    std::string strInstaller;    // what the installer does on this line
    std::string strRegFile;      // what a registry file would do
};

bool StartsExact(const std::string& s, size_t at, const char* prefix) { return s.compare(at, std::strlen(prefix), prefix) == 0; }

std::string TrimRight(std::string s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
    return s;
}

// A value line as the installer reads it: the name up to the next quote, then "=".
size_t InstallerNameEnd(const std::string& s) { return s.size() > 1 && s[0] == '"' ? s.find('"', 1) : std::string::npos; }

// Where the installer's value begins, or npos when the line is not a well-formed value line to it.
size_t InstallerValue(const std::string& s)
{
    size_t end = InstallerNameEnd(s);
    return end != std::string::npos && end + 1 < s.size() && s[end + 1] == '=' ? end + 2 : std::string::npos;
}

// The string of a string value as the installer takes it (to the next quote), or "" when there is none.
bool InstallerString(const std::string& s, std::string* pOut)
{
    size_t at = InstallerValue(s);
    if (at == std::string::npos || at >= s.size() || s[at] != '"') return false;
    size_t close = s.find('"', at + 1);
    *pOut = s.substr(at + 1, close == std::string::npos ? std::string::npos : close - at - 1);
    return true;
}

// Where the value begins as a registry file reads the line ("name" with escapes, blanks around "="),
// or npos when the line is no value line.
size_t AuthorValue(const std::string& s)
{
    size_t i = 1;
    if (s.empty()) return std::string::npos;
    if (s[0] == '"') {
        for (; i < s.size() && s[i] != '"'; ++i)
            if (s[i] == '\\' && i + 1 < s.size()) ++i;
        if (i == s.size()) return std::string::npos;
        ++i;
    } else if (s[0] != '@') {
        return std::string::npos;
    }
    while (i < s.size() && s[i] == ' ') ++i;
    if (i == s.size() || s[i] != '=') return std::string::npos;
    ++i;
    while (i < s.size() && s[i] == ' ') ++i;
    return i;
}

bool ValueStartsNoCase(const LineFacts& f, const char* prefix)
{
    size_t at = AuthorValue(f.s);
    return f.bInScript && at != std::string::npos && AfxStartsWithNoCase(f.s, at, prefix);
}

bool KeyStartsNoCase(const LineFacts& f, const char* const* roots)
{
    if (!f.bInScript || f.s.empty() || f.s[0] != '[') return false;
    for (; *roots; ++roots)
        if (AfxStartsWithNoCase(f.s, 1, *roots)) return true;
    return false;
}

const char* const kAbbreviations[] = {"HKLM\\", "HKCU\\", "HKCR\\", "HKU\\", "HKCC\\", nullptr};
const char* const kOtherRoots[] = {"HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA", nullptr};

// A key line that begins with one of the installer's roots and its backslash: in any case, or (bExact)
// as the installer compares them.
bool KeyStartsWithRoot(const LineFacts& f, bool bExact)
{
    if (!f.bInScript || f.s.empty() || f.s[0] != '[') return false;
    for (const char* pszRoot : kRegistryRoots) {
        const std::string prefix = std::string(pszRoot) + kRootSeparator;
        if (bExact ? StartsExact(f.s, 1, prefix.c_str()) : AfxStartsWithNoCase(f.s, 1, prefix.c_str())) return true;
    }
    return false;
}

enum PitfallKind {
    kLine,                // a test of the line's own text and place
    kFallback,            // consulted only when no row before it matched the line
    kFallbackWithEffects  // the same, and the message goes on with both effects
};

struct Pitfall {
    bool (*pfnMatch)(const LineFacts&);
    const char* pszMessage;
    PitfallKind kind;
};

// An odd number of backslashes at the end of s: its last one escapes what follows in a registry file.
bool EndsEscaping(const std::string& s)
{
    size_t n = 0;
    while (n < s.size() && s[s.size() - 1 - n] == '\\') ++n;
    return n % 2 == 1;
}

const Pitfall kPitfalls[] = {
    {[](const LineFacts& f) { return f.bMarker && f.s != "REGEDIT4"; },
     "the script starts after the first REGEDIT4 in the text, which is on this line: write the word only on "
     "the script's own line, after the settings", kLine},
    {[](const LineFacts& f) { return f.bHeader && !f.s.empty() && f.s[0] == '[' && f.s.find(']') == std::string::npos; },
     "the section header has no ] on its line: the product name runs on to the next ] in the text, and "
     "the product gets no uninstall entry", kLine},
    {[](const LineFacts& f) { return f.bFirstLfOnly; },
     "this line ends with a line feed alone: the installer ends lines only at CR LF, so it reads this line "
     "and the next as one", kLine},
    {[](const LineFacts& f) { return f.bInScript && !f.s.empty() && f.s[0] == '@'; },
     "@= (a key's default value) ends the script here: write \"\"= for the default value", kLine},
    {[](const LineFacts& f) { return f.bInScript && !f.s.empty() && f.s[0] == ';'; },
     "a ; comment ends the script here: begin comments with #", kLine},
    {[](const LineFacts& f) { return f.bInScript && !f.s.empty() && f.s[0] == '\t'; },
     "a line indented with a tab ends the script here: begin lines in the first column", kLine},
    {[](const LineFacts& f) { return f.bInScript && !f.s.empty() && f.s[0] == ' ' && !f.bContinued &&
                               f.s.find_first_not_of(" \t") != std::string::npos; },
     "a line indented with blanks is skipped: what it holds is never applied", kLine},
    {[](const LineFacts& f) { return f.bInScript && StartsExact(f.s, 0, "[-"); },
     "a key deletion [-...] fails the script: the installer only creates keys", kLine},
    {[](const LineFacts& f) { return KeyStartsNoCase(f, kAbbreviations); },
     "an abbreviated root fails the script: write HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE "
     "or HKEY_USERS in full", kLine},
    {[](const LineFacts& f) { return KeyStartsNoCase(f, kOtherRoots); },
     "this root fails the script: only HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_USERS "
     "are accepted", kLine},
    {[](const LineFacts& f) { return KeyStartsWithRoot(f, false) && !KeyStartsWithRoot(f, true); },
     "root names are case-sensitive: this key line fails the script", kLine},
    {[](const LineFacts& f) {
         size_t at = AuthorValue(f.s);
         return f.bInScript && f.s[0] == '"' && at != std::string::npos && f.s.compare(at, std::string::npos, "-") == 0;
     },
     "a value deletion =- fails the script: the installer only sets values", kLine},
    {[](const LineFacts& f) {
         size_t end = InstallerNameEnd(f.s);
         return f.bInScript && end != std::string::npos && EndsEscaping(f.s.substr(0, end));
     },
     "\\\" in a value's name ends the name there and fails the script: a name cannot hold a double quote", kLine},
    {[](const LineFacts& f) {
         size_t end = InstallerNameEnd(f.s);
         size_t at = AuthorValue(f.s);
         return f.bInScript && end != std::string::npos && at != std::string::npos && !EndsEscaping(f.s.substr(0, end)) &&
                InstallerValue(f.s) != at;
     },
     "a blank before or after = fails the script: write \"name\"=value", kLine},
    {[](const LineFacts& f) {
         std::string v;
         return f.bInScript && InstallerString(f.s, &v) && EndsEscaping(v);
     },
     "\\\" in a string ends the value there and the rest of the line is ignored: a value cannot hold a "
     "double quote", kLine},
    {[](const LineFacts& f) {
         std::string v;
         return f.bInScript && InstallerString(f.s, &v) && v.find("\\\\") != std::string::npos;
     },
     "\\\\ is stored as two backslashes: the installer takes a string as written, so write one", kLine},
    {[](const LineFacts& f) {
         return (ValueStartsNoCase(f, "dword:") && !ValueStartsNoCase(f, "dword:0x") &&
                 !StartsExact(f.s, AuthorValue(f.s), "dword:")) ||
                (ValueStartsNoCase(f, "hex:") && !StartsExact(f.s, AuthorValue(f.s), "hex:"));
     },
     "the type fails the script: write dword: and hex: in lower case", kLine},
    {[](const LineFacts& f) { return ValueStartsNoCase(f, "hex("); },
     "a typed hex(N): value fails the script: only \"text\", hex: (binary) and dword: are understood", kLine},
    {[](const LineFacts& f) { return ValueStartsNoCase(f, "hex:") && !TrimRight(f.s).empty() && TrimRight(f.s).back() == '\\'; },
     "a hex: list continued with \\ fails the script: write the whole list on one line", kLine},
    {[](const LineFacts& f) { return ValueStartsNoCase(f, "hex:") && !TrimRight(f.s).empty() && TrimRight(f.s).back() == ','; },
     "a hex: list that goes on to the next line keeps only the first byte there: write the whole list on "
     "one line", kLine},
    {[](const LineFacts& f) { return ValueStartsNoCase(f, "dword:0x"); },
     "dword:0x... stores 0: write up to eight hexadecimal digits without 0x", kLine},
    {[](const LineFacts& f) { return f.bScriptEndsHere && f.bLaterEffects; },
     "the script ends here, at a line that is not a key line: nothing after it is applied", kFallback},
    {[](const LineFacts& f) { return f.bReached && f.strInstaller != f.strRegFile; },
     "the installer does something else here than a registry file would", kFallbackWithEffects},
};

std::string Join(const std::string& a, const std::string& b) { return a.empty() ? b : a + "; " + b; }

// What the table needs to know of each line: its place in the text, and what the installer and a
// registry file do there.
std::vector<LineFacts> GatherFacts(const std::vector<TextLine>& lines, const DryRun& run,
                                   const std::vector<RegFileEffect>& regFile)
{
    std::vector<LineFacts> facts(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        facts[i].s = lines[i].strText;
        std::string before = i > 0 ? TrimRight(lines[i - 1].strText) : "";
        facts[i].bContinued = !before.empty() && (before.back() == ',' || before.back() == '\\');
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!lines[i].bCrLf && lines[i].bLf) {
            facts[i].bFirstLfOnly = true;
            break;
        }
    }
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& s = lines[i].strText;
        if (s.empty() || s[0] == '#' || s[0] == ' ') continue;
        facts[i].bHeader = true;
        break;
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].strText.find("REGEDIT4") == std::string::npos) continue;
        facts[i].bMarker = true;
        for (size_t j = i + 1; j < lines.size(); ++j) {
            facts[j].bInScript = true;
            int nLine = int(j) + 1;
            facts[j].bReached = run.bKeyLinesRan && (run.nEndLine == 0 || nLine <= run.nEndLine);
        }
        break;
    }
    for (const ScriptEffect& e : run.effects)
        if (e.nLine > 0) facts[size_t(e.nLine - 1)].strInstaller = Join(facts[size_t(e.nLine - 1)].strInstaller, e.strText);
    for (const RegFileEffect& e : regFile) {
        LineFacts& f = facts[size_t(e.nLine - 1)];
        f.strRegFile = Join(f.strRegFile, e.strText);
        if (run.nEndLine > 0 && e.nLine > run.nEndLine) facts[size_t(run.nEndLine - 1)].bLaterEffects = true;
    }
    if (run.nEndLine > 0 && run.strFailure.empty()) facts[size_t(run.nEndLine - 1)].bScriptEndsHere = true;
    return facts;
}

}  // namespace

std::vector<ScriptWarning> FindScriptPitfalls(const std::vector<TextLine>& lines, const DryRun& run,
                                              const std::vector<RegFileEffect>& regFile)
{
    std::vector<LineFacts> facts = GatherFacts(lines, run, regFile);
    std::vector<ScriptWarning> warnings;
    for (size_t i = 0; i < lines.size(); ++i) {
        const LineFacts& f = facts[i];
        bool bMatched = false;
        for (const Pitfall& p : kPitfalls) {
            if ((p.kind != kLine && bMatched) || !p.pfnMatch(f)) continue;
            std::string message = p.pszMessage;
            if (p.kind == kFallbackWithEffects)
                message += " (installer: " + (f.strInstaller.empty() ? std::string("nothing") : f.strInstaller) +
                           "; registry file: " + (f.strRegFile.empty() ? std::string("nothing") : f.strRegFile) + ")";
            warnings.push_back({int(i) + 1, message});
            bMatched = true;
        }
    }
    return warnings;
}

}  // namespace zrvtool
