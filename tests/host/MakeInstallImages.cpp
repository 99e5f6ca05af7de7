// Writes the disk images of the installation worker's tests into the directory given as its
// argument: the main tree packed as `zrvtool pack` packs it, and raw payload streams compressed
// with the same compressor and volume writer.
#include "InstallFixtures.h"

#include "ArchiveCompressor.h"
#include "PackPlan.h"
#include "ToolCommon.h"
#include "VolumeWriter.h"

#include <filesystem>
#include <fstream>
#include <iostream>

namespace fs = std::filesystem;

namespace {

void WriteRaw(const fs::path& dir, const fixtures::RawImage& image)
{
    std::string first = (dir / (image.name + ".001")).string();
    zrv::CVolumeWriter writer(first, 9, 0);
    zrv::CArchiveCompressor compressor(9, writer);
    compressor.Write(image.stream.data(), image.stream.size());
    compressor.Finish();
    writer.Commit();
}

void WriteMain(const fs::path& dir)
{
    fs::path src = dir / "main-src";
    fs::remove_all(src);
    for (const fixtures::TreeFile& f : fixtures::MainTree()) {
        fs::path p = src / f.hostPath;
        if (std::string(f.hostPath).back() == '/') {
            fs::create_directories(p);
        } else {
            fs::create_directories(p.parent_path());
            std::ofstream(p, std::ios::binary) << fixtures::Content(f.nSize, f.nSeed);
        }
    }
    zrvtool::PackWriterOptions options;
    options.nVolumeSize = fixtures::kMainVolumeSize;
    zrvtool::WritePackedImage(zrvtool::PlanPack(src), (dir / "main.001").string(), options);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: make_install_images DIR\n";
        return 2;
    }
    try {
        fs::path dir = argv[1];
        fs::create_directories(dir);
        WriteMain(dir);
        for (const fixtures::RawImage& image : fixtures::RawImages()) WriteRaw(dir, image);
        // A target directory where writing the file "f.txt" fails after its open has succeeded:
        // the name leads to the memory of the process that opened it, whose first page is never
        // mapped.
        fs::path failing = dir / fixtures::kWriteErrorTarget;
        fs::create_directories(failing);
        fs::remove(failing / "f.txt");
        fs::create_symlink("/proc/self/mem", failing / "f.txt");
    } catch (const std::exception& e) {
        std::cerr << "make_install_images: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
