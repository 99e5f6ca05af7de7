// zrvtool medium: a whole installation medium from a plain Setup.ini and a directory tree, in one
// command: Setup.exe, the stored Setup.ini and the image volumes that its DiskImage names.
#include "Commands.h"

#include "EmbeddedPrograms.h"
#include "ProgramVersion.h"
#include "IniCheck.h"
#include "LanguageTables.h"
#include "ProgramResources.h"
#include "InstallRecordFormat.h"
#include "PackPlan.h"
#include "ProgramManifest.h"
#include "ScriptText.h"
#include "SetupText.h"
#include "ArchiveCompressor.h"
#include "Bundle.h"
#include "HostFile.h"
#include "ToolCommon.h"
#include "VolumeWriter.h"


#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

namespace fs = std::filesystem;

namespace zrvtool {
namespace {

struct MediumArgs {
    std::string strConfig, strSource, strOut, strBundle;
    PackWriterOptions options;
    std::optional<SignCommand> sign;
    std::vector<std::string> languages;  // the author's language tables, files in the order given
};

MediumArgs MediumArgsOf(const CommandLine& line)
{
    MediumArgs m;
    m.options = PackOptionsOf(line);
    m.strConfig = line.positional[0];
    m.strSource = line.positional[1];
    m.strBundle = line.Value("--bundle");
    if (line.positional.size() == 3) m.strOut = line.positional[2];
    else if (m.strBundle.empty()) throw ToolError("medium: give OUT_DIR, --bundle OUT.exe or both");
    if (line.Has("--sign")) m.sign.emplace(line.Value("--sign"));
    m.languages = line.Values("--language");
    return m;
}

}  // namespace

namespace {

// OUT_DIR may be missing or an empty folder; anything else stays as it is.
void RefuseSomethingInTheWay(const fs::path& out)
{
    std::error_code ec;
    if (fs::exists(fs::symlink_status(out, ec))) {
        if (!fs::is_directory(fs::symlink_status(out, ec)) || !fs::is_empty(out, ec))
            throw ToolError("'" + out.string() + "': exists and is not an empty directory; nothing is written");
    }
}

// program with the author's language tables put into its own, when there are any.
std::string WithTables(const std::string& program, const std::vector<LanguageTable>& tables, const char* pszName)
{
    if (tables.empty()) return program;
    return WithResources(program, {LanguageChange(program, tables, pszName)}, pszName);
}

// Setup.exe of arch into dir, as a product of scope ships it, with the author's tables; signed
// after every change to its manifest and resources, so that the signature covers the program as it
// goes out.
void WriteSetup(const fs::path& dir, WindowsArch arch, SetupScope scope, const SignCommand* sign,
                const std::vector<LanguageTable>& tables)
{
    const EmbeddedProgram& program = EmbeddedSetup(arch);
    std::string bytes = WithTables(ProgramForScope(program, scope), tables, program.pszName);
    OutputFile out((dir / program.pszName).u8string());
    out.Write(bytes.data(), bytes.size());
    out.Commit();
    if (sign) sign->Sign((dir / program.pszName).u8string(), program.pszName);
}

// Uninstal.exe into the payload: the one the tool carries, as a product of scope ships it, and
// signed after that when sign is given, so that the installed uninstaller is signed. kept holds
// the bytes the plan points at.
void AddUninstaller(PackPlan& plan, WindowsArch arch, SetupScope scope, const SignCommand* sign, const fs::path& out,
                    const std::vector<LanguageTable>& tables, std::string& kept)
{
    const EmbeddedProgram& program = EmbeddedUninstaller(arch);
    if (!program.pData || (!sign && scope == SetupScope::machine && tables.empty()))
        return AddCarriedUninstaller(plan, arch);
    kept = WithTables(ProgramForScope(program, scope), tables, program.pszName);
    if (sign) {
        BesidePath file(out, BesidePath::kFile, "-Uninstal.exe");
        {
            std::ofstream unsignedCopy(file.Path(), std::ios::binary | std::ios::trunc);
            unsignedCopy.write(kept.data(), std::streamsize(kept.size()));
            if (!unsignedCopy.flush()) throw ToolError(file.Path().u8string() + ": cannot write");
        }
        sign->Sign(file.Path().u8string(), program.pszName);
        kept = ReadWholeFile(file.Path().u8string());
    }
    AddRootFile(plan, program.pszName, reinterpret_cast<const unsigned char*>(kept.data()), kept.size());
}

// The medium's files in staging as a bundle names them.
MediumFiles StagedFiles(const fs::path& staging, const std::vector<std::string>& volumes)
{
    MediumFiles files;
    files.setup = {"Setup.exe", staging / "Setup.exe"};
    files.ini = {"Setup.ini", staging / "Setup.ini"};
    for (const std::string& v : volumes) {
        std::string name;
        for (const fs::path& part : BelowRoot(staging, zrv::HostPath(v))) name += (name.empty() ? "" : "\\") + part.u8string();
        files.volumes.push_back({name, zrv::HostPath(v)});
    }
    return files;
}

// Warns when FreeSpace asks for less room than the unpacked payload takes.
void CheckFreeSpace(const MediumArgs& m, const std::string& text, int nFreeSpaceMB, uint64_t nPayload)
{
    uint64_t neededMB = (nPayload + 1048575) / 1048576;
    if (nFreeSpaceMB >= 0 && uint64_t(nFreeSpaceMB) >= neededMB) return;
    std::string where = m.strConfig + ": ";
    std::vector<TextLine> lines = SplitLines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].strText.compare(0, 10, "FreeSpace=") == 0) {
            where = m.strConfig + ":" + std::to_string(i + 1) + ": ";
            break;
        }
    }
    std::cerr << where << "warning: FreeSpace=" << nFreeSpaceMB << " is below the " << neededMB
              << " MB that the payload takes unpacked: put FreeSpace=" << neededMB << "\n";
}

uint64_t FileSize(const std::string& path)
{
    std::error_code ec;
    uint64_t n = fs::file_size(zrv::HostPath(path), ec);
    return ec ? 0 : n;
}

// What was made, measured in the staging folder before it takes OUT_DIR's place.
void PrintSummary(const fs::path& out, const fs::path& image, const std::vector<std::string>& volumes,
                  const PackPlan& plan, const PackWriterOptions& options, std::ostream& os)
{
    uint64_t nCompressed = 0;
    for (const std::string& v : volumes) nCompressed += FileSize(v);
    size_t nDirs = 0;
    for (const PackItem& item : plan.items) nDirs += item.bDirectory ? 1 : 0;
    fs::path last = image.parent_path() / zrv::HostPath(volumes.back()).filename();
    os << out.string() << ": Setup.exe, Setup.ini and " << volumes.size()
              << (volumes.size() == 1 ? " volume " + image.generic_string()
                                      : " volumes " + image.generic_string() + " to " + last.generic_string())
              << "\n"
              << "payload: " << nDirs << " directories, " << plan.items.size() - nDirs << " files"
              << (options.bUninstaller ? " (Uninstal.exe among them)" : "") << ", " << plan.nTotal << " bytes\n"
              << "compressed: " << nCompressed << " bytes in the volumes, block size " << options.nBlockSize << "\n"
              << "memory the installer needs to unpack: " << zrv::ReaderMemory(options.nBlockSize) << " bytes\n"
              << "programs: " << ArchSummary(options.arch) << "\n";
}

int Medium(const CommandLine& line)
{
    MediumArgs m = MediumArgsOf(line);
    const SignCommand* sign = m.sign ? &*m.sign : nullptr;
    // Where the results go is checked before the long work, as is a folder in the way.
    if (!m.strOut.empty()) {
        CheckOutputPlace(m.strOut);
        RefuseSomethingInTheWay(zrv::NormalPath(zrv::HostPath(m.strOut)));
    }
    if (!m.strBundle.empty()) CheckOutputPlace(m.strBundle);
    std::string bytes = ReadWholeFile(m.strConfig);
    // The texts and the names share one code page: Windows-1252 unless either needs UTF-8. A tree
    // that cannot be walked is told of by PlanPack, after the settings are checked.
    std::string needing;
    try {
        needing = NameNeedingUtf8(zrv::HostPath(m.strSource));
    } catch (const ToolError&) {
    }
    bool bPlain = false;
    DecodeSetupIni(bytes, &bPlain);
    CodePage cp = CodePage::cp1252;
    int nAddedLine = 0;
    if (bPlain) {
        bytes = PrepareSetupText(m.strConfig, bytes, m.options.codePage, !needing.empty(), needing, cp, std::cerr,
                                 &nAddedLine);
    } else {
        // A stored Setup.ini is taken as it is: its CodePage line says what its image must be.
        cp = FindCodePageLine(m.strConfig, DecodeSetupIni(bytes)).cp;
        if (m.options.codePage != CodePageChoice::automatic &&
            (m.options.codePage == CodePageChoice::utf8) != (cp == CodePage::utf8))
            throw ToolError(m.strConfig + ": the stored Setup.ini is " + CodePageName(cp) + ", not as --code-page says");
        if (!needing.empty() && cp == CodePage::cp1252)
            throw ToolError(m.strConfig + ": the name '" + needing + "' needs UTF-8, but the stored Setup.ini has no "
                                                                      "CodePage=65001 line; give its plain text instead");
    }
    // The author's tables are checked against the English table of the Setup.exe they go into.
    std::vector<LanguageTable> tables;
    std::vector<std::string> tags;
    if (!m.languages.empty()) {
        const EmbeddedProgram& setup = EmbeddedSetup(m.options.arch);
        if (!setup.pData)
            throw ToolError(std::string("this zrvtool was built without the ") + ArchName(m.options.arch) + " Setup.exe");
        tables = ReadAuthorTables(
            m.languages, BuiltInTables(std::string(reinterpret_cast<const char*>(setup.pData), setup.nSize), "Setup.exe"));
        for (const LanguageTable& t : tables) tags.push_back(t.strTag);
    }
    MediumConfig medium = CheckMediumConfig(m.strConfig, bytes, !m.strBundle.empty(), &m.strSource,
                                            m.options.bUninstaller ? kUninstallerName : nullptr, &tags, nAddedLine);
    const IniCheck& check = medium.check;
    const fs::path& image = medium.image;

    // Without OUT_DIR the medium is made beside the bundle and removed when the bundle is done.
    fs::path out = zrv::NormalPath(zrv::HostPath(m.strOut.empty() ? m.strBundle + ".medium" : m.strOut));
    if (out.filename().empty()) out = out.parent_path();
    PackPlan plan = PlanPack(zrv::HostPath(m.strSource), cp == CodePage::utf8 ? CodePageChoice::utf8 : CodePageChoice::cp1252);
    InterruptGuard interrupts;
    std::string uninstaller;
    if (m.options.bUninstaller) AddUninstaller(plan, m.options.arch, check.scope, sign, out, tables, uninstaller);
    WarnAboveDefaultMemory(m.options.nBlockSize);
    std::string text = DecodeSetupIni(bytes);
    CheckFreeSpace(m, text, check.config.m_nFreeSpaceMB, plan.nTotal);

    // The medium is made in a hidden folder beside OUT_DIR and takes its place once complete.
    RefuseSomethingInTheWay(out);
    BesidePath staging(out, BesidePath::kFolder);
    WriteSetup(staging.Path(), m.options.arch, check.scope, sign, tables);
    OutputFile ini((staging.Path() / "Setup.ini").u8string());
    std::string stored = ChainSetupIni(text);
    ini.Write(stored.data(), stored.size());
    ini.Commit();
    std::error_code ec;
    fs::create_directories((staging.Path() / image).parent_path(), ec);
    std::vector<std::string> volumes = WritePackedImage(plan, (staging.Path() / image).u8string(), m.options);
    InterruptGuard::Check();
    std::ostringstream summary;
    PrintSummary(m.strOut.empty() ? zrv::HostPath(m.strBundle) : out, image, volumes, plan, m.options, summary);
    if (m.strBundle.empty()) {
        staging.Commit();
    } else {
        BundleOutput bundle(zrv::HostPath(m.strBundle));
        uint64_t nBundle = bundle.Write(StagedFiles(staging.Path(), volumes).All(), m.options.arch, sign, tables);
        if (!m.strOut.empty()) staging.Commit();
        bundle.Commit();
        summary << "bundle: " << m.strBundle << ", " << nBundle << " bytes" << (sign ? ", signed" : "") << "\n";
    }
    std::cout << summary.str();
    return 0;
}

}  // namespace

static std::vector<Option> MediumOptions()
{
    std::vector<Option> options = PackOptions();
    options.push_back({"--bundle", "OUT.exe", nullptr});
    options.push_back(SignOption());
    options.push_back(LanguageOption());
    return options;
}

const std::vector<Command> kMediumCommands = {
    {"medium", "CONFIG SRC_DIR [OUT_DIR]", MediumOptions(),
     "make a whole medium in OUT_DIR: Setup.exe, Setup.ini stored from the\n"
     "plain CONFIG (checked as by ini check) and the image of SRC_DIR\n"
     "(with Uninstal.exe) named as CONFIG's DiskImage says; --bundle: also\n"
     "(or only) as one program, OUT.exe; --sign: sign Uninstal.exe, Setup.exe\n"
     "and OUT.exe with COMMAND ({in} {out}, or {} in place); --language (more\n"
     "than one may be given): a language table the programs get, checked\n"
     "against the English one, replacing a built-in table of its tag; texts\n"
     "and names in Windows-1252, or UTF-8 (CodePage=65001) when one needs it",
     Medium},
};

}  // namespace zrvtool
