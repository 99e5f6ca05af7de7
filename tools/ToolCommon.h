// Shared pieces of zrvtool's commands: errors, output files written under a temporary name.
#pragma once

#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace zrvtool {

// What a command throws to end with one line on stderr and a non-zero exit code.
struct ToolError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

using Args = std::vector<std::string>;

// A command: its name path ("ini encode"), a usage line, and the function that runs it with the
// arguments after the name. It returns the exit code.
struct Command {
    const char* name;
    const char* usage;
    int (*run)(const Args& args);
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
    std::string m_tempPath;
    FILE* m_file = nullptr;
    bool m_committed = false;
};

// The whole content of a file, or of stdin for "-". Throws ToolError naming the file.
std::string ReadWholeFile(const std::string& path);

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

    // Throws ToolError("interrupted") once a signal has arrived; does nothing without a guard.
    static void Check();

private:
    static constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction m_old[3];
};

}  // namespace zrvtool
