// The program's entry point, kept in its own object so that test programs with a main() of
// their own do not pull it in.
#include "AfxWinApp.h"

#include <cstdlib>

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
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
