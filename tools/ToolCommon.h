// Shared pieces of zrvtool's commands: errors, output files written under a temporary name.
#pragma once

#include "CommandLine.h"

#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace zrvtool {

// What a command throws to end with one line on stderr and a non-zero exit code.
struct ToolError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Checks, before any work, that the file or folder out can be made where it is asked for: its
// folder exists and this user may create entries in it. Throws ToolError naming out and that folder.
void CheckOutputPlace(const std::string& out);

// The part of path below root, where path was made by appending names to root (by a folder's
// iterator or the / operator). Taken from the spelling, not by comparing parts: the parts of a
// long Windows path (\\?\C:\...) do not compare as those of a plain one.
std::filesystem::path BelowRoot(const std::filesystem::path& root, const std::filesystem::path& path);

// A wrong call: the text is the tool's own usage (several lines), shown as it is.
struct UsageError : ToolError {
    using ToolError::ToolError;
};

// The work was stopped by a signal; the tool ends with 128 + its number, as a shell reports it.
struct InterruptError : ToolError {
    explicit InterruptError(int nSignal) : ToolError("interrupted"), m_nSignal(nSignal) {}
    int m_nSignal;
};

// A file or folder in the making under a hidden name beside its final one (".NAME.tmpPID", then
// the suffix given, e.g. "-Setup.exe" for a program a signing tool must recognise). Commit puts it
// under its final name with one rename; whatever is still under the hidden name is removed when
// this goes, so without Commit it is scratch space that never outlives the command. The hidden name
// is made exclusively: a name already there, a link included, is passed over, never written through.
class BesidePath {
public:
    enum Kind { kFile, kFolder };

    // Makes an empty file or folder under a fresh hidden name. Throws ToolError naming finalPath.
    BesidePath(const std::filesystem::path& finalPath, Kind kind, const std::string& suffix = "");
    BesidePath(const BesidePath&) = delete;
    BesidePath& operator=(const BesidePath&) = delete;
    ~BesidePath() { Discard(); }

    const std::filesystem::path& Path() const { return m_path; }
    const std::filesystem::path& FinalPath() const { return m_final; }
    // Renames it to the final name, replacing a file there or, for a folder, an empty folder.
    // Throws ToolError, and then the hidden name still holds it.
    void Commit();
    // Removes it now; nothing when it was committed or discarded before.
    void Discard();

private:
    std::filesystem::path m_final;
    std::filesystem::path m_path;
    Kind m_kind;
};

// An output file that appears under its final name only when Commit() is called; otherwise the
// temporary file is removed. The name "-" writes to stdout.
class OutputFile {
public:
    explicit OutputFile(const std::string& path);
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    void Write(const void* data, size_t size);
    void Commit();
    FILE* Stream() { return m_file; }

private:
    std::string m_path;
    std::unique_ptr<BesidePath> m_temp;
    FILE* m_file = nullptr;
};

// The whole content of a file, or of stdin for "-". Throws ToolError naming the file.
std::string ReadWholeFile(const std::string& path);

// The block size that compress and pack use unless told otherwise.
constexpr int kDefaultBlockSize = 9;

// Parses the value of --block-size: 1 to 255 (units of 100000 bytes). Throws ToolError.
int ParseBlockSize(const std::string& text);

// One line on stdout with the memory the installer needs for blockSize, and a warning on stderr
// when that is more than the default block size needs.
void ReportInstallerMemory(int blockSize);
// The warning alone, for a block size above the default.
void WarnAboveDefaultMemory(int blockSize);

// Parses the value of --threads: 1 to 256. Throws ToolError.
int ParseThreads(const std::string& text);
// The option --threads N of the commands that read images, and whether it allows the reader's
// second thread (any N above 1; the default).
Option ReaderThreadsOption();
bool ReaderSecondThread(const CommandLine& line);
// The number of threads used unless told otherwise: one per processor.
int DefaultThreads();

// Parses a byte count with an optional k/K (1024) or M (1048576) suffix, or the word "floppy"
// (1457664). Throws ToolError for anything else.
unsigned long long ParseSize(const std::string& text);

// While it lives, an interrupt (Ctrl-C), a hang-up or a termination request ends the command at
// the next Check through ToolError, so that the temporary outputs are removed on the way out.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // Throws InterruptError once a signal has arrived; does nothing without a guard.
    static void Check();

};

}  // namespace zrvtool
