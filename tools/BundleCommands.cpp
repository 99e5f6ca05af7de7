// zrvtool bundle: a medium as one program to download, the launcher followed by the medium's files.
#include "Commands.h"

#include "Bundle.h"
#include "ProgramVersion.h"

#include <filesystem>
#include <iostream>
#include <optional>

namespace fs = std::filesystem;

namespace zrvtool {
namespace {

int Bundle(const CommandLine& line)
{
    fs::path dir = line.positional[0], out = line.positional[1];
    std::optional<SignCommand> sign;
    if (line.Has("--sign")) sign.emplace(line.Value("--sign"));
    InterruptGuard interrupts;
    CheckOutputPlace(out.string());
    MediumFiles files = ListMediumFiles(dir);
    // The launcher is of the medium's own architecture: a bundle is all of one machine.
    std::optional<WindowsArch> arch = MachineOfFile(files.setup.hostPath.string());
    if (!arch)
        throw ToolError("'" + files.setup.hostPath.string() + "': not a 32-bit or 64-bit Windows program; nothing is written");
    // The medium's Setup.exe is signed as a copy; the medium itself stays as it is.
    std::optional<BesidePath> setup;
    if (sign) {
        setup.emplace(out, BesidePath::kFile, "-Setup.exe");
        std::error_code ec;
        fs::copy_file(files.setup.hostPath, setup->Path(), fs::copy_options::overwrite_existing, ec);
        if (ec) throw ToolError("'" + setup->Path().string() + "': cannot create: " + ec.message());
        sign->Sign(setup->Path().string(), files.setup.strName);
        files.setup.hostPath = setup->Path();
    }
    BundleOutput bundle(out);
    uint64_t nSize = bundle.Write(files.All(), *arch, sign ? &*sign : nullptr);
    bundle.Commit();
    size_t nVolumes = files.volumes.size();
    std::cout << out.string() << ": " << files.setup.strName << ", " << files.ini.strName << " and " << nVolumes
              << (nVolumes == 1 ? " volume" : " volumes") << " in one program of " << nSize << " bytes"
              << (sign ? ", signed" : "") << ", for " << ArchName(*arch) << "\n";
    return 0;
}

}  // namespace

const std::vector<Command> kBundleCommands = {
    {"bundle", "MEDIUM_DIR OUT.exe", {SignOption()},
     "one program to download that runs the medium's Setup.exe from a private\n"
     "temporary folder: Setup.exe, Setup.ini and every volume of its image;\n"
     "--sign: sign Setup.exe and OUT.exe with COMMAND ({in} {out}, or {} in place)",
     Bundle},
};

}  // namespace zrvtool
