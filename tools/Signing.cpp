#include "Signing.h"

#include "ToolCommon.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

extern char** environ;

namespace zrvtool {
namespace {

size_t Count(const std::string& text, const char* what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Runs line through /bin/sh -c with stdout and stderr into output. Returns the exit status as
// waitpid gives it, or -1 when the shell cannot be started.
int RunShell(const std::string& line, std::string& output)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    const char* argv[] = {"/bin/sh", "-c", line.c_str(), nullptr};
    pid_t pid = 0;
    int rc = posix_spawn(&pid, "/bin/sh", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (rc != 0) {
        close(pipeFds[0]);
        return -1;
    }
    char buf[4096];
    for (;;) {
        ssize_t n = read(pipeFds[0], buf, sizeof buf);
        if (n > 0) output.append(buf, size_t(n));
        else if (n == 0 || errno != EINTR) break;
    }
    close(pipeFds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

bool NonEmptyFile(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

}  // namespace

std::string ShellQuoted(const std::string& path)
{
    std::string out = "'";
    for (char ch : path) out += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return out + "'";
}

SignCommand::SignCommand(const std::string& command) : m_command(command)
{
    size_t nPlace = Count(command, "{}"), nIn = Count(command, "{in}"), nOut = Count(command, "{out}");
    m_bInPlace = nPlace > 0;
    if (nPlace > 0 ? nIn + nOut > 0 : nIn == 0 || nOut == 0)
        throw ToolError("--sign: the command must name the file with {} (signed in place) or with {in} and {out}");
}

std::string SignCommand::For(const std::string& in, const std::string& out) const
{
    std::string line;
    for (size_t i = 0; i < m_command.size();) {
        if (m_command.compare(i, 2, "{}") == 0) {
            line += ShellQuoted(in);
            i += 2;
        } else if (m_command.compare(i, 4, "{in}") == 0) {
            line += ShellQuoted(in);
            i += 4;
        } else if (m_command.compare(i, 5, "{out}") == 0) {
            line += ShellQuoted(out);
            i += 5;
        } else {
            line += m_command[i++];
        }
    }
    return line;
}

void SignCommand::Sign(const std::string& path, const std::string& what) const
{
    // The signed file is written beside the unsigned one, under a name ending in .exe as signing
    // tools may expect, and takes its place once it is there.
    std::string out = m_bInPlace ? path : path + ".signed.exe";
    if (!m_bInPlace) std::remove(out.c_str());
    std::string output;
    std::cout.flush();
    int status = RunShell(For(path, out), output);
    std::string why = status == -1                                        ? "could not be started"
                      : !WIFEXITED(status)                                ? "was ended by a signal"
                      : WEXITSTATUS(status) != 0                          ? "failed (exit code " +
                                                                     std::to_string(WEXITSTATUS(status)) + ")"
                      : !NonEmptyFile(out)                                ? "left no signed file (or an empty one)"
                                                                          : "";
    if (why.empty() && !m_bInPlace && std::rename(out.c_str(), path.c_str()) != 0)
        why = "left a file that cannot take the unsigned one's place: " + std::string(std::strerror(errno));
    if (why.empty()) return;
    if (!m_bInPlace) std::remove(out.c_str());
    std::cerr << output;
    if (!output.empty() && output.back() != '\n') std::cerr << "\n";
    throw ToolError("--sign: the command " + why + " signing " + what + "; nothing is written");
}

Option SignOption()
{
    return {"--sign", "COMMAND", [](const std::string& v) { SignCommand check(v); }};
}

}  // namespace zrvtool
