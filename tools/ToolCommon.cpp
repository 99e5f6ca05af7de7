#include "ToolCommon.h"

#include <filesystem>

#include "ArchiveCompressor.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace zrvtool {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int nSignal) { g_interrupted = nSignal; }

}  // namespace

InterruptGuard::InterruptGuard()
{
    struct sigaction sa = {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &sa, &m_old[i]);
}

InterruptGuard::~InterruptGuard()
{
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &m_old[i], nullptr);
}

void InterruptGuard::Check()
{
    if (g_interrupted) throw InterruptError(int(g_interrupted));
}

BesidePath::BesidePath(const fs::path& finalPath, Kind kind, const std::string& suffix)
    : m_final(finalPath), m_kind(kind)
{
    std::string stem = "." + finalPath.filename().string() + ".tmp" + std::to_string(getpid());
    int err = EEXIST;
    for (int n = 0; err == EEXIST && n < 100; ++n) {
        fs::path candidate = finalPath.parent_path() / (stem + (n ? "-" + std::to_string(n) : "") + suffix);
        int rc = kind == kFolder ? ::mkdir(candidate.c_str(), 0777)
                                 : ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        err = rc < 0 ? errno : 0;
        if (kind == kFile && rc >= 0) ::close(rc);
        if (rc >= 0) m_path = candidate;
    }
    if (m_path.empty()) throw ToolError(finalPath.string() + ": cannot create: " + std::strerror(err));
}

void BesidePath::Commit()
{
    std::error_code ec;
    // An empty folder in the way is replaced; anything else there makes the rename fail.
    if (m_kind == kFolder && fs::is_directory(fs::symlink_status(m_final, ec))) fs::remove(m_final, ec);
    fs::rename(m_path, m_final, ec);
    if (ec) throw ToolError(m_final.string() + ": cannot create: " + ec.message());
    m_path.clear();
}

void BesidePath::Discard()
{
    if (m_path.empty()) return;
    std::error_code ec;
    if (m_kind == kFolder) fs::remove_all(m_path, ec);
    else fs::remove(m_path, ec);
    m_path.clear();
}

OutputFile::OutputFile(const std::string& path) : m_path(path)
{
    if (path == "-") {
        m_file = stdout;
        return;
    }
    m_temp = std::make_unique<BesidePath>(path, BesidePath::kFile);
    m_file = std::fopen(m_temp->Path().c_str(), "wb");
    if (!m_file) throw ToolError(path + ": cannot create: " + std::strerror(errno));
}

OutputFile::~OutputFile()
{
    if (m_file && m_file != stdout) std::fclose(m_file);
}

void OutputFile::Write(const void* data, size_t size)
{
    if (size && std::fwrite(data, 1, size, m_file) != size)
        throw ToolError(m_path + ": cannot write: " + std::strerror(errno));
}

void OutputFile::Commit()
{
    if (m_file == stdout) {
        if (std::fflush(stdout) != 0) throw ToolError("stdout: cannot write: " + std::string(std::strerror(errno)));
        return;
    }
    int rc = std::fclose(m_file);
    m_file = nullptr;
    if (rc != 0) throw ToolError(m_path + ": cannot write: " + std::strerror(errno));
    m_temp->Commit();
}

std::string ReadWholeFile(const std::string& path)
{
    FILE* f = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
    if (!f) throw ToolError(path + ": cannot open: " + std::strerror(errno));
    std::string data;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
    bool failed = std::ferror(f);
    if (f != stdin) std::fclose(f);
    if (failed) throw ToolError(path + ": cannot read");
    return data;
}

namespace {
// A decimal number from lo to hi, or -1.
int ParseNumber(const std::string& text, int lo, int hi)
{
    if (text.empty() || text.size() > 3) return -1;
    int n = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return -1;
        n = n * 10 + (ch - '0');
    }
    return n >= lo && n <= hi ? n : -1;
}
}  // namespace

int ParseBlockSize(const std::string& text)
{
    int n = ParseNumber(text, zrv::kMinBlockSize, zrv::kMaxBlockSize);
    if (n < 0) throw ToolError("--block-size must be 1 to 255, not '" + text + "'");
    return n;
}

void ReportInstallerMemory(int blockSize)
{
    std::cout << "the installer needs " << zrv::ReaderMemory(blockSize) << " bytes of memory for block size " << blockSize << " (6 x "
              << blockSize * zrv::kBlockUnit << " + " << zrv::kReaderBufferSize << ")\n";
    WarnAboveDefaultMemory(blockSize);
}

void WarnAboveDefaultMemory(int blockSize)
{
    if (blockSize > kDefaultBlockSize)
        std::cerr << "zrvtool: warning: block size " << blockSize << " makes the installer need "
                  << zrv::ReaderMemory(blockSize) << " bytes of memory, more than the "
                  << zrv::ReaderMemory(kDefaultBlockSize) << " bytes of the default block size " << kDefaultBlockSize
                  << "\n";
}

int ParseThreads(const std::string& text)
{
    int n = ParseNumber(text, 1, 256);
    if (n < 0) throw ToolError("--threads must be 1 to 256, not '" + text + "'");
    return n;
}

Option ReaderThreadsOption()
{
    return {"--threads", "1|2", [](const std::string& v) { ParseThreads(v); }};
}

bool ReaderSecondThread(const CommandLine& line)
{
    return !line.Has("--threads") || ParseThreads(line.Value("--threads")) > 1;
}

int DefaultThreads()
{
    long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n < 1 ? 1 : n > 256 ? 256 : int(n);
}

unsigned long long ParseSize(const std::string& text)
{
    if (text == "floppy") return 1457664;
    size_t used = 0;
    unsigned long long n = 0;
    try {
        if (text.empty() || text[0] == '-') throw std::invalid_argument(text);
        n = std::stoull(text, &used, 10);
    } catch (const std::exception&) {
        throw ToolError("'" + text + "' is not a size (bytes, with k or M, or 'floppy')");
    }
    std::string suffix = text.substr(used);
    if (suffix == "k" || suffix == "K") return n * 1024;
    if (suffix == "M") return n * 1024 * 1024;
    if (!suffix.empty()) throw ToolError("'" + text + "' is not a size (bytes, with k or M, or 'floppy')");
    return n;
}

void CheckOutputPlace(const std::string& out)
{
    std::filesystem::path path = std::filesystem::path(out).lexically_normal();
    if (path.filename().empty()) path = path.parent_path();
    // Missing folders on the way are made with it: the nearest one that exists must take them.
    std::filesystem::path parent = path.parent_path();
    std::error_code ec;
    while (!parent.empty() && !std::filesystem::exists(std::filesystem::symlink_status(parent, ec)))
        parent = parent.parent_path();
    if (parent.empty()) parent = ".";
    if (!std::filesystem::is_directory(parent, ec))
        throw ToolError("'" + out + "': cannot be made: '" + parent.string() + "' is not a folder; nothing is written");
    // The work is written under a hidden name in that folder and renamed when complete.
    if (access(parent.c_str(), W_OK | X_OK) != 0)
        throw ToolError("'" + out + "': cannot be made: the folder '" + parent.string() +
                        "' is not writable (" + std::strerror(errno) + "); nothing is written");
}

}  // namespace zrvtool
