// Reading a bundle back on the authoring host: the image it carries, for `verify` and `list`.
#pragma once

#include "BundleFormat.h"

#include <filesystem>
#include <string>
#include <vector>

namespace zrvtool {

// The image named by path: path itself when it is no bundle (a volume file); for a bundle (a file
// that starts as a Windows program does), its table and every file's CRC-32 are checked as the
// launcher checks them, and its files are unpacked into a private temporary folder, removed when
// this goes; ImagePath() is then the first volume there. Throws ToolError naming path when the
// bundle was cut short, is damaged, or its Setup.ini names no image that it holds.
class ImageOrBundle {
public:
    explicit ImageOrBundle(const std::string& path);
    ImageOrBundle(const ImageOrBundle&) = delete;
    ImageOrBundle& operator=(const ImageOrBundle&) = delete;
    ~ImageOrBundle();

    const std::string& ImagePath() const { return m_image; }
    bool IsBundle() const { return !m_dir.empty(); }

private:
    void Unpack(const std::string& path, const zrv::BundleRead& read, const std::vector<zrv::BundleEntry>& entries);

    std::string m_image;
    std::filesystem::path m_dir;
};

}  // namespace zrvtool
