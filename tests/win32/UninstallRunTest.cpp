// The built Uninstal.exe run as a script runs it: "/S /LOG=FILE" from the installed folder, with
// its hand-over to a private copy. The exit code (whole: 3010 does not fit a byte) and the log,
// read the moment the program has ended, for a removal that is complete, one that leaves an item,
// and one whose file in use goes at the restart.
#include "AfxHandle.h"
#include "AfxPath.h"
#include "AfxString.h"
#include "InstallRecordFormat.h"
#include "../common/KeptAnchor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Up(std::string p, int n)
{
    while (n-- > 0) p = p.substr(0, p.rfind('\\'));
    return p;
}

std::string ThisProgram()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

// <build>\uninstall\Uninstal.exe and <build>\tests\uidriver\uidriver.exe, beside <build>\tests\win32\.
std::string Built(const char* pszRelative) { return Up(ThisProgram(), 3) + "\\" + pszRelative; }

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void Put(const std::string& path, const std::string& text)
{
    CHandle h(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD n = 0;
    WriteFile(h.Get(), text.data(), DWORD(text.size()), &n, nullptr);
}

std::string Read(const std::string& path)
{
    CHandle h(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string text;
    char buffer[4096];
    DWORD n = 0;
    while (h.IsValid() && ReadFile(h.Get(), buffer, sizeof buffer, &n, nullptr) && n > 0) text.append(buffer, n);
    return text;
}

bool IsHeld(const std::string& path)
{
    CHandle h(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, 0, nullptr));
    return !h.IsValid() && GetLastError() == ERROR_SHARING_VIOLATION;
}

CHandle Start(std::string cmd, const std::string& strDir)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, strDir.empty() ? nullptr : strDir.c_str(),
                        &si, &pi))
        return CHandle();
    CloseHandle(pi.hThread);
    return CHandle(pi.hProcess);
}

const char kPendingKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kPending[] = "PendingFileRenameOperations";

std::vector<BYTE> PendingRaw()
{
    CRegKey h;
    std::vector<BYTE> data;
    DWORD cb = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPendingKey, 0, KEY_QUERY_VALUE, h.Receive()) != ERROR_SUCCESS ||
        RegQueryValueExA(h.Get(), kPending, nullptr, nullptr, nullptr, &cb) != ERROR_SUCCESS)
        return data;
    data.resize(cb);
    RegQueryValueExA(h.Get(), kPending, nullptr, nullptr, data.data(), &cb);
    return data;
}

void RestorePending(const std::vector<BYTE>& data)
{
    CRegKey h;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPendingKey, 0, KEY_SET_VALUE, h.Receive());
    if (data.empty()) RegDeleteValueA(h.Get(), kPending);
    else RegSetValueExA(h.Get(), kPending, 0, REG_MULTI_SZ, data.data(), DWORD(data.size()));
}

}  // namespace

TEST(UninstallRun, ExitCodeAndLogOfASilentRun)
{
    ASSERT_TRUE(Exists(Built("uninstall\\Uninstal.exe")));
    ASSERT_TRUE(Exists(Built("tests\\uidriver\\uidriver.exe")));
    enum Case { AllGone, UserFileLeft, FileInUse };
    struct Row {
        const char* pszName;
        Case what;
        bool bRelativeLog;  // /LOG= relative to the caller's current directory
        DWORD nExit;
        // The log's lines; DIR stands for the installation's folder.
        std::vector<std::string> lines;
    } rows[] = {
        // victim.txt, the digest and the entry's key, Install.log, Uninstal.exe and the folder.
        {"all-gone", AllGone, false, 0, {"Removed: 6 items"}},
        {"all-gone-relative", AllGone, true, 0, {"Removed: 6 items"}},
        {"user-file-left", UserFileLeft, false, 2,
         {"Removed: 5 items", "Left: DIR (holds files that the installation did not make)"}},
        // Install.log stays until the restart with the file it lists, and the folder with both.
        {"file-in-use", FileInUse, false, 3010,
         {"Removed: 3 items", "At restart: DIR\\victim.txt (in use by a program; removed when Windows restarts)",
          "At restart: DIR\\Install.log (removed when Windows restarts)", "At restart: DIR (removed when Windows restarts)",
          "Windows must restart to finish the removal"}},
    };
    const std::vector<BYTE> pendingBefore = PendingRaw();
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        const std::string dir = std::string(temp) + "zrv-run-" + row.pszName, logDir = dir + "-logs";
        const std::string product = std::string("ZrvRunTest-") + row.pszName;
        const std::string log = "Uninstal.exe\r\nvictim.txt\r\n";
        CreateDirectoryA(dir.c_str(), nullptr);
        CreateDirectoryA(logDir.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(Built("uninstall\\Uninstal.exe").c_str(), (dir + "\\Uninstal.exe").c_str(), FALSE));
        Put(dir + "\\victim.txt", "the product's file");
        Put(dir + "\\Install.log", log);
        ASSERT_TRUE(KeepAnchor(product.c_str(), AfxNormalisedPath(dir.c_str()), RecordDigestText(log, "")));
        if (row.what == UserFileLeft) Put(dir + "\\mine.txt", "the user's");
        CHandle holder;
        if (row.what == FileInUse) {
            holder = Start("\"" + Built("tests\\uidriver\\uidriver.exe") + "\" hold \"" + dir + "\\victim.txt\" 60000", "");
            for (int i = 0; i < 200 && !IsHeld(dir + "\\victim.txt"); ++i) Sleep(50);
            ASSERT_TRUE(IsHeld(dir + "\\victim.txt"));
        }

        const std::string logPath = logDir + "\\run.log";
        CHandle run = Start("\"" + dir + "\\Uninstal.exe\" /S \"/LOG=" + (row.bRelativeLog ? std::string("run.log") : logPath) + "\"",
                            logDir);
        ASSERT_TRUE(run.IsValid());
        ASSERT_EQ(DWORD(WAIT_OBJECT_0), WaitForSingleObject(run.Get(), 60000));
        DWORD code = 0;
        GetExitCodeProcess(run.Get(), &code);
        // Read at once: a script reads it the moment the program it started has ended.
        std::string expected;
        for (std::string line : row.lines) {
            for (size_t at; (at = line.find("DIR")) != std::string::npos;) line.replace(at, 3, dir);
            expected += line + "\r\n";
        }
        EXPECT_EQ(row.nExit, code);
        EXPECT_EQ(expected, Read(logPath));

        if (holder.IsValid()) {
            EXPECT_TRUE(Exists(dir + "\\victim.txt")) << "the file in use was forced";
            TerminateProcess(holder.Get(), 0);
            WaitForSingleObject(holder.Get(), 10000);
        }
        // The entry goes in every case here: nothing is left that a later run could remove.
        CRegKey entry;
        EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kUninstallKeyPath) + product).c_str(), 0,
                                               KEY_READ, entry.Receive()));
        RestorePending(pendingBefore);
        for (int i = 0; i < 50 && Exists(dir + "\\Uninstal.exe"); ++i) Sleep(100);
        for (const char* name : {"Uninstal.exe", "victim.txt", "Install.log", "mine.txt"}) DeleteFileA((dir + "\\" + name).c_str());
        RemoveDirectoryA(dir.c_str());
        DeleteFileA(logPath.c_str());
        RemoveDirectoryA(logDir.c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kUninstallKeyPath) + product).c_str());
    }
}
