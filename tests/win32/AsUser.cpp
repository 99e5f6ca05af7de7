// as-user.exe: starts a program as the signed-in user without the administrators' rights, the way
// the tests reach the branches that a program takes when it is not elevated.
//
//   as-user.exe --probe           exit 10: this process is not elevated and has the limited token;
//                                 11: elevated; 12: neither (a token without a twin)
//   as-user.exe PROGRAM [ARGS]    PROGRAM, with ARGS as they stand, under the limited twin of this
//                                 process's token (a primary duplicate of its linked token); waits
//                                 and exits with its exit code; 120 when it cannot be started
//
// Written on its own, with no code of the programs it starts, so that what they decide about
// their rights is tested against a token made independently of them.
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

int Probe()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return 13;
    TOKEN_ELEVATION elevation = {};
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    bool ok = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
              GetTokenInformation(token, TokenElevationType, &type, sizeof type, &size);
    CloseHandle(token);
    if (!ok) return 13;
    if (elevation.TokenIsElevated) return 11;
    return type == TokenElevationTypeLimited ? 10 : 12;
}

// The command line after this program's own name, as it was given.
const wchar_t* Tail()
{
    const wchar_t* p = GetCommandLineW();
    bool quoted = false;
    for (; *p && (quoted || (*p != L' ' && *p != L'\t')); ++p)
        if (*p == L'"') quoted = !quoted;
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 2 && std::wcscmp(argv[1], L"--probe") == 0) return Probe();
    if (argc < 2) return 120;
    HANDLE self = nullptr, primary = nullptr;
    TOKEN_LINKED_TOKEN linked = {};
    DWORD size = 0;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &self) ||
        !GetTokenInformation(self, TokenLinkedToken, &linked, sizeof linked, &size) ||
        !DuplicateTokenEx(linked.LinkedToken, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary, &primary))
        return 120;
    std::wstring line = Tail();
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessAsUserW(primary, nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return 120;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 120;
    GetExitCodeProcess(pi.hProcess, &code);
    return int(code);
}
