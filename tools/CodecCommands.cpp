// zrvtool compress | decompress | verify: ZRV-Zip images of any byte stream, read back through the
// installer's own reader CArchiveFile.
#include "Commands.h"

#include "ArchiveCompressor.h"
#include "ArchiveFile.h"
#include "ArchivePrompt.h"
#include "EntryName.h"
#include "TerminalProgress.h"
#include "BundleReading.h"
#include "VolumeWriter.h"
#include "HostFile.h"
#include "ToolSystem.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <iostream>

namespace zrvtool {
namespace {

// One line on stderr, over a progress line if one is showing.
void Say(const std::string& text)
{
    if (StderrIsTerminal()) std::fputs("\r\033[K", stderr);
    std::fprintf(stderr, "zrvtool: %s\n", EscapeControls(text, true).c_str());
}

// The reader's multi-line message texts as one line: every run of tabs and line breaks is a space.
std::string OneLine(const char* text)
{
    std::string line;
    bool space = false;
    for (const char* p = text; *p; ++p) {
        if (*p == '\t' || *p == '\n' || *p == '\r' || *p == ' ') {
            space = !line.empty();
            continue;
        }
        if (space) line += ' ';
        space = false;
        line += *p;
    }
    return line;
}

// The reader's prompt: every message goes to stderr as one line, and a missing volume is not
// looked for again: a tool cannot wait for a disk to be inserted.
class ReaderMessages : public CArchivePrompt {
public:
    void Tell(const CString& strText) override { say(strText); }
    bool AskRetry(const CString& strText) override
    {
        say(strText);
        return false;
    }
    int Count() const { return m_count; }

private:
    void say(const CString& strText)
    {
        ++m_count;
        Say(OneLine(strText.GetString()));
    }

    int m_count = 0;
};

std::string OsErrorText(const CFileException& e, const char* fallback)
{
    return e.m_lOsError > 0 ? std::strerror(int(e.m_lOsError)) : fallback;
}

}  // namespace

bool DecodeImage(const std::string& path, const char* label, const std::function<void(const char*, size_t)>& sink,
                 uint64_t* total, std::string* lastVolume, bool secondThread)
{
    ReaderMessages messages;
    CFileException error;
    CArchiveFile file(&messages);
    file.SetSecondThread(secondThread);
    *total = 0;
    try {
        if (!file.Open(ReaderPath(path).c_str(), CFile::typeBinary, &error)) {
            // The reader has told about a volume it opened; a refused open is told here.
            if (messages.Count() == 0) Say(path + ": cannot open: " + OsErrorText(error, "cannot open"));
            return false;
        }
        TerminalProgress bar(label, 0);
        const UINT chunk = 1 << 16;
        std::vector<char> buf(chunk);
        for (;;) {
            UINT got = file.Read(buf.data(), chunk);
            sink(buf.data(), got);
            InterruptGuard::Check();
            *total += got;
            bar.Update(*total, file.GetFileName().GetString());
            if (got < chunk) break;
        }
        file.Close();
        *lastVolume = file.GetFilePath().GetString();
        return true;
    } catch (CFileException* e) {
        if (e != &error) {
            // The file layer's own error (a failing read of the medium).
            Say(std::string(e->m_strFileName.GetString()) + ": cannot read: " + OsErrorText(*e, "read error"));
            e->Delete();
        } else if (messages.Count() == 0) {
            // The reader tells every failure it finds itself; this is a last resort.
            Say(std::string(file.GetFilePath().GetString()) + ": the compressed data ends too early (truncated image)");
        }
        return false;
    }
}

namespace {

// The number of volumes from first to last by the reader's naming rule.
size_t VolumeCount(const std::string& first, const std::string& last)
{
    size_t count = 1;
    for (std::string p = first; p != last && p.size() <= last.size(); p = zrv::NextVolumeName(p)) ++count;
    return count;
}

struct CompressOptions {
    std::string in, out;
    int blockSize = kDefaultBlockSize;
    uint64_t volumeSize = 0;
    int threads = DefaultThreads();
};

uint64_t CompressVolumeSize(const std::string& text)
{
    uint64_t n = ParseSize(text);
    if (n < zrv::kMinVolumeFileSize) throw ToolError(zrv::kVolumeSizeRule);
    return n;
}

CompressOptions CompressOptionsOf(const CommandLine& line)
{
    CompressOptions o;
    if (line.Has("--block-size")) o.blockSize = ParseBlockSize(line.Value("--block-size"));
    if (line.Has("--volume-size")) o.volumeSize = CompressVolumeSize(line.Value("--volume-size"));
    if (line.Has("--threads")) o.threads = ParseThreads(line.Value("--threads"));
    o.in = line.positional[0];
    o.out = line.positional[1];
    if (!zrv::HasVolumeNumber(o.out))
        throw ToolError(o.out + ": a volume name must end in three digits (for example disk.001)");
    return o;
}

class InputFile {
public:
    explicit InputFile(const std::string& path) : m_path(path)
    {
        m_file = path == "-" ? stdin : zrv::OpenHostFile(path, "rb");
        // Windows opens no folder as a file: asked first, it is told as on Linux.
        std::error_code ec;
        if (!m_file && std::filesystem::is_directory(zrv::HostPath(path), ec)) throw ToolError(path + ": is a directory");
        if (!m_file) throw ToolError(path + ": cannot open: " + std::strerror(errno));
        if (path == "-") return;
        if (std::filesystem::is_directory(zrv::HostPath(path), ec)) throw ToolError(path + ": is a directory");
        uint64_t size = std::filesystem::file_size(zrv::HostPath(path), ec);
        if (!ec && std::filesystem::is_regular_file(zrv::HostPath(path), ec)) m_size = size;
    }
    ~InputFile()
    {
        if (m_file && m_file != stdin) std::fclose(m_file);
    }
    size_t Read(char* buf, size_t n)
    {
        size_t got = std::fread(buf, 1, n, m_file);
        // An interrupt while waiting for a pipe ends the read with EINTR.
        InterruptGuard::Check();
        if (got < n && std::ferror(m_file)) throw ToolError(m_path + ": cannot read: " + std::strerror(errno));
        return got;
    }
    uint64_t Size() const { return m_size; }

private:
    std::string m_path;
    std::FILE* m_file = nullptr;
    uint64_t m_size = 0;
};

int Compress(const CommandLine& line)
{
    CompressOptions o = CompressOptionsOf(line);
    InterruptGuard interrupts;
    InputFile in(o.in);
    try {
        zrv::CVolumeWriter writer(o.out, o.blockSize, o.volumeSize);
        zrv::CArchiveCompressor compressor(o.blockSize, writer, o.threads);
        {
            TerminalProgress bar("compressing", in.Size());
            compressor.SetProgress([&bar](uint64_t coded) { bar.Update(coded); });
            std::vector<char> buf(1 << 20);
            while (size_t got = in.Read(buf.data(), buf.size())) {
                compressor.Write(buf.data(), got);
                InterruptGuard::Check();
            }
            compressor.Finish();
        }
        writer.Commit();
        size_t volumes = writer.Paths().size();
        std::cout << o.out << ": " << volumes << (volumes == 1 ? " volume, " : " volumes, ") << compressor.BytesIn()
                  << " bytes compressed to " << compressor.BytesOut() << " bytes of data\n";
        ReportInstallerMemory(o.blockSize);
    } catch (const zrv::VolumeWriteError& e) {
        throw ToolError(e.what());
    }
    return 0;
}

int Decompress(const CommandLine& line)
{
    bool secondThread = ReaderSecondThread(line);
    const Args& args = line.positional;
    InterruptGuard interrupts;
    // The output appears under its name only when the whole image has been decoded and checked.
    OutputFile out(args[1]);
    uint64_t total = 0;
    std::string last;
    auto sink = [&out](const char* data, size_t n) { out.Write(data, n); };
    if (!DecodeImage(args[0], "decompressing", sink, &total, &last, secondThread)) return 1;
    out.Commit();
    return 0;
}

int Verify(const CommandLine& line)
{
    bool secondThread = ReaderSecondThread(line);
    const Args& args = line.positional;
    uint64_t total = 0;
    std::string last;
    ImageOrBundle image(args[0]);
    if (!DecodeImage(image.ImagePath(), "verifying", [](const char*, size_t) {}, &total, &last, secondThread)) return 1;
    size_t volumes = VolumeCount(image.ImagePath(), last);
    std::cout << args[0] << ": OK, " << total << " bytes in " << volumes << (volumes == 1 ? " volume\n" : " volumes\n");
    return 0;
}

}  // namespace

const std::vector<Command> kCodecCommands = {
    {"compress", "IN OUT.001",
     {{"--block-size", "1-255", [](const std::string& v) { ParseBlockSize(v); }},
      {"--volume-size", "SIZE", [](const std::string& v) { CompressVolumeSize(v); }},
      {"--threads", "N", [](const std::string& v) { ParseThreads(v); }}},
     "compress a file (- for stdin) into a ZRV-Zip image; SIZE in bytes,\n"
     "with k or M, or floppy",
     Compress},
    {"decompress", "IN.001 OUT", {ReaderThreadsOption()}, "the decompressed stream of an image (OUT - for stdout)",
     Decompress},
    {"verify", "IN.001", {ReaderThreadsOption()},
     "decode a whole image and check every volume's CRC; a bundle (OUT.exe):\n"
     "its files' CRCs and the image it carries",
     Verify},
};

}  // namespace zrvtool
