#include "LauncherApp.h"

#include "AfxCallerDir.h"
#include "AfxCodePageWin32.h"
#include "AfxExitCodes.h"
#include "AfxHandle.h"
#include "AfxMessageBox.h"
#include "AfxPath.h"
#include "AfxPrivateFolder.h"
#include "AfxRunEnd.h"
#include "AfxText.h"
#include "CommandTail.h"

namespace {

// The line as the user wrote it, in the process's code page (WinMain has refused one that the
// code page cannot hold).
const char* LauncherCommandLine()
{
    const char* pszLine = nullptr;
    AfxGetCommandLineText(&pszLine);
    return pszLine;
}

// How a run that a fault stopped ends.
RunEnd LaunchEnd(LaunchFault fault)
{
    switch (fault) {
    case LaunchFault::cannotRead: return RunEnd::bundleUnreadable;
    case LaunchFault::incomplete: return RunEnd::bundleIncomplete;
    case LaunchFault::damaged: return RunEnd::bundleDamaged;
    case LaunchFault::noRoom: return RunEnd::noRoomToUnpack;
    case LaunchFault::cannotUnpack: return RunEnd::cannotUnpack;
    case LaunchFault::none:
    case LaunchFault::cannotStart: break;
    }
    return RunEnd::cannotStartSetup;
}

// The message of a fault: the file or folder it is about, where its text names one.
void Report(LaunchFault fault, const LaunchPlaces& places)
{
    const RunEnd end = LaunchEnd(fault);
    const CString& path = end == RunEnd::bundleUnreadable ? places.strOwnFile
                          : end == RunEnd::cannotStartSetup ? places.strSetup
                                                            : places.UnpackFolder();
    AfxMessageBox(AfxTextFormat(RunEndTextKey(end), path.GetString()), MB_ICONHAND);
}

// Whether the temporary folder's drive has room for nBytes more (true when it cannot be told).
bool RoomInTemporaryFolder(unsigned long long nBytes, CString& strTemp)
{
    strTemp = AfxPrivateFolderBase();
    ULARGE_INTEGER avail = {}, total = {}, free = {};
    bool room = strTemp.IsEmpty() || !GetDiskFreeSpaceExA(strTemp, &avail, &total, &free) || avail.QuadPart >= nBytes;
    // Named in a message without its trailing backslash, as the other folders are.
    if (strTemp.GetLength() > 3 && strTemp[strTemp.GetLength() - 1] == '\\') strTemp = strTemp.Left(strTemp.GetLength() - 1);
    return room;
}

// Runs Setup.exe in strFolder with the launcher's own arguments and puts its exit code, whatever
// it is (3010 included), into nCode; false when it cannot be started. (No exit code is set aside
// to mean "not started": a program may end with any of them.)
bool RunSetup(const CString& strFolder, int& nCode)
{
    CString program = strFolder + "\\Setup.exe";
    // Paths the caller wrote relative to its folder stay the caller's, though Setup.exe runs in
    // strFolder: its folder goes first, before a /D= that takes the rest of the line.
    CString cmd = "\"" + program + "\"";
    CString caller = AfxCallerDirArgument();
    if (!caller.IsEmpty()) cmd += " " + caller;
    const char* args = AfxArgumentsOf(LauncherCommandLine());
    if (*args) cmd += CString(" ") + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string cmdBuffer = cmd.Str();
    if (!CreateProcessA(program, &cmdBuffer[0], nullptr, nullptr, FALSE, 0, nullptr, strFolder, &si, &pi)) return false;
    CHandle process(pi.hProcess), thread(pi.hThread);
    WaitForSingleObject(process.Get(), INFINITE);
    // Setup.exe has run: an outcome that cannot be read may hide a change, never "nothing done".
    DWORD code = kExitFailed;
    if (!GetExitCodeProcess(process.Get(), &code)) code = kExitFailed;
    nCode = int(code);
    return true;
}

}  // namespace

int CLauncherApp::Launch(LaunchFault& fault, LaunchPlaces& places)
{
    CBundle bundle;
    places.strOwnFile = AfxGetProgramPath();
    // Every fault of the launcher's own comes before Setup.exe has run: nothing is installed, and
    // the fault's way to end (LaunchEnd) gives the exit code.
    if ((fault = bundle.Open(places.strOwnFile)) != LaunchFault::none) return -1;
    if ((fault = bundle.CheckFiles()) != LaunchFault::none) return -1;
    if (!RoomInTemporaryFolder(bundle.TotalSize(), places.strTempFolder)) {
        fault = LaunchFault::noRoom;
        return -1;
    }
    CString folder;
    CFolderHandle held;
    if (!AfxCreatePrivateFolder(folder, held)) {
        fault = GetLastError() == ERROR_DISK_FULL ? LaunchFault::noRoom : LaunchFault::cannotUnpack;
        return -1;
    }
    places.strPrivateFolder = folder;
    fault = bundle.UnpackInto(held);
    bundle.Close();
    int code = -1;
    if (fault == LaunchFault::none && !RunSetup(folder, code)) {
        fault = LaunchFault::cannotStart;
        places.strSetup = folder + "\\Setup.exe";
        code = -1;
    }
    // The folder and every file in it stay held until Setup.exe has ended.
    bundle.Release();
    AfxRemovePrivateFolder(folder, held);
    return code;
}

BOOL CLauncherApp::InitInstance()
{
    LaunchFault fault = LaunchFault::none;
    LaunchPlaces places;
    m_nExitCode = Launch(fault, places);
    if (fault != LaunchFault::none) m_nExitCode = RunEndExitCode(LaunchEnd(fault));
    if (fault != LaunchFault::none && !HasSilentSwitch(LauncherCommandLine())) {
        // The language Setup.exe would have spoken, but for Setup.ini's list: it is in the bundle.
        AfxStartLanguage(LanguageSwitch(LauncherCommandLine()), {});
        Report(fault, places);
    }
    return FALSE;
}
