// The bundle's launcher: unpacks the medium carried in its own file into a private temporary
// folder, runs its Setup.exe there with the launcher's own arguments, removes the folder and ends
// with Setup.exe's exit code. Anything that stops it ends with exit code 1 and one message box,
// none with /S among its arguments.
#pragma once

#include "AfxWinApp.h"
#include "Unpack.h"

// The files and folders of one launch, each named by the message of its own fault.
struct LaunchPlaces {
    CString strOwnFile;        // this program's file, which carries the medium
    CString strTempFolder;     // the temporary folder, without a closing backslash
    CString strPrivateFolder;  // the private folder made in it for the medium; empty until made
    CString strSetup;          // Setup.exe unpacked there
    // The folder that a fault of unpacking names: the private one once it exists.
    const CString& UnpackFolder() const { return strPrivateFolder.IsEmpty() ? strTempFolder : strPrivateFolder; }
};

class CLauncherApp : public CWinApp {
public:
    CLauncherApp() : CWinApp("Setup") {}
    BOOL InitInstance() override;
    int ExitInstance() override { return m_nExitCode; }

private:
    // Unpacks and runs the medium; returns Setup.exe's exit code, or -1 with fault set. places
    // gets each file and folder as the launch reaches it.
    int Launch(LaunchFault& fault, LaunchPlaces& places);

    int m_nExitCode = 1;
};
