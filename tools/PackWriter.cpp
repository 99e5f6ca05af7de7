// The image that `zrvtool pack` writes: the payload stream compressed into numbered volumes.
#include "PackPlan.h"

#include "ArchiveCompressor.h"
#include "TerminalProgress.h"
#include "ToolCommon.h"
#include "VolumeWriter.h"

namespace zrvtool {

std::vector<std::string> WritePackedImage(const PackPlan& plan, const std::string& outPath, const PackWriterOptions& options)
{
    if (!zrv::HasVolumeNumber(outPath))
        throw ToolError("'" + outPath + "': an image name must end in a three-digit volume number, such as disk.001");
    if (options.nVolumeSize != 0 && options.nVolumeSize < zrv::kMinVolumeFileSize) throw ToolError(zrv::kVolumeSizeRule);
    try {
        // The writer removes every volume it made unless Commit is reached.
        zrv::CVolumeWriter writer(outPath, options.nBlockSize, options.nVolumeSize);
        zrv::CArchiveCompressor compressor(options.nBlockSize, writer,
                                           options.nThreads > 0 ? options.nThreads : DefaultThreads());
        // The payload stream is the files and a few bytes per entry: the files' total is near enough.
        TerminalProgress bar("compressing", plan.nTotal);
        compressor.SetProgress([&bar](uint64_t coded) { bar.Update(coded); });
        WritePayload(plan, [&](const void* data, size_t size) {
            compressor.Write(data, size);
            InterruptGuard::Check();
        });
        compressor.Finish();
        writer.Commit();
        return writer.Paths();
    } catch (const zrv::VolumeWriteError& e) {
        throw ToolError(e.what());
    } catch (const std::invalid_argument& e) {
        throw ToolError(e.what());
    }
}

}  // namespace zrvtool
