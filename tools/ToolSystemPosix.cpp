#include "ToolSystem.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

extern char** environ;

namespace zrvtool {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;
constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_old[3];

extern "C" void OnInterrupt(int nSignal) { g_interrupted = nSignal; }

// The length of the placeholder {}, {in} or {out} at at in command, 0 when none starts there.
size_t Placeholder(const std::string& command, size_t at)
{
    for (const char* p : {"{}", "{in}", "{out}"})
        if (command.compare(at, std::strlen(p), p) == 0) return std::strlen(p);
    return 0;
}

}  // namespace

std::vector<std::string> StartTool(int argc, char** argv) { return std::vector<std::string>(argv + 1, argv + argc); }

std::string ReaderPath(const std::string& utf8) { return utf8; }

bool StderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

int ProcessorCount()
{
    long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n < 1 ? 1 : n > 256 ? 256 : int(n);
}

std::string CreateExclusive(const std::filesystem::path& path, bool bFolder)
{
    int rc = bFolder ? ::mkdir(path.c_str(), 0777) : ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (rc < 0) return errno == EEXIST ? "exists" : std::strerror(errno);
    if (!bFolder) ::close(rc);
    return "";
}

FILE* OpenCreatedFile(const std::filesystem::path& path)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return nullptr;
    FILE* f = fdopen(fd, "wb");
    if (!f) {
        int err = errno;
        ::close(fd);
        errno = err;
    }
    return f;
}

std::filesystem::path MakeTemporaryFolder(const std::string& prefix, std::string& why)
{
    std::string templ = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
    if (mkdtemp(&templ[0])) return templ;
    why = "'" + templ + "': cannot create the directory: " + std::strerror(errno);
    return {};
}

bool MayCreateIn(const std::filesystem::path& folder, std::string& why)
{
    if (access(folder.c_str(), W_OK | X_OK) == 0) return true;
    why = std::strerror(errno);
    return false;
}

void CatchInterrupts()
{
    struct sigaction sa = {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &sa, &g_old[i]);
}

void ReleaseInterrupts()
{
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &g_old[i], nullptr);
}

int InterruptSignal() { return int(g_interrupted); }

// Each placeholder becomes an expansion of a positional parameter: {} and {in} "${1}", {out}
// "${2}", without the quotes inside double quotes. The names never enter the line, and the value
// of an expansion is not parsed again, so no quote, $(...), backquote or line end in a name runs.
// Inside single quotes nothing is expanded.
std::string SignLine(const std::string& command, const std::string&, const std::string&, bool* pbBadQuotes)
{
    std::string line;
    char quote = 0;
    for (size_t i = 0; i < command.size();) {
        const char ch = command[i];
        size_t len = Placeholder(command, i);
        if (len > 0) {
            if (quote == '\'') *pbBadQuotes = true;
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

// The line runs through /bin/sh -c with in and out as $1 and $2.
CommandOutcome RunSignLine(const std::string& line, const std::string& in, const std::string& out, std::string& output)
{
    CommandOutcome outcome;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return outcome;
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
        return outcome;
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
    outcome.bStarted = true;
    outcome.bSignalled = !WIFEXITED(status);
    outcome.nExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 0;
    return outcome;
}

}  // namespace zrvtool
