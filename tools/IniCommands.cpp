// zrvtool ini encode | decode | check: the stored (chained) form of Setup.ini.
#include "Commands.h"

#include "HostFile.h"
#include "EmbeddedPrograms.h"
#include "EntryName.h"
#include "LanguageTables.h"
#include "IniCheck.h"
#include "InstallRecordFormat.h"
#include "ProgramVersion.h"
#include "SetupText.h"

#include <filesystem>
#include <iostream>
#include <sstream>

namespace zrvtool {
namespace {

int Encode(const CommandLine& line)
{
    const Args& args = line.positional;
    CodePage cp = CodePage::cp1252;
    std::string text = PrepareSetupText(args[0], ReadWholeFile(args[0]), CodePageChoiceOf(line), false, "", cp, std::cerr);
    OutputFile out(args[1]);
    std::string stored = ChainSetupIni(text);
    out.Write(stored.data(), stored.size());
    out.Commit();
    return 0;
}

int Decode(const CommandLine& line)
{
    const Args& args = line.positional;
    std::string text = UnchainSetupIni(ReadWholeFile(args[0]));
    OutputFile out(args[1]);
    out.Write(text.data(), text.size());
    out.Commit();
    return 0;
}

// Each line of text with its control characters and non-UTF-8 bytes escaped; the line ends stay.
std::string EscapeLines(const std::string& text)
{
    std::string shown;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        shown += EscapeControls(text.substr(start, end - start), true);
        if (end < text.size()) shown += '\n';
        start = end + 1;
    }
    return shown;
}

int Check(const CommandLine& line)
{
    const Args& args = line.positional;
    bool bStrict = line.Has("--strict");
    // The report quotes the file's own text, which may hold any byte: shown line by line with
    // nothing in it that a terminal would act on.
    std::ostringstream out, diag;
    std::string tree = line.Value("--tree");
    // The author's tables: their tags are known to Languages= too; checked against the English table
    // of the Setup.exe this zrvtool carries when that has tables.
    std::vector<std::string> tags;
    for (const std::string& file : line.Values("--language")) {
        LanguageTable table = ParseLanguageTable(file, ReadWholeFile(file));
        tags.push_back(table.strTag);
    }
    if (!tags.empty()) {
        const EmbeddedProgram& setup = EmbeddedSetup(WindowsArch::x86);
        std::string program = setup.pData ? std::string(reinterpret_cast<const char*>(setup.pData), setup.nSize) : "";
        if (!program.empty() && ResourceData(program, kLanguageResource, "Setup.exe"))
            ReadAuthorTables(line.Values("--language"), BuiltInTables(program, "Setup.exe"));
    }
    IniCheck check = CheckSetupIni(args[0], ReadWholeFile(args[0]), out, diag, line.Has("--tree") ? &tree : nullptr,
                                   kUninstallerName, &tags);
    std::cout << EscapeLines(out.str());
    // On a medium, the Setup.exe beside the file tells which Windows the installation is for.
    std::filesystem::path setup = zrv::HostPath(args[0]).parent_path() / "Setup.exe";
    if (std::optional<WindowsArch> arch = MachineOfFile(setup.u8string()))
        std::cout << "Setup.exe beside it: " << ArchSummary(*arch) << "\n";
    std::cerr << EscapeLines(diag.str());
    if (bStrict && check.nWarnings > 0 && check.nErrors == 0)
        std::cerr << args[0] << ": " << check.nWarnings << (check.nWarnings == 1 ? " warning" : " warnings")
                  << ", an error with --strict\n";
    return check.nErrors > 0 || (bStrict && check.nWarnings > 0) ? 1 : 0;
}

}  // namespace

const std::vector<Command> kIniCommands = {
    {"ini encode", "PLAIN OUT", {CodePageOption()},
     "chain a plain Setup.ini text into its stored form: lines ended by LF get\n"
     "CR LF; a UTF-8 text stays UTF-8 (with CodePage=65001) when Windows-1252\n"
     "lacks a character of it or --code-page utf-8 says so, else is converted",
     Encode},
    {"ini decode", "IN OUT", {}, "the plain text of a stored Setup.ini (OUT - for stdout)", Decode},
    {"ini check", "FILE", {{"--strict", nullptr, nullptr}, {"--tree", "SRC_DIR", nullptr}, {"--language", "FILE", nullptr}},
     "read a Setup.ini (stored or plain) as the installer does, dry-run\n"
     "its registry script and warn of its pitfalls; --strict: warnings\n"
     "are errors; --tree: each Shortcut's target must be a file of SRC_DIR;\n"
     "--language: a table medium will get, checked, its tag known",
     Check},
};

}  // namespace zrvtool
