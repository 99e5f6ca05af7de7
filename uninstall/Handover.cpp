#include "Handover.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Quotes an argument for the C runtime's command-line parser: backslashes before the closing
// quote are doubled, so "C:\" arrives as C:\ and not as C:".
CString Quoted(const CString& s)
{
    CString out = "\"" + s;
    int trailing = 0;
    while (trailing < s.GetLength() && s[s.GetLength() - 1 - trailing] == '\\') ++trailing;
    out += CString('\\', trailing);
    return out + "\"";
}

// A copy of the program under a fresh name in the temporary folder; empty when none can be made.
CString CopyToTemporaryFolder(const CString& strProgram)
{
    char dir[MAX_PATH] = {}, name[MAX_PATH] = {};
    DWORD n = GetTempPathA(MAX_PATH, dir);
    if (n == 0 || n >= MAX_PATH) return "";
    if (!GetTempFileNameA(dir, "zun", 0, name)) return "";
    // The placeholder reserves the name; the program runs under it with an .exe added.
    CString copy = CString(name) + ".exe";
    if (!CopyFileA(strProgram, copy, TRUE)) {
        DeleteFileA(name);
        return "";
    }
    DeleteFileA(name);
    return copy;
}

}  // namespace

CString OwnProgramPath()
{
    char path[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH + 1);
    return n > 0 && n <= MAX_PATH ? CString(path) : CString();
}

int RunHandoverCopy(const CString& strOptions, const CString& strProgram)
{
    CString copy = CopyToTemporaryFolder(strProgram);
    if (copy.IsEmpty()) return -1;
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE hRead = nullptr, hWrite = nullptr, hSelf = nullptr;
    if (!CreatePipe(&hRead, &hWrite, &sa, 0)) {
        DeleteFileA(copy);
        return -1;
    }
    SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &hSelf, SYNCHRONIZE, TRUE, 0);

    char handles[64];
    std::snprintf(handles, sizeof handles, "%lx:%lx", (unsigned long)(ULONG_PTR)hSelf, (unsigned long)(ULONG_PTR)hWrite);
    CString cmd = Quoted(copy) + (strOptions.IsEmpty() ? "" : " " + strOptions) + " /HANDOVER " + handles + " " +
                  Quoted(strProgram);
    // The copy works from the temporary folder, so that no process keeps the target in use.
    CString cwd = copy.Left(copy.ReverseFind('\\') + 1);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string cmdBuffer = cmd.Str();
    BOOL started = CreateProcessA(copy, &cmdBuffer[0], nullptr, nullptr, TRUE, 0, nullptr, cwd, &si, &pi);
    DWORD startErr = GetLastError();
    CloseHandle(hWrite);
    if (hSelf) CloseHandle(hSelf);
    if (!started) {
        CloseHandle(hRead);
        DeleteFileA(copy);
        SetLastError(startErr);
        return -1;
    }
    CloseHandle(pi.hThread);
    unsigned char verdict = 0;
    DWORD got = 0;
    int result;
    if (ReadFile(hRead, &verdict, 1, &got, nullptr) && got == 1) {
        result = verdict;
    } else {
        // The copy ended without a word: its exit code is all there is.
        WaitForSingleObject(pi.hProcess, INFINITE);
        DWORD code = 1;
        GetExitCodeProcess(pi.hProcess, &code);
        result = int(code & 0xFF);
    }
    CloseHandle(hRead);
    CloseHandle(pi.hProcess);
    return result;
}

bool ParseHandoverHandles(const char* psz, HandoverArgs& args)
{
    char* end = nullptr;
    unsigned long parent = std::strtoul(psz, &end, 16);
    if (end == psz || *end != ':') return false;
    const char* second = end + 1;
    unsigned long verdict = std::strtoul(second, &end, 16);
    if (end == second || *end != '\0' || parent == 0 || verdict == 0) return false;
    args.hParent = HANDLE(ULONG_PTR(parent));
    args.hVerdict = HANDLE(ULONG_PTR(verdict));
    return true;
}

void SendVerdict(HandoverArgs& args, int nCode)
{
    if (!args.hVerdict) return;
    unsigned char verdict = static_cast<unsigned char>(nCode);
    DWORD written = 0;
    WriteFile(args.hVerdict, &verdict, 1, &written, nullptr);
    CloseHandle(args.hVerdict);
    args.hVerdict = nullptr;
}

void WaitForFirstProcess(HandoverArgs& args, DWORD nMs)
{
    if (!args.hParent) return;
    WaitForSingleObject(args.hParent, nMs);
    CloseHandle(args.hParent);
    args.hParent = nullptr;
}

void DeleteAtRestart(const CString& strPath) { MoveFileExA(strPath, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT); }
