// The bundle's launcher: unpacks the medium carried in its own file into a private temporary
// folder, runs its Setup.exe there with the launcher's own arguments, removes the folder and ends
// with Setup.exe's exit code. Anything that stops it ends with exit code 1 and one message box,
// none with /S among its arguments.
#pragma once

#include "AfxWinApp.h"
#include "Unpack.h"

class CLauncherApp : public CWinApp {
public:
    CLauncherApp() : CWinApp("Setup") {}
    BOOL InitInstance() override;
    int ExitInstance() override { return m_nExitCode; }

private:
    // Unpacks and runs the medium; returns Setup.exe's exit code, or 1 with fault set.
    int Launch(LaunchFault& fault, CString& strWhere);

    int m_nExitCode = 1;
};
