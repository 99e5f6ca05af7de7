#include "IniCheck.h"

#include "RegFileReading.h"
#include "ScriptDryRun.h"
#include "ScriptPitfalls.h"

#include <algorithm>
#include <cstring>
#include <ostream>

namespace zrvtool {

std::string ChainSetupIni(const std::string& text)
{
    std::string stored = text;
    for (size_t k = 1; k < stored.size(); ++k) stored[k] = char(text[k] ^ stored[k - 1]);
    return stored;
}

std::string UnchainSetupIni(const std::string& stored)
{
    std::string text = stored;
    for (size_t k = text.size(); k-- > 1;) text[k] = char(stored[k] ^ stored[k - 1]);
    return text;
}

std::string DecodeSetupIni(const std::string& bytes, bool* pbPlain)
{
    // A stored text that the installer accepts begins with "I" and 0x07, never with "INSTALL4".
    bool bPlain = bytes.compare(0, 8, "INSTALL4") == 0;
    if (pbPlain) *pbPlain = bPlain;
    return bPlain ? bytes : UnchainSetupIni(bytes);
}

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
    out << "Registry script: REGEDIT4 on line " << run.nMarkerLine << ", %INSTALLPATH% = " << config.m_strInstallDir
        << "\n";
    for (const ScriptEffect& e : run.effects)
        if (e.nLine > 0) out << "  " << e.nLine << ": " << e.strText << "\n";
    if (!run.strFailure.empty())
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

IniCheck CheckSetupIni(const std::string& strName, const std::string& bytes, std::ostream& out, std::ostream& diag)
{
    IniCheck check;
    bool bPlain = false;
    std::string text = DecodeSetupIni(bytes, &bPlain);
    // The installer's reading stops at the first zero byte, as it does on its own buffer.
    text.resize(std::strlen(text.c_str()));
    std::vector<TextLine> lines = SplitLines(text);

    // Diagnostics in line order; within a line, in the order found.
    std::vector<std::pair<int, std::string>> diagnostics;
    auto report = [&](int nLine, const char* pszKind, const std::string& strMessage) {
        diagnostics.emplace_back(nLine, Where(strName, nLine) + pszKind + ": " + strMessage);
    };

    std::string parsed = text;
    SetupIniProblem problem;
    check.bAccepted = ParseSetupText(&parsed[0], check.config, &problem) != FALSE;
    DryRun run;
    if (!check.bAccepted) {
        report(problem.m_nLine, "error", problem.m_strReason.Str());
        ++check.nErrors;
    } else {
        out << strName << ": " << (bPlain ? "plain text" : "stored form") << "\n";
        PrintSettings(check.config, out);
        run = DryRunScript(text, lines, check.config);
        PrintDryRun(run, check.config, out);
    }

    std::vector<RegFileEffect> regFile;
    if (run.nMarkerLine > 0) regFile = ReadAsRegistryFile(lines, size_t(run.nMarkerLine), check.config.m_strInstallDir.Str());
    for (const ScriptWarning& w : FindScriptPitfalls(lines, run, regFile)) {
        report(w.nLine, "warning", w.strMessage);
        ++check.nWarnings;
    }
    if (!run.strFailure.empty()) {
        report(run.nEndLine, "error",
               "the registry script fails here: " + run.strFailure +
                   "; nothing after it is applied and the product gets no uninstall entry");
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
