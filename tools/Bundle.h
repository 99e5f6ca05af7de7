// Bundles: the launcher this zrvtool carries followed by a medium's files, one program to download.
#pragma once

#include "EmbeddedPrograms.h"
#include "IniCheck.h"
#include "LanguageTables.h"
#include "Signing.h"
#include "ToolCommon.h"

#include <filesystem>
#include <string>
#include <vector>

namespace zrvtool {

// A file of a medium: its name in the bundle (one folder level at most, joined by a backslash) and
// where it is on the host.
struct MediumFile {
    std::string strName;
    std::filesystem::path hostPath;
};

// The files of a medium by what they are; All() in the order a bundle holds them.
struct MediumFiles {
    MediumFile setup;                  // Setup.exe
    MediumFile ini;                    // the stored Setup.ini
    std::vector<MediumFile> volumes;   // the image's volumes, first to last
    std::vector<MediumFile> All() const;
};

// The files of the medium in dir: Setup.exe, the stored Setup.ini and every volume of the image
// that its DiskImage names, checked by decoding the whole image (so a missing or damaged volume
// is found here), and for a product that may be installed for one user, a Setup.exe that asks
// for no administrator rights. Throws ToolError naming what is missing or wrong.
MediumFiles ListMediumFiles(const std::filesystem::path& dir);

// DiskImage as a path below a medium: relative, in components without "." or "..", ending in the
// three-digit volume number. config names the Setup.ini in messages. Throws ToolError.
std::filesystem::path MediumImagePath(const std::string& config, const std::string& diskImage);

// Setup.ini of a medium (config names it in messages, bytes are its content) checked as the
// installer reads it, warnings told on stderr, and the path of its image below the medium; for a
// bundle the image must lie beside Setup.exe or one folder below. pSourceDir and pszAddedFile as
// CheckSetupIni takes them. Throws ToolError when the installer would not work with it. The one
// check that medium and bundle both run.
struct MediumConfig {
    IniCheck check;
    std::filesystem::path image;
};
MediumConfig CheckMediumConfig(const std::string& config, const std::string& bytes, bool bBundled,
                               const std::string* pSourceDir = nullptr, const char* pszAddedFile = nullptr,
                               const std::vector<std::string>* pExtraTags = nullptr, int nAddedLine = 0);

// The option --language FILE of medium and bundle (given once per table).
Option LanguageOption();

// A bundle under a temporary name beside its final one until Commit; removed unless committed.
class BundleOutput {
public:
    explicit BundleOutput(const std::filesystem::path& out);
    BundleOutput(const BundleOutput&) = delete;
    BundleOutput& operator=(const BundleOutput&) = delete;

    // Writes the launcher of arch (that of the medium's Setup.exe; running without administrator
    // rights when the medium's Setup.ini may install for one user; with the author's language
    // tables in its own) and files, signs the whole with sign when given, and reads the table back
    // as the launcher will. Returns the bundle's size. Throws ToolError.
    uint64_t Write(const std::vector<MediumFile>& files, WindowsArch arch, const SignCommand* sign,
                   const std::vector<LanguageTable>& tables = {});
    // Puts the bundle under its final name.
    void Commit();

private:
    std::filesystem::path m_out;
    BesidePath m_temp;
};

}  // namespace zrvtool
