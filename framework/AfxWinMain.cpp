// The program's entry point, kept in its own object so that test programs with a main() of
// their own do not pull it in.
#include "AfxCodePageWin32.h"
#include "AfxCommandLine.h"
#include "AfxRunEnd.h"
#include "AfxSystemDll.h"
#include "AfxWinApp.h"

#include <cstdlib>
#include <string>

// The arguments are read from the line as the user wrote it (GetCommandLineW), in the process's
// code page: the runtime's lpCmdLine went through the ANSI code page with best fit, which turns a
// folder the code page cannot name into another, existing or not ("C:\Łódź" into "C:\Lodz").
// Where the code page is not UTF-8 and cannot hold a character of the line, the program refuses
// to start, with a message unless the line asks for silence.
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR, int nCmdShow)
{
    AfxRestrictDllSearch();
    const char* pszLine = nullptr;
    if (!AfxGetCommandLineText(&pszLine)) {
        std::string text = "The command line holds a character that the code page of this Windows cannot hold "
                           "(shown as '?'):\n\n" + std::string(pszLine) +
                           "\n\nStart the program with names that the code page can hold, or on Windows 10 "
                           "version 1903 or later.";
        if (!CCommandSwitches(AfxArgumentsOf(pszLine)).Has("/S")) MessageBoxA(nullptr, text.c_str(), nullptr, MB_OK | MB_ICONHAND);
        return RunEndExitCode(RunEnd::commandLineRefused);
    }
    return AfxWinMain(hInstance, hPrevInstance, const_cast<LPSTR>(AfxArgumentsOf(pszLine)), nCmdShow);
}

// An exception nobody catches ends the program as the C++ runtime's default handler would, but
// without its report to a standard error stream that a GUI program does not have: the default
// handler would link in the runtime's whole name demangler (some 50 KB) for that report alone.
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
}  // namespace __gnu_cxx
