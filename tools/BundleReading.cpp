#include "BundleReading.h"

#include "BundleFormat.h"
#include "Crc32.h"
#include "CodePage.h"
#include "SetupText.h"
#include "SetupConfig.h"
#include "HostFile.h"
#include "ToolCommon.h"
#include "ToolSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace fs = std::filesystem;

namespace zrvtool {
namespace {

bool StartsAsProgram(const std::string& path)
{
    std::ifstream in(zrv::HostPath(path), std::ios::binary);
    char head[2] = {};
    return in.read(head, 2) && head[0] == 'M' && head[1] == 'Z';
}

fs::path HostPath(const fs::path& dir, const std::string& name)
{
    fs::path p = dir;
    size_t start = 0;
    for (size_t sep; (sep = name.find('\\', start)) != std::string::npos; start = sep + 1)
        p /= zrv::HostPath(name.substr(start, sep - start));
    return p / zrv::HostPath(name.substr(start));
}

}  // namespace

ImageOrBundle::ImageOrBundle(const std::string& path) : m_image(path)
{
    if (!StartsAsProgram(path)) return;
    std::ifstream in(zrv::HostPath(path), std::ios::binary);
    std::error_code ec;
    uint64_t nFile = fs::file_size(zrv::HostPath(path), ec);
    if (ec || nFile > 0xFFFFFFFFull) throw ToolError("'" + path + "': cannot read: not a file the launcher could be");
    zrv::BundleRead read = [&in](uint32_t offset, void* buffer, uint32_t size) {
        in.clear();
        in.seekg(std::streamoff(offset));
        in.read(static_cast<char*>(buffer), std::streamsize(size));
        return in.gcount() == std::streamsize(size);
    };
    std::vector<zrv::BundleEntry> entries;
    switch (zrv::ReadBundleTable(read, uint32_t(nFile), entries)) {
    case zrv::BundleFault::none: break;
    case zrv::BundleFault::incomplete:
        throw ToolError("'" + path + "': a program that carries no complete medium (a bundle cut short?)");
    case zrv::BundleFault::damaged: throw ToolError("'" + path + "': the bundle's table of files is damaged");
    }

    std::string why;
    m_dir = MakeTemporaryFolder("zrvtool-bundle-", why);
    if (m_dir.empty()) throw ToolError(why);
    try {
        Unpack(path, read, entries);
    } catch (...) {
        fs::remove_all(m_dir, ec);
        throw;
    }
}

// Each file into the private folder, its CRC-32 checked on the way; then the image Setup.ini names.
void ImageOrBundle::Unpack(const std::string& path, const zrv::BundleRead& read, const std::vector<zrv::BundleEntry>& entries)
{
    std::string ini;
    std::vector<char> chunk(1 << 20);
    for (const zrv::BundleEntry& e : entries) {
        fs::path out = HostPath(m_dir, e.strName);
        std::error_code ec;
        fs::create_directories(out.parent_path(), ec);
        OutputFile file(out.u8string());
        uint32_t crc = zrv::kCrcInit;
        for (uint32_t done = 0; done < e.nSize;) {
            uint32_t n = std::min<uint32_t>(uint32_t(chunk.size()), e.nSize - done);
            if (!read(e.nOffset + done, chunk.data(), n)) throw ToolError("'" + path + "': cannot read '" + e.strName + "'");
            crc = zrv::CrcUpdate(crc, chunk.data(), n);
            file.Write(chunk.data(), n);
            if (e.strName == kSetupIniName) ini.append(chunk.data(), n);
            done += n;
        }
        if (~crc != e.nCrc)
            throw ToolError("'" + path + "': '" + e.strName + "' does not match its CRC-32: the bundle is damaged");
        file.Commit();
    }
    SetupConfig config;
    std::string text = DecodeSetupIni(ini);
    const CodePage cp = ReadCodePageLine(text).cp;
    if (ini.empty() || !ParseSetupText(&text[0], config))
        throw ToolError("'" + path + "': the bundle holds no Setup.ini that names its image");
    // The bundle's files bear the names Windows gives them, the image's in UTF-8 whatever the
    // medium's code page.
    std::string image = HostNameOf(config.m_strDiskImage.Str(), cp);
    if (zrv::CheckBundleName(image) || !fs::exists(HostPath(m_dir, image)))
        throw ToolError("'" + path + "': the bundle does not hold the image its Setup.ini names, '" + image + "'");
    m_image = HostPath(m_dir, image).u8string();
}

ImageOrBundle::~ImageOrBundle()
{
    std::error_code ec;
    if (!m_dir.empty()) fs::remove_all(m_dir, ec);
}

}  // namespace zrvtool
