// zrvtool bundle: a medium as one program to download, the launcher followed by the medium's files.
#include "Commands.h"

#include "HostFile.h"
#include "Bundle.h"
#include "LanguageTables.h"
#include "ProgramResources.h"
#include "ProgramVersion.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>

namespace fs = std::filesystem;

namespace zrvtool {
namespace {

int Bundle(const CommandLine& line)
{
    fs::path dir = zrv::HostPath(line.positional[0]), out = zrv::HostPath(line.positional[1]);
    std::optional<SignCommand> sign;
    if (line.Has("--sign")) sign.emplace(line.Value("--sign"));
    InterruptGuard interrupts;
    CheckOutputPlace(out.u8string());
    MediumFiles files = ListMediumFiles(dir);
    // The launcher is of the medium's own architecture: a bundle is all of one machine.
    std::optional<WindowsArch> arch = MachineOfFile(files.setup.hostPath.string());
    if (!arch)
        throw ToolError("'" + files.setup.hostPath.string() + "': not a 32-bit or 64-bit Windows program; nothing is written");
    // The author's tables go into the launcher and the medium's Setup.exe, checked against the
    // English table of that Setup.exe; the Uninstal.exe inside the image keeps its own.
    std::vector<LanguageTable> tables;
    std::string setupBytes;
    std::vector<std::string> languages = line.Values("--language");
    if (!languages.empty()) {
        setupBytes = ReadWholeFile(files.setup.hostPath.string());
        std::string what = "'" + files.setup.hostPath.string() + "'";
        tables = ReadAuthorTables(languages, BuiltInTables(setupBytes, what));
        setupBytes = WithResources(setupBytes, {LanguageChange(setupBytes, tables, what)}, what);
        std::cerr << out.string() << ": note: the language tables go into the launcher and Setup.exe; the medium's "
                  << "Uninstal.exe keeps its own (make the medium with medium --language to change them too)\n";
    }
    // The medium's Setup.exe is changed and signed as a copy; the medium itself stays as it is.
    std::optional<BesidePath> setup;
    if (sign || !tables.empty()) {
        setup.emplace(out, BesidePath::kFile, "-Setup.exe");
        // Written, not copied: the copy of the Windows build's runtime refuses to replace the
        // empty file just made, whatever it is told.
        if (tables.empty()) setupBytes = ReadWholeFile(files.setup.hostPath.u8string());
        std::ofstream copy(setup->Path(), std::ios::binary | std::ios::trunc);
        copy.write(setupBytes.data(), std::streamsize(setupBytes.size()));
        if (!copy.flush()) throw ToolError("'" + setup->Path().u8string() + "': cannot write");
        if (sign) sign->Sign(setup->Path().string(), files.setup.strName);
        files.setup.hostPath = setup->Path();
    }
    BundleOutput bundle(out);
    uint64_t nSize = bundle.Write(files.All(), *arch, sign ? &*sign : nullptr, tables);
    bundle.Commit();
    size_t nVolumes = files.volumes.size();
    std::cout << out.string() << ": " << files.setup.strName << ", " << files.ini.strName << " and " << nVolumes
              << (nVolumes == 1 ? " volume" : " volumes") << " in one program of " << nSize << " bytes"
              << (sign ? ", signed" : "") << ", for " << ArchName(*arch) << "\n";
    return 0;
}

}  // namespace

const std::vector<Command> kBundleCommands = {
    {"bundle", "MEDIUM_DIR OUT.exe", {SignOption(), LanguageOption()},
     "one program to download that runs the medium's Setup.exe from a private\n"
     "temporary folder: Setup.exe, Setup.ini and every volume of its image;\n"
     "--sign: sign Setup.exe and OUT.exe with COMMAND ({in} {out}, or {} in place);\n"
     "--language: a language table for the launcher and Setup.exe (as for medium)",
     Bundle},
};

}  // namespace zrvtool
