// zrvtool's check of a Setup.ini (IniCheck.h): its settings, code page, languages, extension lines
// and registry script, reported line by line as the installer would take them.
#include "IniCheck.h"

#include "HostFile.h"
#include "AfxCodePage.h"
#include "CodePage.h"
#include "LanguageTables.h"
#include "SetupText.h"
#include "RegFileReading.h"
#include "RegistryScript.h"
#include "SameName.h"
#include "SetupExtensions.h"
#include "ShortcutRules.h"
#include "ToolCommon.h"
#include "ScriptDryRun.h"
#include "ScriptPitfalls.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <cstring>
#include <filesystem>
#include <ostream>

namespace zrvtool {

namespace {

std::string Where(const std::string& strName, int nLine)
{
    return nLine > 0 ? strName + ":" + std::to_string(nLine) + ": " : strName + ": ";
}

void PrintSettings(const SetupConfig& c, std::ostream& out)
{
    out << "Product: " << c.m_strProductName << "\n"
        << "AppDescription: " << c.m_strAppDescription << "\n"
        << "DiskImage: " << c.m_strDiskImage << "\n"
        << "DefaultDir: " << c.m_strInstallDir << "\n"
        << "FreeSpace: " << c.m_nFreeSpaceMB << " MB\n";
}

void PrintDryRun(const DryRun& run, const SetupConfig& config, std::ostream& out)
{
    if (!run.bHasScript) {
        out << "Registry script: none (no REGEDIT4 in the text; no uninstall entry is registered)\n";
        return;
    }
    out << "Registry script: REGEDIT4 on line " << run.nMarkerLine << (run.bForOneUser ? ", installed for one user" : "")
        << ", %INSTALLPATH% = " << config.m_strInstallDir << "\n";
    for (const ScriptEffect& e : run.effects)
        if (e.nLine > 0) out << "  " << e.nLine << ": " << e.strText << "\n";
    if (run.bRefused)
        out << "  " << run.nEndLine << ": the script is refused whole here, and nothing of it is written: " << run.strFailure
            << "\n";
    else if (!run.strFailure.empty())
        out << "  " << run.nEndLine << ": the script fails here: " << run.strFailure << "\n";
    else if (run.nEndLine > 0)
        out << "  " << run.nEndLine << ": the script ends here: the line is not a key line\n";
    else
        out << "  the script ends at the end of the text\n";
    if (!run.bUninstallTried) {
        out << "  no uninstall entry is registered\n";
        return;
    }
    // The payload's size is known only when a medium is made: the dry run shows where it goes.
    const std::string sizeValue = "value \"EstimatedSize\" REG_DWORD ";
    for (const ScriptEffect& e : run.effects) {
        if (e.nLine != 0) continue;
        bool bSize = e.strText.compare(0, sizeValue.size(), sizeValue) == 0;
        out << "  uninstall entry: " << (bSize ? sizeValue + "(the unpacked payload in KB)" : e.strText) << "\n";
    }
    if (!run.bResult) out << "  the uninstall entry fails: the product name cannot name it\n";
}

bool IsUtf8Text(const std::string& text, size_t* pFirstHigh)
{
    size_t first = std::string::npos;
    for (size_t i = 0; i < text.size(); ++i)
        if ((unsigned char)text[i] >= 0x80) {
            first = i;
            break;
        }
    if (first == std::string::npos) return false;
    // Accented letters of a code-page text are lone bytes above 127: they almost never form UTF-8
    // sequences, so a text that does was written in UTF-8.
    for (size_t i = 0; i < text.size();) {
        unsigned char c = (unsigned char)text[i];
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > text.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if (((unsigned char)text[i + k] >> 6) != 2) return false;
        i += n;
    }
    if (pFirstHigh) *pFirstHigh = first;
    return true;
}

// The Scope line's value as the author wrote it (either alone and either|machine mean the same).
std::string ScopeText(const IniCheck& check)
{
    std::string text = SetupScopeName(check.scope);
    if (check.scope == SetupScope::either && check.preferred == SetupScope::user) text += "|user";
    return text;
}

std::string ScopeMeaning(const IniCheck& check)
{
    switch (check.scope) {
    case SetupScope::machine: return "for every user of the machine; Setup.exe asks for administrator rights";
    case SetupScope::user: return "for the user who runs Setup.exe, without administrator rights";
    case SetupScope::either: break;
    }
    return std::string("for every user or for one, as the person who installs chooses; offered first: ") +
           (check.preferred == SetupScope::user ? "for one user" : "for every user");
}

bool MayInstallForOneUser(const IniCheck& check) { return check.scope != SetupScope::machine; }

// Where an installation for one user goes unless the person who installs chooses otherwise: the
// user's own programs folder, in a folder named as DefaultDir's last part.
CString InstallDirForOneUser(const CString& strDefaultDir)
{
    std::string dir = strDefaultDir.Str();
    while (!dir.empty() && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
    size_t slash = dir.find_last_of("\\/");
    std::string last = slash == std::string::npos ? dir : dir.substr(slash + 1);
    if (last.find(':') != std::string::npos) last.clear();
    return CString(("%LOCALAPPDATA%\\Programs" + (last.empty() ? std::string() : "\\" + last)).c_str());
}

// The 1-based line of each key line that the installer refuses in a script for one user, found by
// the installer's own rule: the first by FindMachineWideLine on the text, each further one by the
// same rule on a marker line followed by the rest of the text.
std::vector<int> MachineWideLines(const std::string& text, const std::vector<TextLine>& lines)
{
    static const char kMarkerLine[] = "REGEDIT4\r\n";
    std::vector<int> found;
    const char* pText = text.c_str();
    for (const char* p = RegistryScript::FindMachineWideLine(pText); p;) {
        found.push_back(LineNumberAt(lines, size_t(p - pText)));
        const char* pEnd = std::strstr(p, "\r\n");
        if (!pEnd) break;
        std::string rest = kMarkerLine + std::string(pEnd + 2);
        const char* q = RegistryScript::FindMachineWideLine(rest.c_str());
        p = q ? pEnd + 2 + (q - rest.c_str() - (sizeof kMarkerLine - 1)) : nullptr;
    }
    return found;
}

// A registry file's keys under HKEY_CLASSES_ROOT as an installation for one user writes them, so
// that they compare with what the installer does.
void AsUserClasses(std::vector<RegFileEffect>& effects)
{
    const std::string from = DescribeKey("HKEY_CLASSES_ROOT", "");
    const std::string to = DescribeKey("HKEY_CURRENT_USER", "Software\\Classes\\");
    for (RegFileEffect& e : effects)
        if (e.strText.compare(0, from.size(), from) == 0) e.strText = to + e.strText.substr(from.size());
}

using Report = std::function<void(int, const char*, const std::string&)>;

// The code page the text says it is in, shown; a UTF-8 text's first line that is not UTF-8 is an
// error, as the installer would show it wrongly.
void CheckCodePage(const std::string& text, std::ostream& out, const Report& report, IniCheck& check)
{
    CodePageLine line = ReadCodePageLine(text);
    if (line.nBadLine > 0) {
        report(line.nBadLine, "error", kCodePageLineRule);
        ++check.nErrors;
    }
    check.bUtf8 = line.nLine > 0 && line.cp == CodePage::utf8;
    out << "Code page: " << CodePageName(line.cp)
        << (line.nLine > 0 ? " (CodePage=" + std::to_string(CodePageNumber(line.cp)) + ")" : " (no CodePage line)")
        << "\n";
    if (check.bUtf8) {
        if (int nBad = FirstMalformedUtf8Line(text)) {
            report(nBad, "error", "the line is not well-formed UTF-8, which CodePage=65001 says the text is");
            ++check.nErrors;
        }
    }
}

// The language lines among the extension lines. They are read here until the settings' own reader
// (config/SetupExtensions) knows them: Languages=TAG[,TAG...] and AppDescription.TAG=TEXT.
void CheckLanguages(const std::string& text, const std::vector<std::string>* pExtraTags, std::ostream& out,
                    const Report& report, IniCheck& check)
{
    std::vector<std::string> known = KnownLanguageTags();
    if (pExtraTags) known.insert(known.end(), pExtraTags->begin(), pExtraTags->end());
    // Tags are compared without letter case, as the installer compares them.
    auto sameLetters = [](char a, char b) { return std::tolower((unsigned char)a) == std::tolower((unsigned char)b); };
    auto isKnown = [&](const std::string& tag) {
        return std::any_of(known.begin(), known.end(), [&](const std::string& k) {
            return k.size() == tag.size() && std::equal(k.begin(), k.end(), tag.begin(), sameLetters);
        });
    };
    auto warnUnknown = [&](int nLine, const std::string& tag) {
        report(nLine, "warning",
               "no language table has the tag '" + tag + "' (give its table with --language, or use one of the built-in tags)");
        ++check.nWarnings;
    };
    ForEachExtensionLine(text, [&](const std::string& line, int nLine) {
        if (line.compare(0, 10, "Languages=") == 0) {
            std::string shown, value = line.substr(10);
            for (size_t at = 0; at <= value.size();) {
                size_t comma = value.find(',', at);
                if (comma == std::string::npos) comma = value.size();
                std::string tag = value.substr(at, comma - at);
                at = comma + 1;
                if (tag.empty()) {
                    report(nLine, "error", "an empty tag in Languages=: the list is TAG[,TAG...]");
                    ++check.nErrors;
                    continue;
                }
                if (!isKnown(tag)) warnUnknown(nLine, tag);
                shown += (shown.empty() ? "" : ", ") + tag;
            }
            out << "Languages: " << shown << "\n";
        } else if (line.compare(0, 15, "AppDescription.") == 0 && line.find('=') != std::string::npos) {
            size_t eq = line.find('=');
            std::string tag = line.substr(15, eq - 15);
            out << "AppDescription (" << tag << "): " << line.substr(eq + 1) << "\n";
            if (!isKnown(tag)) warnUnknown(nLine, tag);
        }
    });
}

// The extension lines that this tool reads itself (CodePage, Languages, AppDescription.TAG), which
// the settings' reader may not know yet: not "unknown" to the author.
bool ReadHere(const std::string& text, int nLine)
{
    bool bMine = false;
    ForEachExtensionLine(text, [&](const std::string& line, int n) {
        if (n == nLine)
            bMine = line.compare(0, 9, "CodePage=") == 0 || line.compare(0, 10, "Languages=") == 0 ||
                    (line.compare(0, 15, "AppDescription.") == 0 && line.find('=') != std::string::npos);
    });
    return bMine;
}

// The extension lines: printed with the settings, their problems reported, and with a tree, each
// shortcut's target looked for in it.
void CheckExtensions(const std::string& text, const SetupConfig& config, const std::string* pTree,
                     const char* pszCarried, std::ostream& out,
                     const std::function<void(int, const char*, const std::string&)>& report, IniCheck& check)
{
    SetupExtensions ext;
    if (!ReadSetupExtensions(text.c_str(), ext)) return;
    if (!ext.strDisplayVersion.IsEmpty()) out << "DisplayVersion: " << ext.strDisplayVersion << "\n";
    if (!ext.strPublisher.IsEmpty()) out << "Publisher: " << ext.strPublisher << "\n";
    check.scope = ext.scope;
    check.nScopeLine = ext.nScopeLine;
    check.preferred = ext.preferred;
    if (ext.nScopeLine > 0) out << "Scope: " << ScopeText(check) << " (" << ScopeMeaning(check) << ")\n";
    // The lines read here are told of here only, whether the settings' reader knows them or not.
    for (const SetupIniProblem& p : ext.bad) {
        if (ReadHere(text, p.m_nLine)) continue;
        report(p.m_nLine, "error", p.m_strReason.Str());
        ++check.nErrors;
    }
    for (const SetupIniProblem& p : ext.unknown) {
        if (ReadHere(text, p.m_nLine)) continue;
        report(p.m_nLine, "warning", p.m_strReason.Str());
        ++check.nWarnings;
    }
    for (const SetupShortcut& s : ext.shortcuts) {
        out << "Shortcut: " << s.strName << " -> " << s.strTarget << "\n";
        if (const char* why = CheckShortcut(config.m_strProductName, s.strName, s.strTarget)) {
            report(s.nLine, "error", why);
            ++check.nErrors;
            continue;
        }
        if (!pTree) continue;
        std::filesystem::path target = zrv::HostPath(*pTree);
        // The tree's names are UTF-8, as the tool reads them; a text in Windows-1252 (a medium's)
        // names them in its own code page.
        const std::string name = IsUtf8(s.strTarget.Str()) ? s.strTarget.Str() : Cp1252ToUtf8(s.strTarget.Str());
        std::string relative = name;
        for (char& ch : relative)
            if (ch == '\\') ch = '/';
        target /= zrv::HostPath(relative);
        std::error_code ec;
        bool bCarried = pszCarried && SameEntryPath(s.strTarget.Str(), pszCarried);
        if (!bCarried && !std::filesystem::is_regular_file(std::filesystem::symlink_status(target, ec))) {
            report(s.nLine, "error", "the shortcut's target '" + name + "' is not a file of '" + *pTree + "'");
            ++check.nErrors;
        }
    }
}

// The line of the section header, where the product name comes from.
int HeaderLine(const std::vector<TextLine>& lines)
{
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& s = lines[i].strText;
        if (!s.empty() && s[0] != '#' && s[0] != ' ') return int(i) + 1;
    }
    return 0;
}

}  // namespace

IniCheck CheckSetupIni(const std::string& strName, const std::string& bytes, std::ostream& out, std::ostream& diag,
                       const std::string* pTree, const char* pszCarried, const std::vector<std::string>* pExtraTags,
                       int nAddedLine)
{
    IniCheck check;
    bool bPlain = false;
    std::string text = DecodeSetupIni(bytes, &bPlain);
    // A plain text is checked as medium and ini encode would store it: without a byte-order mark,
    // its lines ended by CR LF. A stored text is checked as the installer reads it.
    if (bPlain) text = StoredLines(strName, text, diag);
    // The installer's reading stops at the first zero byte, as it does on its own buffer.
    text.resize(std::strlen(text.c_str()));
    std::vector<TextLine> lines = SplitLines(text);

    // Diagnostics in line order; within a line, in the order found.
    std::vector<std::pair<int, std::string>> diagnostics;
    auto report = [&](int nLine, const char* pszKind, const std::string& strMessage) {
        int nAuthors = nAddedLine > 0 && nLine > nAddedLine ? nLine - 1 : nLine == nAddedLine ? 0 : nLine;
        diagnostics.emplace_back(nLine, Where(strName, nAuthors) + pszKind + ": " + strMessage);
    };

    std::string parsed = text;
    SetupIniProblem problem;
    check.bAccepted = ParseSetupText(&parsed[0], check.config, &problem) != FALSE;
    DryRun run;
    SetupConfig scriptConfig = check.config;
    if (!check.bAccepted) {
        report(problem.m_nLine, "error", problem.m_strReason.Str());
        ++check.nErrors;
    } else {
        out << strName << ": " << (bPlain ? "plain text" : "stored form") << "\n";
        CheckCodePage(text, out, report, check);
        PrintSettings(check.config, out);
        CheckExtensions(text, check.config, pTree, pszCarried, out, report, check);
        CheckLanguages(text, pExtraTags, out, report, check);
        if (MayInstallForOneUser(check)) scriptConfig.m_strInstallDir = InstallDirForOneUser(check.config.m_strInstallDir);
        run = DryRunScript(text, lines, scriptConfig, MayInstallForOneUser(check));
        PrintDryRun(run, scriptConfig, out);
    }

    size_t firstHigh = 0;
    if (!check.bUtf8 && IsUtf8Text(text, &firstHigh)) {
        std::string converted;
        if (Utf8ToCp1252(text, converted))
            report(LineNumberAt(lines, firstHigh), "warning",
                   "the text is UTF-8, but the installer reads Windows-1252 and would show each accented letter as two "
                   "(medium converts it; save it in Windows-1252 to store it as it is)");
        else
            report(LineNumberAt(lines, firstHigh), "warning",
                   "the text is UTF-8 with characters that Windows-1252 lacks, but says no CodePage=65001, so the "
                   "installer reads it as Windows-1252 (medium and ini encode add the line)");
        ++check.nWarnings;
    }
    std::vector<RegFileEffect> regFile;
    if (run.nMarkerLine > 0) regFile = ReadAsRegistryFile(lines, size_t(run.nMarkerLine), scriptConfig.m_strInstallDir.Str());
    if (run.bForOneUser) AsUserClasses(regFile);
    for (const ScriptWarning& w : FindScriptPitfalls(lines, run, regFile)) {
        report(w.nLine, "warning", w.strMessage);
        ++check.nWarnings;
    }
    if (check.bAccepted && MayInstallForOneUser(check)) {
        // Each such line is told, not only the first that the installer stops at.
        for (int nLine : MachineWideLines(text, lines)) {
            report(nLine, "error",
                   std::string(RegistryScript::kMachineWideReason) + ": with Scope=" + ScopeText(check) +
                       ", an installation for one user refuses the whole script and registers no uninstall entry");
            ++check.nErrors;
        }
    }
    if (!run.strFailure.empty() && !run.bRefused) {  // a refused script was told above, line by line
        report(run.nEndLine, "error",
               "the registry script fails here: " + run.strFailure +
                   "; nothing after it is applied, and the installation ends failed (exit code 2) with the "
                   "product registered all the same");
        ++check.nErrors;
    } else if (run.bUninstallTried && !run.bResult) {
        report(HeaderLine(lines), "error", "the product name cannot name an uninstall entry");
        ++check.nErrors;
    }
    std::stable_sort(diagnostics.begin(), diagnostics.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& d : diagnostics) diag << d.second << "\n";
    return check;
}

}  // namespace zrvtool
