#include "LauncherApp.h"

#include "AfxCallerDir.h"
#include "AfxHandle.h"
#include "AfxMessageBox.h"
#include "AfxPath.h"
#include "AfxPrivateFolder.h"
#include "CommandTail.h"

namespace {

void Report(LaunchFault fault, const LaunchPlaces& places)
{
    CString text;
    switch (fault) {
    case LaunchFault::cannotRead:
        text.Format("FATAL: unable to read the installer's own file '%s'", places.strOwnFile.GetString());
        break;
    case LaunchFault::incomplete:
        text = "FATAL: this installer is incomplete: its download was cut short.\nPlease download it again.";
        break;
    case LaunchFault::damaged:
        text = "FATAL: this installer is damaged: its contents do not match their checksums.\nPlease download it again.";
        break;
    case LaunchFault::noRoom:
        text.Format("FATAL: not enough room in the temporary folder '%s' to unpack the installation",
                    places.UnpackFolder().GetString());
        break;
    case LaunchFault::cannotUnpack:
        text.Format("FATAL: unable to unpack the installation into the temporary folder '%s'",
                    places.UnpackFolder().GetString());
        break;
    case LaunchFault::cannotStart: text.Format("FATAL: unable to start '%s'", places.strSetup.GetString()); break;
    case LaunchFault::none: return;
    }
    AfxMessageBox(text, MB_ICONHAND);
}

// Whether the temporary folder's drive has room for nBytes more (true when it cannot be told).
bool RoomInTemporaryFolder(unsigned long long nBytes, CString& strTemp)
{
    char dir[MAX_PATH + 1] = {};
    DWORD n = GetTempPathA(MAX_PATH + 1, dir);
    strTemp = n > 0 && n <= MAX_PATH ? dir : "";
    ULARGE_INTEGER avail = {}, total = {}, free = {};
    bool room = strTemp.IsEmpty() || !GetDiskFreeSpaceExA(strTemp, &avail, &total, &free) || avail.QuadPart >= nBytes;
    // Named in a message without its trailing backslash, as the other folders are.
    if (strTemp.GetLength() > 3 && strTemp[strTemp.GetLength() - 1] == '\\') strTemp = strTemp.Left(strTemp.GetLength() - 1);
    return room;
}

// Runs Setup.exe in strFolder with the launcher's own arguments; its exit code, or -1 when it
// cannot be started.
int RunSetup(const CString& strFolder)
{
    CString program = strFolder + "\\Setup.exe";
    // Paths the caller wrote relative to its folder stay the caller's, though Setup.exe runs in
    // strFolder: its folder goes first, before a /D= that takes the rest of the line.
    CString cmd = "\"" + program + "\"";
    CString caller = AfxCallerDirArgument();
    if (!caller.IsEmpty()) cmd += " " + caller;
    const char* args = AfxArgumentsOf(GetCommandLineA());
    if (*args) cmd += CString(" ") + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string cmdBuffer = cmd.Str();
    if (!CreateProcessA(program, &cmdBuffer[0], nullptr, nullptr, FALSE, 0, nullptr, strFolder, &si, &pi)) return -1;
    CHandle process(pi.hProcess), thread(pi.hThread);
    WaitForSingleObject(process.Get(), INFINITE);
    DWORD code = 1;
    if (!GetExitCodeProcess(process.Get(), &code)) code = 1;
    return int(code);
}

}  // namespace

int CLauncherApp::Launch(LaunchFault& fault, LaunchPlaces& places)
{
    CBundle bundle;
    places.strOwnFile = AfxGetProgramPath();
    if ((fault = bundle.Open(places.strOwnFile)) != LaunchFault::none) return 1;
    if ((fault = bundle.CheckFiles()) != LaunchFault::none) return 1;
    if (!RoomInTemporaryFolder(bundle.TotalSize(), places.strTempFolder)) {
        fault = LaunchFault::noRoom;
        return 1;
    }
    CString folder;
    CFolderHandle held;
    if (!AfxCreatePrivateFolder(folder, held)) {
        fault = GetLastError() == ERROR_DISK_FULL ? LaunchFault::noRoom : LaunchFault::cannotUnpack;
        return 1;
    }
    places.strPrivateFolder = folder;
    fault = bundle.UnpackInto(held);
    bundle.Close();
    int code = 1;
    if (fault == LaunchFault::none) {
        code = RunSetup(folder);
        if (code == -1) {
            fault = LaunchFault::cannotStart;
            places.strSetup = folder + "\\Setup.exe";
            code = 1;
        }
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
    if (fault != LaunchFault::none && !HasSilentSwitch(GetCommandLineA())) Report(fault, places);
    return FALSE;
}
