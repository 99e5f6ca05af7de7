// rand_s, the system's random numbers, is declared only when asked for.
#define _CRT_RAND_S
#include "ToolSystem.h"

#include "AfxCodePageWin32.h"
#include "HostFile.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace zrvtool {
namespace {

volatile LONG g_interrupted = 0;
bool g_bTerminal = false;

// The console's and the command line's text, both ways. Unlike the framework's strict pair
// (AfxCodePageWin32.h) these never fail: a name holding an unpaired surrogate, which Windows allows,
// comes through with U+FFFD in its place, and the open that follows fails naming it.
std::string Utf8Of(const wchar_t* text, int n = -1)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text, n, nullptr, 0, nullptr, nullptr);
    std::string out(size_t(size > 0 ? size : 0), '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text, n, &out[0], size, nullptr, nullptr);
    if (n < 0 && !out.empty()) out.pop_back();  // the terminating zero
    return out;
}

std::wstring WideOf(const std::string& utf8)
{
    int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring out(size_t(size > 0 ? size : 0), L'\0');
    if (size > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), &out[0], size);
    return out;
}

// The system's text for a Win32 error, without its closing full stop and line end.
std::string ErrorText(DWORD error)
{
    wchar_t* text = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string out = n && text ? Utf8Of(text, int(n)) : "error " + std::to_string(error);
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.' || out.back() == ' ')) out.pop_back();
    return out;
}

// Ctrl+C and Ctrl+Break are held for the command to stop at its next check. When the console is
// closed or the user signs off, Windows ends the process once this returns: the handler waits a
// little for the command to remove its temporary outputs first.
BOOL WINAPI OnConsoleEvent(DWORD event)
{
    InterlockedExchange(&g_interrupted, event == CTRL_C_EVENT ? SIGINT : event == CTRL_BREAK_EVENT ? SIGBREAK : SIGTERM);
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) Sleep(3000);
    return TRUE;
}

bool ContainsPlaceholder(const std::string& command, size_t at, size_t& len)
{
    for (const char* p : {"{}", "{in}", "{out}"})
        if (command.compare(at, std::strlen(p), p) == 0) {
            len = std::strlen(p);
            return true;
        }
    return false;
}

}  // namespace

std::vector<std::string> StartTool(int, char**)
{
    SetConsoleOutputCP(CP_UTF8);
    // Images and payloads pass through stdin and stdout: no line-end translation, on any stream.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    g_bTerminal = GetConsoleMode(err, &mode) &&
                  SetConsoleMode(err, mode | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 1; argv && i < argc; ++i) args.push_back(Utf8Of(argv[i]));
    if (argv) LocalFree(argv);
    return args;
}

std::string ReaderPath(const std::string& utf8)
{
    // The manifest makes UTF-8 the ANSI code page where Windows knows the setting (10, 1903 on).
    if (GetACP() == CP_UTF8) return utf8;
    std::wstring wide = WideOf(utf8);
    auto ansi = [](const std::wstring& text, std::string& out) { return AfxWideToAnsi(text.c_str(), -1, out); };
    std::string out;
    if (ansi(wide, out)) return out;
    DWORD size = GetShortPathNameW(wide.c_str(), nullptr, 0);
    std::wstring shortPath(size, L'\0');
    if (size && GetShortPathNameW(wide.c_str(), &shortPath[0], size) && (shortPath.resize(wcslen(shortPath.c_str())), ansi(shortPath, out)))
        return out;
    return utf8;  // the open then fails and says so, naming the file
}

bool StderrIsTerminal() { return g_bTerminal; }

int ProcessorCount()
{
    DWORD n = GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
    return n < 1 ? 1 : n > 256 ? 256 : int(n);
}

std::string CreateExclusive(const std::filesystem::path& path, bool bFolder)
{
    if (bFolder) {
        if (CreateDirectoryW(path.c_str(), nullptr)) return "";
    } else {
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            return "";
        }
    }
    DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? "exists" : ErrorText(error);
}

FILE* OpenCreatedFile(const std::filesystem::path& path)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        errno = EACCES;
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        CloseHandle(h);
        errno = ELOOP;
        return nullptr;
    }
    int fd = _open_osfhandle(intptr_t(h), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        return nullptr;
    }
    FILE* f = _fdopen(fd, "wb");
    if (!f) _close(fd);
    return f;
}

// Named from the system's random numbers; CreateDirectory fails on a name already taken, so a
// folder planted there beforehand is never used.
std::filesystem::path MakeTemporaryFolder(const std::string& prefix, std::string& why)
{
    std::error_code ec;
    std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned int r[2] = {};
        for (unsigned int& x : r) rand_s(&x);
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, "%08x%08x", r[0], r[1]);
        std::filesystem::path path = temp / zrv::HostPath(prefix + suffix);
        std::string result = CreateExclusive(path, true);
        if (result.empty()) return path;
        why = "'" + path.u8string() + "': cannot create the directory: " + result;
        if (result != "exists") break;
    }
    return {};
}

// Access lists decide on Windows: a file made there and gone when closed is the one sure test.
bool MayCreateIn(const std::filesystem::path& folder, std::string& why)
{
    std::filesystem::path probe = folder / (".zrvtool-probe" + std::to_string(GetCurrentProcessId()));
    HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h != INVALID_HANDLE_VALUE || GetLastError() == ERROR_FILE_EXISTS) {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        return true;
    }
    why = ErrorText(GetLastError());
    return false;
}

void CatchInterrupts()
{
    InterlockedExchange(&g_interrupted, 0);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void ReleaseInterrupts() { SetConsoleCtrlHandler(OnConsoleEvent, FALSE); }

int InterruptSignal() { return int(g_interrupted); }

// Each placeholder becomes its file's name as one argument of the program's command line:
// in double quotes, unless the command already has it inside a pair. A Windows name holds no
// double quote, so it cannot end its argument; the line is not given to cmd.exe, so nothing in it
// is expanded (%...%) or taken as a command separator (& | < >). A name that ends in a backslash
// (none the tool passes) would have it doubled, as the quoting rules of the command line ask.
std::string SignLine(const std::string& command, const std::string& in, const std::string& out, bool*)
{
    std::string line;
    bool bQuoted = false;
    for (size_t i = 0; i < command.size();) {
        size_t len = 0;
        if (ContainsPlaceholder(command, i, len)) {
            std::string name = command[i + 1] == 'o' ? out : in;
            size_t slashes = 0;
            while (slashes < name.size() && name[name.size() - 1 - slashes] == '\\') ++slashes;
            name.append(slashes, '\\');
            line += bQuoted ? name : "\"" + name + "\"";
            i += len;
        } else {
            if (command[i] == '"') bQuoted = !bQuoted;
            line += command[i++];
        }
    }
    return line;
}

// The line runs through CreateProcess, in the current directory, with the tool's stdin and a pipe
// for its stdout and stderr; only that pipe's end and the stdin are inherited.
CommandOutcome RunSignLine(const std::string& line, const std::string&, const std::string&, std::string& output)
{
    CommandOutcome outcome;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return outcome;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE handles[2] = {writeEnd, GetStdHandle(STD_INPUT_HANDLE)};
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<char> attributes(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
    bool bStdin = handles[1] && handles[1] != INVALID_HANDLE_VALUE &&
                  SetHandleInformation(handles[1], HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    bool bList = InitializeProcThreadAttributeList(list, 1, 0, &size) &&
                 UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles,
                                           (bStdin ? 2 : 1) * sizeof(HANDLE), nullptr, nullptr);
    STARTUPINFOEXW si = {};
    si.StartupInfo.cb = sizeof si;
    si.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    si.StartupInfo.hStdInput = bStdin ? handles[1] : nullptr;
    si.StartupInfo.hStdOutput = writeEnd;
    si.StartupInfo.hStdError = writeEnd;
    si.lpAttributeList = bList ? list : nullptr;
    std::wstring wideLine = WideOf(line);
    PROCESS_INFORMATION pi = {};
    BOOL started = CreateProcessW(nullptr, &wideLine[0], nullptr, nullptr, TRUE,
                                  bList ? EXTENDED_STARTUPINFO_PRESENT : 0, nullptr, nullptr, &si.StartupInfo, &pi);
    if (bList) DeleteProcThreadAttributeList(list);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return outcome;
    }
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(readEnd, buf, sizeof buf, &n, nullptr) && n > 0) output.append(buf, n);
    CloseHandle(readEnd);
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    outcome.bStarted = true;
    outcome.nExitCode = int(code);
    return outcome;
}

}  // namespace zrvtool
