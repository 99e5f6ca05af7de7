#include "ToolCommon.h"

#include <filesystem>

#include "ArchiveCompressor.h"
#include "HostFile.h"
#include "ToolSystem.h"

#include <cerrno>
#include <cstring>
#include <iostream>

namespace fs = std::filesystem;

namespace zrvtool {
InterruptGuard::InterruptGuard() { CatchInterrupts(); }

InterruptGuard::~InterruptGuard() { ReleaseInterrupts(); }

void InterruptGuard::Check()
{
    if (int nSignal = InterruptSignal()) throw InterruptError(nSignal);
}

BesidePath::BesidePath(const fs::path& finalPath, Kind kind, const std::string& suffix)
    : m_final(finalPath), m_kind(kind)
{
    std::string stem = "." + finalPath.filename().u8string() + ".tmp" + std::to_string(zrv::HostProcessId());
    std::string why = "exists";
    for (int n = 0; why == "exists" && n < 100; ++n) {
        fs::path candidate = finalPath.parent_path() / zrv::HostPath(stem + (n ? "-" + std::to_string(n) : "") + suffix);
        why = CreateExclusive(candidate, kind == kFolder);
        if (why.empty()) m_path = candidate;
    }
    if (why == "exists") why = std::strerror(EEXIST);
    if (m_path.empty()) throw ToolError(finalPath.u8string() + ": cannot create: " + why);
}

void BesidePath::Commit()
{
    std::error_code ec;
    // An empty folder in the way is replaced; anything else there makes the rename fail.
    if (m_kind == kFolder && fs::is_directory(fs::symlink_status(m_final, ec))) fs::remove(m_final, ec);
    fs::rename(m_path, m_final, ec);
    if (ec) throw ToolError(m_final.u8string() + ": cannot create: " + ec.message());
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
    m_temp = std::make_unique<BesidePath>(zrv::HostPath(path), BesidePath::kFile);
    m_file = OpenCreatedFile(m_temp->Path());
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
    FILE* f = path == "-" ? stdin : zrv::OpenHostFile(path, "rb");
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
    return ProcessorCount();
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

fs::path BelowRoot(const fs::path& root, const fs::path& path)
{
    const fs::path::string_type& r = root.native();
    const fs::path::string_type& p = path.native();
    auto separator = [](fs::path::value_type ch) { return fs::path(fs::path::string_type(1, ch)).has_root_directory(); };
    if (p.size() <= r.size() || p.compare(0, r.size(), r) != 0 || (!r.empty() && !separator(r.back()) && !separator(p[r.size()])))
        return path.lexically_relative(root);
    size_t start = r.size();
    while (start < p.size() && separator(p[start])) ++start;
    return fs::path(p.substr(start));
}

void CheckOutputPlace(const std::string& out)
{
    std::filesystem::path path = zrv::NormalPath(zrv::HostPath(out));
    if (path.filename().empty()) path = path.parent_path();
    // Missing folders on the way are made with it: the nearest one that exists must take them.
    std::filesystem::path parent = path.parent_path();
    std::error_code ec;
    while (!parent.empty() && !std::filesystem::exists(std::filesystem::symlink_status(parent, ec)))
        parent = parent.parent_path();
    if (parent.empty()) parent = ".";
    if (!std::filesystem::is_directory(parent, ec))
        throw ToolError("'" + out + "': cannot be made: '" + parent.u8string() + "' is not a folder; nothing is written");
    // The work is written under a hidden name in that folder and renamed when complete.
    std::string why;
    if (!MayCreateIn(parent, why))
        throw ToolError("'" + out + "': cannot be made: the folder '" + parent.u8string() + "' is not writable (" + why +
                        "); nothing is written");
}

}  // namespace zrvtool
