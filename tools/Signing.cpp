#include "Signing.h"

#include "ToolCommon.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>

extern char** environ;

namespace fs = std::filesystem;

namespace zrvtool {
namespace {

size_t Count(const std::string& text, const char* what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Runs line through /bin/sh -c with in and out as its positional parameters $1 and $2, stdout and
// stderr into output. Returns the exit status as waitpid gives it, or -1 when the shell cannot be
// started.
int RunShell(const std::string& line, const std::string& in, const std::string& out, std::string& output)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    const char* argv[] = {"/bin/sh", "-c", line.c_str(), "zrvtool-sign", in.c_str(), out.c_str(), nullptr};
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

// The length of the placeholder {}, {in} or {out} at at in command, 0 when none starts there.
size_t Placeholder(const std::string& command, size_t at)
{
    for (const char* p : {"{}", "{in}", "{out}"})
        if (command.compare(at, std::strlen(p), p) == 0) return std::strlen(p);
    return 0;
}

// command with each placeholder replaced by an expansion of the shell's positional parameters:
// {} and {in} by "${1}", {out} by "${2}", without the quotes inside double quotes. The names never
// enter the line, and the value of an expansion is not parsed again, so no quote, $(...),
// backquote or line end in a name runs. Inside single quotes nothing is expanded: a placeholder
// there sets *pbInSingleQuotes.
std::string Expanded(const std::string& command, bool* pbInSingleQuotes)
{
    std::string line;
    char quote = 0;
    for (size_t i = 0; i < command.size();) {
        const char ch = command[i];
        size_t len = Placeholder(command, i);
        if (len > 0) {
            if (quote == '\'') *pbInSingleQuotes = true;
            const std::string param = command[i + 1] == 'o' ? "${2}" : "${1}";
            line += quote == '"' ? param : "\"" + param + "\"";
            i += len;
        } else if (ch == '\\' && quote != '\'' && i + 1 < command.size()) {
            line.append(command, i, 2);
            i += 2;
        } else {
            if ((ch == '\'' || ch == '"') && (quote == 0 || quote == ch)) quote = quote ? 0 : ch;
            line += ch;
            ++i;
        }
    }
    return line;
}

}  // namespace

SignCommand::SignCommand(const std::string& command) : m_command(command)
{
    bool bInSingleQuotes = false;
    Expanded(command, &bInSingleQuotes);
    if (bInSingleQuotes)
        throw ToolError("--sign: {}, {in} and {out} cannot stand inside single quotes, where the shell would not fill "
                        "them in; write them bare or inside double quotes");
    size_t nPlace = Count(command, "{}"), nIn = Count(command, "{in}"), nOut = Count(command, "{out}");
    m_bInPlace = nPlace > 0;
    if (nPlace > 0 ? nIn + nOut > 0 : nIn == 0 || nOut == 0)
        throw ToolError("--sign: the command must name the file with {} (signed in place) or with {in} and {out}");
}

std::string SignCommand::For() const
{
    bool bInSingleQuotes = false;
    return Expanded(m_command, &bInSingleQuotes);
}

void SignCommand::Sign(const std::string& path, const std::string& what) const
{
    // The signed file is written into a hidden folder of its own beside the unsigned one, under the
    // same name (signing tools may expect .exe and refuse to overwrite), and then takes its place.
    std::optional<BesidePath> folder;
    std::string out = path;
    if (!m_bInPlace) {
        folder.emplace(path, BesidePath::kFolder, "-signed");
        out = (folder->Path() / fs::path(path).filename()).string();
    }
    std::string output;
    std::cout.flush();
    int status = RunShell(For(), path, out, output);
    std::string why = status == -1                                        ? "could not be started"
                      : !WIFEXITED(status)                                ? "was ended by a signal"
                      : WEXITSTATUS(status) != 0                          ? "failed (exit code " +
                                                                     std::to_string(WEXITSTATUS(status)) + ")"
                      : !NonEmptyFile(out)                                ? "left no signed file (or an empty one)"
                                                                          : "";
    if (why.empty() && !m_bInPlace && std::rename(out.c_str(), path.c_str()) != 0)
        why = "left a file that cannot take the unsigned one's place: " + std::string(std::strerror(errno));
    if (why.empty()) return;
    std::cerr << output;
    if (!output.empty() && output.back() != '\n') std::cerr << "\n";
    throw ToolError("--sign: the command " + why + " signing " + what + "; nothing is written");
}

Option SignOption()
{
    return {"--sign", "COMMAND", [](const std::string& v) { SignCommand check(v); }};
}

}  // namespace zrvtool
