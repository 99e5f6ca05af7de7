#include "Bundle.h"

#include "HostFile.h"
#include "CodePage.h"
#include "LauncherVersion.h"
#include "ProgramResources.h"
#include "SetupText.h"
#include "ProgramManifest.h"
#include "ToolCommon.h"
#include "SetupExtensions.h"

#include "BundleFormat.h"
#include "Commands.h"
#include "Crc32.h"
#include "EmbeddedPrograms.h"
#include "ProgramVersion.h"
#include "EntryName.h"
#include "IniCheck.h"
#include "ArchiveFormat.h"
#include "VolumeWriter.h"


#include <fstream>
#include <iostream>

namespace fs = std::filesystem;

namespace zrvtool {
namespace {

// The entry of dir whose name is name but for letter case, as Windows finds it; throws ToolError
// when there is none.
fs::path FindInFolder(const fs::path& dir, const std::string& name, const std::string& what)
{
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(dir, ec))
        if (AfxLowerAscii(e.path().filename().string()) == AfxLowerAscii(name) && e.is_regular_file(ec)) return e.path();
    throw ToolError("'" + dir.string() + "': has no " + name + " (" + what + "); not a medium, nothing is written");
}

// The bundle's name for a path below the medium: its parts joined by backslashes.
std::string BundleName(const fs::path& rel)
{
    std::string name;
    for (const fs::path& part : rel) name += (name.empty() ? "" : "\\") + part.string();
    return name;
}

// A medium whose Setup.ini may install for one user needs a Setup.exe that asks for no
// administrator rights: elevated, it would install for the administrator instead.
void CheckRunsAsInvoker(const fs::path& setup, const IniCheck& check)
{
    std::string manifest = ManifestOf(ReadWholeFile(setup.string()), "'" + setup.string() + "'");
    if (manifest.find("level=\"requireAdministrator\"") == std::string::npos) return;
    throw ToolError("'" + setup.string() + "': asks for administrator rights, but Setup.ini's line " +
                    std::to_string(check.nScopeLine) + " (Scope=" + SetupScopeName(check.scope) +
                    ") lets it install for the user who runs it: make the medium again with zrvtool medium; "
                    "nothing is written");
}

}  // namespace

fs::path MediumImagePath(const std::string& strConfig, const std::string& strDiskImage)
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
        path /= zrv::HostPath(part);
        if (sep == std::string::npos) return path;
        start = sep + 1;
    }
}

Option LanguageOption() { return {"--language", "FILE", nullptr}; }

MediumConfig CheckMediumConfig(const std::string& config, const std::string& bytes, bool bBundled,
                               const std::string* pSourceDir, const char* pszAddedFile,
                               const std::vector<std::string>* pExtraTags, int nAddedLine)
{
    std::ostream noReport(nullptr);
    MediumConfig medium;
    medium.check = CheckSetupIni(config, bytes, noReport, std::cerr, pSourceDir, pszAddedFile, pExtraTags, nAddedLine);
    if (medium.check.nErrors > 0) throw ToolError(config + ": the installer would not work with it; nothing is written");
    // The image's files are named as Windows will see them: the installer reads DiskImage in the
    // medium's code page, and Windows (Wine too) keeps names in UTF-8 on a Linux file system.
    const std::string diskImage =
        HostNameOf(medium.check.config.m_strDiskImage.Str(), medium.check.bUtf8 ? CodePage::utf8 : CodePage::cp1252);
    medium.image = MediumImagePath(config, diskImage);
    if (bBundled && std::distance(medium.image.begin(), medium.image.end()) > 2)
        throw ToolError(config + ": DiskImage=" + diskImage + ": a bundle holds the image beside Setup.exe or one folder below it");
    return medium;
}

std::vector<MediumFile> MediumFiles::All() const
{
    std::vector<MediumFile> all = {setup, ini};
    all.insert(all.end(), volumes.begin(), volumes.end());
    return all;
}

MediumFiles ListMediumFiles(const fs::path& dir)
{
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) throw ToolError("'" + dir.string() + "': not a directory");
    MediumFiles files;
    fs::path setup = FindInFolder(dir, "Setup.exe", "the installer");
    fs::path ini = FindInFolder(dir, "Setup.ini", "its settings");
    files.setup = {setup.filename().string(), setup};
    files.ini = {ini.filename().string(), ini};

    std::string config = ini.u8string();
    MediumConfig medium = CheckMediumConfig(config, ReadWholeFile(config), true);
    const fs::path& image = medium.image;
    if (medium.check.scope != SetupScope::machine) CheckRunsAsInvoker(setup, medium.check);
    uint64_t total = 0;
    std::string last;
    std::string first = (dir / image).u8string();
    if (!fs::is_regular_file(zrv::HostPath(first), ec))
        throw ToolError("'" + first + "': the image's first volume is missing; nothing is written");
    if (!DecodeImage(first, "checking the image", [](const char*, size_t) {}, &total, &last, true))
        throw ToolError("'" + first + "': the image is incomplete or damaged; nothing is written");
    for (std::string volume = first;; volume = zrv::NextVolumeName(volume)) {
        files.volumes.push_back({BundleName(BelowRoot(dir, zrv::HostPath(volume))), zrv::HostPath(volume)});
        if (volume == last || volume.size() > last.size()) break;
    }
    for (const MediumFile& f : files.All())
        if (const char* why = zrv::CheckBundleName(f.strName))
            throw ToolError("'" + f.hostPath.string() + "': cannot be bundled: " + why);
    return files;
}

namespace {

// What the medium's stored Setup.ini says of its product: its name, version and publisher, and
// for whom it is installed.
struct MediumProduct {
    ProductInfo info;
    SetupScope scope = SetupScope::machine;
};

MediumProduct ProductOfMedium(const std::vector<MediumFile>& files)
{
    MediumProduct product;
    for (const MediumFile& f : files) {
        if (f.strName != kSetupIniName) continue;
        std::string text = DecodeSetupIni(ReadWholeFile(f.hostPath.string()));
        product.info.bUtf8 = FindCodePageLine(f.hostPath.string(), text).cp == CodePage::utf8;
        SetupExtensions ext;
        SetupConfig config;
        if (!ParseSetupText(&text[0], config) || !ReadSetupExtensions(text.c_str(), ext))
            throw ToolError("'" + f.hostPath.string() + "': the installer would not read it");
        product.info.strName = config.m_strProductName.Str();
        product.info.strVersion = ext.strDisplayVersion.Str();
        product.info.strPublisher = ext.strPublisher.Str();
        product.scope = ext.scope;
    }
    return product;
}

}  // namespace

BundleOutput::BundleOutput(const fs::path& out) : m_out(out), m_temp(out, BesidePath::kFile, "-bundle.exe") {}

uint64_t BundleOutput::Write(const std::vector<MediumFile>& files, WindowsArch arch, const SignCommand* sign,
                            const std::vector<LanguageTable>& tables)
{
    const EmbeddedProgram& launcher = EmbeddedLauncher(arch);
    if (!launcher.pData)
        throw ToolError(std::string("this zrvtool was built without the ") + ArchName(arch) +
                        " launcher of a bundle; use a zrvtool built with the Windows side");
    // The launcher runs as the medium's Setup.exe does; its manifest changes before its version
    // information and its language tables (which copy the resources, the manifest among them), and
    // all before anything is signed.
    MediumProduct product = ProductOfMedium(files);
    std::string program = ProgramForScope(launcher, product.scope);
    std::vector<ResourceChange> changes = {{{16, "", 0}, VersionInfoBlock(product.info)}};
    if (!tables.empty()) changes.push_back(LanguageChange(program, tables, "the launcher"));
    program = WithResources(program, changes, "the launcher");
    std::ofstream out(m_temp.Path(), std::ios::binary | std::ios::trunc);
    if (!out) throw ToolError("'" + m_out.string() + "': cannot create");
    out.write(program.data(), std::streamsize(program.size()));
    uint64_t nSize = program.size();
    std::vector<zrv::BundleEntry> entries;
    std::vector<char> buffer(1 << 16);
    for (const MediumFile& f : files) {
        std::ifstream in(f.hostPath, std::ios::binary);
        if (!in) throw ToolError("'" + f.hostPath.string() + "': cannot be read");
        zrv::BundleEntry e;
        e.strName = f.strName;
        uint32_t crc = zrv::kCrcInit;
        uint64_t n = 0;
        while (in.read(buffer.data(), std::streamsize(buffer.size())) || in.gcount() > 0) {
            size_t got = size_t(in.gcount());
            crc = zrv::CrcUpdate(crc, buffer.data(), got);
            out.write(buffer.data(), std::streamsize(got));
            n += got;
            InterruptGuard::Check();
        }
        if (in.bad()) throw ToolError("'" + f.hostPath.string() + "': cannot be read");
        nSize += n;
        // A program's offsets, and the signature's, are 32-bit: so is everything in a bundle.
        if (nSize > 0xF0000000ull) throw ToolError("'" + m_out.string() + "': a bundle must stay below 3.75 GiB");
        e.nSize = uint32_t(n);
        e.nCrc = ~crc;
        entries.push_back(e);
    }
    std::string tail = zrv::BundleTail(entries);
    out.write(tail.data(), std::streamsize(tail.size()));
    out.close();
    if (!out) throw ToolError("'" + m_out.string() + "': cannot write");
    if (sign) sign->Sign(m_temp.Path().string(), "the bundle " + m_out.filename().string());

    // Read back as the launcher reads it: a signing command must leave the contents in place.
    std::error_code ec;
    uint64_t nFile = fs::file_size(m_temp.Path(), ec);
    std::ifstream back(m_temp.Path(), std::ios::binary);
    std::vector<zrv::BundleEntry> found;
    zrv::BundleRead read = [&back](uint32_t offset, void* buf, uint32_t n) {
        back.clear();
        back.seekg(std::streamoff(offset));
        back.read(static_cast<char*>(buf), std::streamsize(n));
        return back.gcount() == std::streamsize(n);
    };
    if (ec || nFile > 0xFFFFFFFFull || zrv::ReadBundleTable(read, uint32_t(nFile), found) != zrv::BundleFault::none ||
        found.size() != entries.size())
        throw ToolError("'" + m_out.string() + "': the signed program no longer holds the medium where the launcher "
                        "looks for it (before the certificate table); nothing is written");
    return nFile;
}

void BundleOutput::Commit()
{
    m_temp.Commit();
}

}  // namespace zrvtool
