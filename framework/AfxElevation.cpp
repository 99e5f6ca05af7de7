#include "AfxElevation.h"

#include "AfxCodePageWin32.h"
#include "AfxHandle.h"
#include "AfxRegistry.h"
#include "AfxSecurity.h"
#include "AfxShell.h"

#include <vector>

namespace {

bool TokenIsElevated(HANDLE hToken)
{
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    return GetTokenInformation(hToken, TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
}

// User account control is on unless the machine's policy says EnableLUA=0.
bool AccountControlIsOn()
{
    CRegKey key;
    DWORD value = 1;
    if (AfxRegOpenKeyNoLinks(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
                             KEY_QUERY_VALUE, key) != ERROR_SUCCESS ||
        !AfxRegQueryDword(key.Get(), "EnableLUA", value))
        return true;
    return value != 0;
}

// A primary token of the limited twin of this process's token; false when the system does not
// hand one out (it does so only to holders of the trusted computing base privilege on some systems).
bool LimitedTwin(CHandle& primary)
{
    CHandle self;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, self.Receive())) return false;
    TOKEN_LINKED_TOKEN linked = {};
    DWORD size = 0;
    if (!GetTokenInformation(self.Get(), TokenLinkedToken, &linked, sizeof linked, &size) || !linked.LinkedToken)
        return false;
    CHandle twin(linked.LinkedToken);
    return DuplicateTokenEx(twin.Get(), TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary,
                            primary.Receive()) != FALSE &&
           !TokenIsElevated(primary.Get());
}

// A primary token of the desktop's program, which the signed-in user started with the everyday
// token; false when there is none, or it runs elevated itself.
bool ShellToken(CHandle& primary)
{
    HWND shell = GetShellWindow();
    DWORD pid = 0;
    if (!shell || !GetWindowThreadProcessId(shell, &pid) || pid == 0) return false;
    CHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    CHandle token;
    if (!process || !OpenProcessToken(process.Get(), TOKEN_DUPLICATE | TOKEN_QUERY, token.Receive())) return false;
    return DuplicateTokenEx(token.Get(), TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY | TOKEN_ADJUST_DEFAULT |
                                             TOKEN_ADJUST_SESSIONID,
                            nullptr, SecurityImpersonation, TokenPrimary, primary.Receive()) != FALSE &&
           !TokenIsElevated(primary.Get());
}

// Waits for the started program and returns its exit code.
int WaitForExitCode(PROCESS_INFORMATION& pi)
{
    CHandle process(pi.hProcess), thread(pi.hThread);
    WaitForSingleObject(process.Get(), INFINITE);
    DWORD code = 0;
    if (!GetExitCodeProcess(process.Get(), &code)) return -1;
    return int(code);
}

}  // namespace

AfxRights AfxGetRights()
{
    CHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return AfxRights::noWay;
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    if (!GetTokenInformation(token.Get(), TokenElevationType, &type, sizeof type, &size))
        return AfxIsElevated() ? AfxRights::fullOnly : AfxRights::noWay;
    if (type == TokenElevationTypeFull) return AfxRights::elevated;
    if (type == TokenElevationTypeLimited) return AfxRights::limited;
    // No twin: the administrators' rights alone, or none and a system that asks for them only while
    // its account control is on.
    if (AfxIsElevated()) return AfxRights::fullOnly;
    return AccountControlIsOn() ? AfxRights::limited : AfxRights::noWay;
}

int AfxRunAsUser(const CString& strProgram, const CString& strArguments, const CString& strDirectory)
{
    CString line = "\"" + strProgram + "\"" + (strArguments.IsEmpty() ? CString() : " " + strArguments);
    const char* pszDir = strDirectory.IsEmpty() ? nullptr : strDirectory.GetString();
    PROCESS_INFORMATION pi = {};
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string buffer = line.Str();
    // Without the administrators' rights already: the program inherits this token.
    if (!AfxIsElevated())
        return CreateProcessA(strProgram, &buffer[0], nullptr, nullptr, FALSE, 0, nullptr, pszDir, &si, &pi)
                   ? WaitForExitCode(pi)
                   : -1;
    CHandle token;
    if (LimitedTwin(token) &&
        CreateProcessAsUserA(token.Get(), strProgram, &buffer[0], nullptr, nullptr, FALSE, 0, nullptr, pszDir, &si, &pi))
        return WaitForExitCode(pi);
    token.Close();
    typedef BOOL(WINAPI * CreateWithTokenProc)(HANDLE, DWORD, LPCWSTR, LPWSTR, DWORD, LPVOID, LPCWSTR,
                                               LPSTARTUPINFOW, LPPROCESS_INFORMATION);
    HMODULE advapi = GetModuleHandleA("advapi32.dll");
    auto createWithToken = advapi ? reinterpret_cast<CreateWithTokenProc>(reinterpret_cast<void (*)()>(
                                        GetProcAddress(advapi, "CreateProcessWithTokenW")))
                                  : nullptr;
    if (!createWithToken || !ShellToken(token)) return -1;
    STARTUPINFOW siw = {};
    siw.cb = sizeof siw;
    // Text that is none of the code page's starts nothing, rather than a program of another name.
    std::wstring program, wline, dir;
    if (!AfxAnsiToWide(strProgram.GetString(), program) || !AfxAnsiToWide(line.GetString(), wline) ||
        !AfxAnsiToWide(strDirectory.GetString(), dir))
        return -1;
    if (!createWithToken(token.Get(), 0, program.c_str(), &wline[0], 0, nullptr, pszDir ? dir.c_str() : nullptr, &siw,
                         &pi))
        return -1;
    return WaitForExitCode(pi);
}

