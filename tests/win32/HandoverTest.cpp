// The uninstaller's copy accepts a hand-over only from the uninstaller itself: the built
// Uninstal.exe is started as a copy with real inherited handles or made-up ones, for the listed
// uninstaller or other programs; only the genuine hand-over removes anything. And the copy that
// the hand-over makes holds its private folder and its own file for as long as it runs.
#include "AfxHandle.h"
#include "AfxPrivateFolder.h"
#include "AfxString.h"
#include "Handover.h"
#include "PrivateFolderBase.h"
#include "AfxPath.h"
#include "InstallRecordFormat.h"
#include "../common/KeptAnchor.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

CString Folder(const CString& strPath) { return strPath.Left(strPath.ReverseFind('\\')); }

CString ThisProgram()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

// The build's Uninstal.exe: <build>\uninstall\ beside this program's <build>\tests\win32\.
CString BuiltUninstaller() { return Folder(Folder(Folder(ThisProgram()))) + "\\uninstall\\Uninstal.exe"; }

bool Exists(const CString& strPath) { return GetFileAttributesA(strPath) != INVALID_FILE_ATTRIBUTES; }

void Put(const CString& strPath, const char* pszText)
{
    CHandle h(CreateFileA(strPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD n = 0;
    WriteFile(h.Get(), pszText, DWORD(lstrlenA(pszText)), &n, nullptr);
}

// An installed product in a fresh folder: the uninstaller, a file of the product (the victim), and
// a log listing what pszLog names.
CString MakeInstallation(const char* pszName, const char* pszLog)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    CString dir = CString(temp) + "zrv-handover-" + pszName;
    CreateDirectoryA(dir, nullptr);
    CopyFileA(BuiltUninstaller(), dir + "\\Uninstal.exe", FALSE);
    Put(dir + "\\victim.txt", "the product's file");
    if (pszLog) Put(dir + "\\Install.log", pszLog);
    // Kept where an installation keeps it, or the uninstaller believes no log at all.
    if (pszLog) KeepAnchor(CString("ZrvHandoverTest-") + pszName, AfxNormalisedPath(dir), RecordDigestText(pszLog, ""));
    return dir;
}

void RemoveInstallation(const char* pszName, const CString& strDir)
{
    for (const char* name : {"Uninstal.exe", "victim.txt", "Install.log"}) DeleteFileA(strDir + "\\" + name);
    RemoveDirectoryA(strDir);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, CString(kUninstallKeyPath) + "ZrvHandoverTest-" + pszName);
}

// What a first process hands over: a process to wait for (a suspended program that never runs,
// standing in for the first process) and a pipe for the verdict.
struct FirstProcess {
    CHandle hStandIn, hStandInThread, hParent, hRead, hWrite;

    bool Make()
    {
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        std::string cmd = "\"" + ThisProgram().Str() + "\" --gtest_list_tests";
        if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si, &pi))
            return false;
        hStandIn.Attach(pi.hProcess);
        hStandInThread.Attach(pi.hThread);
        SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
        return DuplicateHandle(GetCurrentProcess(), hStandIn.Get(), GetCurrentProcess(), hParent.Receive(),
                               SYNCHRONIZE | PROCESS_QUERY_INFORMATION, TRUE, 0) &&
               CreatePipe(hRead.Receive(), hWrite.Receive(), &sa, 0) &&
               SetHandleInformation(hRead.Get(), HANDLE_FLAG_INHERIT, 0);
    }

    ~FirstProcess()
    {
        if (hStandIn) TerminateProcess(hStandIn.Get(), 0);
    }
};

CString Hex(HANDLE h)
{
    char text[24];
    std::snprintf(text, sizeof text, "%" PRIxPTR, uintptr_t(h));
    return text;
}

// Starts the uninstaller as a copy with "/S /HANDOVER strHandles strProgram"; returns its exit code
// and the verdict it wrote (-1 for none). The stand-in first process ends once a verdict is read.
DWORD RunCopy(FirstProcess& first, const CString& strHandles, const CString& strProgram, int& nVerdict)
{
    std::string cmd = "\"" + BuiltUninstaller().Str() + "\" /S /HANDOVER " + strHandles.Str() + " \"" +
                      strProgram.Str() + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return 0xDEAD;
    CHandle process(pi.hProcess), thread(pi.hThread);
    first.hWrite.Close();
    first.hParent.Close();
    int verdict = 0;
    nVerdict = ReceiveVerdict(first.hRead.Get(), verdict) ? verdict : -1;
    TerminateProcess(first.hStandIn.Get(), 0);
    if (WaitForSingleObject(process.Get(), 20000) != WAIT_OBJECT_0) {
        TerminateProcess(process.Get(), 99);
        return 0xBAD;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    return code;
}

}  // namespace

TEST(Handover, OnlyTheGenuineHandOverRemovesAnything)
{
    ASSERT_TRUE(Exists(BuiltUninstaller())) << BuiltUninstaller().GetString();
    const char kListed[] = "Uninstal.exe\r\nvictim.txt\r\n";
    enum Handles { Genuine, MadeUp, Swapped, ReadEnd, EndedParent };
    struct Row {
        const char* pszName;
        Handles handles;
        const char* pszLog;      // the installation's Install.log; null for none
        const char* pszProgram;  // the program named, relative to the installation's folder
        DWORD nExit;
        int nVerdict;
    } rows[] = {
        {"genuine", Genuine, kListed, "\\Uninstal.exe", 0, 0},
        {"genuine-other-spelling", Genuine, kListed, "\\..\\zrv-handover-genuine-other-spelling\\UNINSTAL.EXE", 0, 0},
        {"made-up", MadeUp, kListed, "\\Uninstal.exe", 1, -1},
        {"swapped", Swapped, kListed, "\\Uninstal.exe", 1, -1},
        {"read-end", ReadEnd, kListed, "\\Uninstal.exe", 1, -1},
        {"ended-parent", EndedParent, kListed, "\\Uninstal.exe", 1, -1},
        {"names-the-victim", Genuine, kListed, "\\victim.txt", 1, -1},
        {"not-listed", Genuine, "victim.txt\r\n", "\\Uninstal.exe", 1, -1},
        {"no-log", Genuine, nullptr, "\\Uninstal.exe", 1, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        CString dir = MakeInstallation(row.pszName, row.pszLog);
        FirstProcess first;
        ASSERT_TRUE(first.Make());
        CString handles = Hex(first.hParent.Get()) + ":" + Hex(first.hWrite.Get());
        if (row.handles == MadeUp) handles = "4:8";
        if (row.handles == Swapped) handles = Hex(first.hWrite.Get()) + ":" + Hex(first.hParent.Get());
        if (row.handles == ReadEnd) {
            SetHandleInformation(first.hRead.Get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
            handles = Hex(first.hParent.Get()) + ":" + Hex(first.hRead.Get());
        }
        if (row.handles == EndedParent) {
            TerminateProcess(first.hStandIn.Get(), 0);
            WaitForSingleObject(first.hStandIn.Get(), 5000);
        }
        int verdict = -2;
        EXPECT_EQ(row.nExit, RunCopy(first, handles, dir + row.pszProgram, verdict));
        EXPECT_EQ(row.nVerdict, verdict);
        bool removed = row.nExit == 0;
        EXPECT_EQ(!removed, Exists(dir + "\\victim.txt"));
        EXPECT_EQ(!removed, Exists(dir + "\\Uninstal.exe"));
        RemoveInstallation(row.pszName, dir);
    }
}

namespace {

CString TemporaryFolder() { return PrivateFolderBase(); }

// The private folders in the temporary folder now.
std::set<std::string> PrivateFolders()
{
    std::set<std::string> found;
    WIN32_FIND_DATAA data;
    CFindHandle find(FindFirstFileA(TemporaryFolder() + "zrv*", &data));
    if (!find) return found;
    do {
        CString path = TemporaryFolder() + data.cFileName;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && AfxIsPrivateFolder(path)) found.insert(path.Str());
    } while (FindNextFileA(find.Get(), &data));
    return found;
}

// The program of that name that this process started, still running; 0 when there is none.
DWORD ChildNamed(const CString& strName)
{
    CHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot && Process32First(snapshot.Get(), &entry); more; more = Process32Next(snapshot.Get(), &entry))
        if (entry.th32ParentProcessID == GetCurrentProcessId() && lstrcmpiA(CString(entry.szExeFile), strName) == 0)
            return entry.th32ProcessID;
    return 0;
}

bool RenameAside(const CString& strFrom, const CString& strTo)
{
    if (!MoveFileExA(strFrom, strTo, 0)) return false;
    MoveFileExA(strTo, strFrom, 0);
    return true;
}

bool OpenWith(const CString& strPath, DWORD dwAccess)
{
    CHandle h(CreateFileA(strPath, dwAccess, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return h.IsValid();
}

}  // namespace

// Runs only as the copy that the next test hands over to (this program, copied into a private
// folder by RunHandoverCopy): takes the hand-over as the uninstaller's copy does, sends a verdict
// and waits for the first process, as the copy does before it removes the first program's file.
TEST(HandoverCopy, StandsInForTheUninstallersCopy)
{
    const char* pszAt = std::strstr(GetCommandLineA(), "/HANDOVER ");
    if (!pszAt) GTEST_SKIP() << "runs only as a hand-over's copy";
    std::string handles(pszAt + 10);
    handles = handles.substr(0, handles.find(' '));
    HandoverArgs args;
    ASSERT_TRUE(TakeHandoverHandles(handles.c_str(), args)) << handles;
    SendVerdict(args, 7);
    WaitForFirstProcess(args, 30000);
}

// This process plays the first one: RunHandoverCopy returns the verdict and lets go of its own
// handles; the copy then waits for this process to end. While it waits, the copy alone holds its
// folder and its file: renaming either aside, writing or deleting the file fail every time. Once
// the copy has ended, nothing holds them any more.
TEST(Handover, TheCopyHoldsItsFolderAndItsFileWhileItRuns)
{
    std::set<std::string> before = PrivateFolders();
    EXPECT_EQ(7, RunHandoverCopy("--gtest_filter=HandoverCopy.*", ThisProgram()));
    std::vector<std::string> made;
    for (const std::string& folder : PrivateFolders())
        if (!before.count(folder)) made.push_back(folder);
    ASSERT_EQ(1u, made.size()) << "one private folder for the copy";
    CString name = ThisProgram().Mid(ThisProgram().ReverseFind('\\') + 1);
    CString folder = made[0].c_str(), program = folder + "\\" + name;
    CHandle copy(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, ChildNamed(name)));
    ASSERT_TRUE(copy.IsValid()) << "the copy runs";
    ASSERT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(copy.Get(), 0)) << "the copy waits for this process";
    struct Row {
        const char* pszWhat;
        bool (*pTry)(const CString& strFolder, const CString& strProgram);
    } rows[] = {
        {"rename the folder aside", [](const CString& f, const CString&) { return RenameAside(f, f + "-aside"); }},
        {"rename the program aside", [](const CString& f, const CString& p) { return RenameAside(p, f + "\\x.exe"); }},
        {"move the program out", [](const CString& f, const CString& p) { return RenameAside(p, f + "-out.exe"); }},
        {"open the program for writing", [](const CString&, const CString& p) { return OpenWith(p, GENERIC_WRITE); }},
        {"open the program for deleting", [](const CString&, const CString& p) { return OpenWith(p, DELETE); }},
        {"open the folder for deleting", [](const CString& f, const CString&) { return OpenWith(f, DELETE); }},
        {"delete the program", [](const CString&, const CString& p) { return DeleteFileA(p) != FALSE; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszWhat);
        for (int i = 0; i < 5; ++i) EXPECT_FALSE(row.pTry(folder, program)) << "attempt " << i;
    }
    EXPECT_TRUE(Exists(program));
    // Ended here rather than after its wait for this process: then nothing holds them.
    TerminateProcess(copy.Get(), 0);
    EXPECT_EQ(DWORD(WAIT_OBJECT_0), WaitForSingleObject(copy.Get(), 10000));
    EXPECT_TRUE(RenameAside(folder, folder + "-aside")) << "it was the copy that held the folder";
    AfxRemovePrivateFolder(folder);
    EXPECT_FALSE(Exists(folder));
}
