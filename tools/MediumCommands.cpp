// zrvtool medium: a whole installation medium from a plain Setup.ini and a directory tree, in one
// command: Setup.exe, the stored Setup.ini and the image volumes that its DiskImage names.
#include "Commands.h"

#include "EmbeddedPrograms.h"
#include "IniCheck.h"
#include "PackPlan.h"
#include "ScriptText.h"
#include "ArchiveCompressor.h"
#include "ToolCommon.h"
#include "VolumeWriter.h"

#include <unistd.h>

#include <iostream>
#include <sstream>

namespace fs = std::filesystem;

namespace zrvtool {
namespace {

const char kUsage[] =
    "usage: zrvtool medium CONFIG SRC_DIR OUT_DIR [--block-size 1-255] [--volume-size SIZE] [--threads N] "
    "[--no-uninstaller]";

struct MediumArgs {
    std::string strConfig, strSource, strOut;
    PackWriterOptions options;
};

MediumArgs ParseArgs(const Args& args)
{
    MediumArgs m;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        if (ReadPackOption(args, i, m.options)) {
            continue;
        } else if (!args[i].empty() && args[i][0] == '-') {
            throw ToolError(kUsage);
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 3) throw ToolError(kUsage);
    m.strConfig = positional[0];
    m.strSource = positional[1];
    m.strOut = positional[2];
    return m;
}

// DiskImage as a path below the medium: relative, in components without "." or "..", ending in
// the three-digit volume number from which the installer counts the later volumes.
fs::path ImagePath(const std::string& strConfig, const std::string& strDiskImage)
{
    auto refuse = [&](const std::string& why) -> fs::path {
        throw ToolError(strConfig + ": DiskImage=" + strDiskImage + ": " + why);
    };
    if (strDiskImage.empty()) return refuse("the image needs a name");
    if (strDiskImage.find(':') != std::string::npos || strDiskImage[0] == '\\' || strDiskImage[0] == '/')
        return refuse("a medium holds its image beside Setup.exe: give a relative path");
    if (!zrv::HasVolumeNumber(strDiskImage))
        return refuse("the name must end in a three-digit volume number, such as demo.001");
    fs::path path;
    size_t start = 0;
    for (;;) {
        size_t sep = strDiskImage.find_first_of("\\/", start);
        std::string part = strDiskImage.substr(start, sep == std::string::npos ? std::string::npos : sep - start);
        if (part.empty() || part == "." || part == "..")
            return refuse("every part of the path must be a name (no empty part, . or ..)");
        path /= part;
        if (sep == std::string::npos) return path;
        start = sep + 1;
    }
}

// The output directory while it is being made: a hidden sibling of OUT_DIR, removed again unless
// the medium was completed and took OUT_DIR's place.
class StagingDir {
public:
    explicit StagingDir(const fs::path& out)
        : m_out(out), m_path(out.parent_path() / ("." + out.filename().string() + ".tmp" + std::to_string(getpid())))
    {
        std::error_code ec;
        if (fs::exists(fs::symlink_status(out, ec))) {
            if (!fs::is_directory(fs::symlink_status(out, ec)) || !fs::is_empty(out, ec))
                throw ToolError("'" + out.string() + "': exists and is not an empty directory; nothing is written");
        }
        if (!fs::create_directories(m_path, ec) && !fs::is_directory(m_path))
            throw ToolError("'" + m_path.string() + "': cannot create the directory: " + ec.message());
    }
    StagingDir(const StagingDir&) = delete;
    StagingDir& operator=(const StagingDir&) = delete;
    ~StagingDir()
    {
        std::error_code ec;
        if (!m_bCommitted) fs::remove_all(m_path, ec);
    }
    const fs::path& Path() const { return m_path; }

    // Puts the finished medium in OUT_DIR's place (an empty OUT_DIR is replaced).
    void Commit()
    {
        std::error_code ec;
        if (fs::is_directory(fs::symlink_status(m_out, ec))) fs::remove(m_out, ec);
        fs::rename(m_path, m_out, ec);
        if (ec) throw ToolError("'" + m_out.string() + "': cannot create: " + ec.message());
        m_bCommitted = true;
    }

private:
    fs::path m_out;
    fs::path m_path;
    bool m_bCommitted = false;
};

void WriteProgram(const fs::path& dir, const EmbeddedProgram& program)
{
    if (!program.pData)
        throw ToolError(std::string("this zrvtool was built without ") + program.pszName +
                        "; use a zrvtool built with the Windows side");
    OutputFile out((dir / program.pszName).string());
    out.Write(program.pData, program.nSize);
    out.Commit();
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
    uint64_t n = fs::file_size(path, ec);
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
    fs::path last = image.parent_path() / fs::path(volumes.back()).filename();
    os << out.string() << ": Setup.exe, Setup.ini and " << volumes.size()
              << (volumes.size() == 1 ? " volume " + image.generic_string()
                                      : " volumes " + image.generic_string() + " to " + last.generic_string())
              << "\n"
              << "payload: " << nDirs << " directories, " << plan.items.size() - nDirs << " files"
              << (options.bUninstaller ? " (Uninstal.exe among them)" : "") << ", " << plan.nTotal << " bytes\n"
              << "compressed: " << nCompressed << " bytes in the volumes, block size " << options.nBlockSize << "\n"
              << "memory the installer needs to unpack: " << zrv::ReaderMemory(options.nBlockSize) << " bytes\n";
}

int Medium(const Args& args)
{
    MediumArgs m = ParseArgs(args);
    std::string bytes = ReadWholeFile(m.strConfig);
    std::ostream noReport(nullptr);
    IniCheck check = CheckSetupIni(m.strConfig, bytes, noReport, std::cerr);
    if (check.nErrors > 0) throw ToolError(m.strConfig + ": the installer would not work with it; nothing is written");
    fs::path image = ImagePath(m.strConfig, check.config.m_strDiskImage.Str());

    PackPlan plan = PlanPack(m.strSource);
    if (m.options.bUninstaller) AddCarriedUninstaller(plan);
    WarnAboveDefaultMemory(m.options.nBlockSize);
    std::string text = DecodeSetupIni(bytes);
    CheckFreeSpace(m, text, check.config.m_nFreeSpaceMB, plan.nTotal);

    fs::path out = fs::path(m.strOut).lexically_normal();
    if (out.filename().empty()) out = out.parent_path();
    InterruptGuard interrupts;
    StagingDir staging(out);
    WriteProgram(staging.Path(), EmbeddedSetup());
    OutputFile ini((staging.Path() / "Setup.ini").string());
    std::string stored = ChainSetupIni(text);
    ini.Write(stored.data(), stored.size());
    ini.Commit();
    std::error_code ec;
    fs::create_directories((staging.Path() / image).parent_path(), ec);
    std::vector<std::string> volumes = WritePackedImage(plan, (staging.Path() / image).string(), m.options);
    InterruptGuard::Check();
    std::ostringstream summary;
    PrintSummary(out, image, volumes, plan, m.options, summary);
    staging.Commit();
    std::cout << summary.str();
    return 0;
}

}  // namespace

const std::vector<Command> kMediumCommands = {
    {"medium", "medium CONFIG SRC_DIR OUT_DIR [--block-size 1-255] [--volume-size SIZE] [--threads N]\n"
               "       [--no-uninstaller]\n"
               "                            make a whole medium in OUT_DIR: Setup.exe, Setup.ini stored from the\n"
               "                            plain CONFIG (checked as by ini check) and the image of SRC_DIR\n"
               "                            (with Uninstal.exe) named as CONFIG's DiskImage says",
     Medium},
};

}  // namespace zrvtool
