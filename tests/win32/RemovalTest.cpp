// The uninstaller's removal against the real registry and files under Wine: what goes, what stays
// and what is reported, for logs that name keys out of order, foreign values and files; and files
// that another program holds open: asked about, removed on Retry, else arranged for the restart
// with the folders that then hold nothing else, in an order the restart can carry out.
#include "AfxHandle.h"
#include "InstallLog.h"
#include "Removal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../common/RegistryKeys.h"

namespace {

const char kBase[] = "Software\\ZrvRemovalTest";

std::string TempTarget()
{
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + "zrv-removal";
}

void Put(const std::string& path, const char* text)
{
    CHandle h(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD n = 0;
    WriteFile(h.Get(), text, DWORD(strlen(text)), &n, nullptr);
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void SetValue(const std::string& sub, const char* name)
{
    CRegKey h;
    RegCreateKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, h.Receive(), nullptr);
    RegSetValueExA(h.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
}

TEST(Removal, RemovesWhatTheLogListsAndReportsTheRest)
{
    const std::string base = kBase, t = TempTarget();
    DeleteKeyTree(HKEY_CURRENT_USER, base);
    // The installation: two folders, three files, keys A and A\B with values, and a key C.
    CreateDirectoryA(t.c_str(), nullptr);
    CreateDirectoryA((t + "\\d").c_str(), nullptr);
    CreateDirectoryA((t + "\\d\\e").c_str(), nullptr);
    Put(t + "\\d\\e\\f.txt", "f");
    Put(t + "\\g.txt", "g");
    Put(t + "\\Uninstal.exe", "u");
    SetValue(base + "\\A", "a1");
    SetValue(base + "\\A\\B", "b1");
    SetValue(base + "\\A\\B", "");
    SetValue(base + "\\C", "c1");
    // What the user added afterwards: a file in d, a value under C.
    Put(t + "\\d\\mine.txt", "m");
    SetValue(base + "\\C", "theirs");

    // Key A is listed before its subkey B; a listed value and a listed file that are gone already.
    std::string log = "\\d\r\n\\d\\e\r\nUninstal.exe\r\nd\\e\\f.txt\r\ng.txt\r\nmissing.txt\r\n[\\REGEDIT4]\r\n"
                      "\\[HKEY_CURRENT_USER\\" + base + "\\A]\r\na1\r\ngone\r\n"
                      "\\[HKEY_CURRENT_USER\\" + base + "\\A\\B]\r\nb1\r\n\r\n"
                      "\\[HKEY_CURRENT_USER\\" + base + "\\C]\r\nc1\r\n"
                      "\\[HKEY_CURRENT_USER\\]\r\n";
    InstallRecord record;
    LogDamage damage;
    ASSERT_TRUE(ParseInstallLog(log.data(), log.size(), record, damage)) << damage.strReason.Str();
    std::vector<std::string> seen;
    RemovalReport report = RemoveInstalledItems(record, t.c_str(), {"uninstal.EXE"},
                                                [&](const CString& item, int, int) { seen.push_back(item.Str()); });

    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, base + "\\A\\B"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, base + "\\A"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, base + "\\C"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, base)) << "a key the log does not list was removed";
    EXPECT_FALSE(Exists(t + "\\d\\e"));
    EXPECT_FALSE(Exists(t + "\\g.txt"));
    EXPECT_TRUE(Exists(t + "\\d\\mine.txt"));
    EXPECT_TRUE(Exists(t + "\\Uninstal.exe")) << "a file the caller keeps was removed";
    ASSERT_EQ(report.left.size(), 2u);
    EXPECT_EQ(report.left[0].strWhat.Str(), "HKEY_CURRENT_USER\\" + base + "\\C");
    EXPECT_EQ(report.left[0].strReason.Str(), "holds values or keys that the installation did not make");
    EXPECT_EQ(report.left[1].strWhat.Str(), t + "\\d");
    EXPECT_EQ(report.left[1].strReason.Str(), "holds files that the installation did not make");
    // a1, b1, the default of B, c1; keys B and A; f.txt and g.txt; folder e.
    EXPECT_EQ(report.nRemoved, 9);
    EXPECT_EQ(seen.size(), record.items.size() + 1);  // one call per item, and the last one

    DeleteKeyTree(HKEY_CURRENT_USER, base);
    DeleteFileA((t + "\\d\\mine.txt").c_str());
    DeleteFileA((t + "\\Uninstal.exe").c_str());
    RemoveDirectoryA((t + "\\d").c_str());
    RemoveDirectoryA(t.c_str());
}

// The build's UI driver, which holds a file for us: <build>\tests\uidriver\ beside <build>\tests\win32\.
std::string Driver()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p = path;
    p = p.substr(0, p.rfind('\\'));
    p = p.substr(0, p.rfind('\\'));
    return p + "\\uidriver\\uidriver.exe";
}

bool IsHeld(const std::string& path)
{
    CHandle h(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, 0, nullptr));
    return !h.IsValid() && GetLastError() == ERROR_SHARING_VIOLATION;
}

// A second program holding a file open without any sharing, as a program that uses it does.
struct Holder {
    CHandle process;

    bool Start(const std::string& path)
    {
        std::string cmd = "\"" + Driver() + "\" hold \"" + path + "\" 60000";
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
        process.Attach(pi.hProcess);
        CloseHandle(pi.hThread);
        for (int i = 0; i < 200 && WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT; ++i) {
            if (IsHeld(path)) return true;
            Sleep(50);
        }
        return false;
    }
    void End()
    {
        if (!process.IsValid()) return;
        TerminateProcess(process.Get(), 0);
        WaitForSingleObject(process.Get(), 10000);
        process.Close();
    }
    ~Holder() { End(); }
};

const char kPendingKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";

// PendingFileRenameOperations as stored: pairs of names, a delete having an empty second one.
std::vector<char> PendingRaw()
{
    CRegKey h;
    std::vector<char> data;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPendingKey, 0, KEY_QUERY_VALUE, h.Receive()) != ERROR_SUCCESS) return data;
    DWORD cb = 0;
    if (RegQueryValueExA(h.Get(), "PendingFileRenameOperations", nullptr, nullptr, nullptr, &cb) != ERROR_SUCCESS) return data;
    data.resize(cb);
    RegQueryValueExA(h.Get(), "PendingFileRenameOperations", nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &cb);
    data.resize(cb);
    return data;
}

void RestorePending(const std::vector<char>& data)
{
    CRegKey h;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPendingKey, 0, KEY_SET_VALUE, h.Receive());
    if (data.empty()) RegDeleteValueA(h.Get(), "PendingFileRenameOperations");
    else RegSetValueExA(h.Get(), "PendingFileRenameOperations", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size()));
}

// The names that the restart deletes, in its order, without the "\??\" the system puts first.
std::vector<std::string> PendingDeletes()
{
    std::vector<char> raw = PendingRaw();
    std::vector<std::string> names, deletes;
    for (size_t at = 0; at < raw.size() && raw[at];) {
        std::string name(&raw[at]);
        at += name.size() + 1;
        names.push_back(name);
        if (at < raw.size() && !raw[at]) {  // an empty second name
            ++at;
            names.push_back("");
        } else if (at < raw.size()) {
            std::string to(&raw[at]);
            at += to.size() + 1;
            names.push_back(to);
        }
    }
    for (size_t i = 0; i + 1 < names.size(); i += 2)
        if (names[i + 1].empty()) deletes.push_back(names[i].compare(0, 4, "\\??\\") == 0 ? names[i].substr(4) : names[i]);
    return deletes;
}

// The report as text, paths below t shortened: "left NAME: REASON" and "restart NAME: REASON" lines.
std::string Dump(const RemovalReport& report, const std::string& t)
{
    auto shortName = [&t](const CString& what) {
        std::string w = what.Str();
        return w.compare(0, t.size() + 1, t + "\\") == 0 ? w.substr(t.size() + 1) : w;
    };
    std::string text;
    for (const LeftItem& item : report.left)
        text += "left " + shortName(item.strWhat) + ": " + item.strReason.Str() + (item.bUnfinished ? " [unfinished]" : "") + "\n";
    for (const LeftItem& item : report.scheduled) text += "restart " + shortName(item.strWhat) + ": " + item.strReason.Str() + "\n";
    return text;
}

TEST(Removal, AFileInUseIsAskedAboutAndElseGoesAtTheRestartWithItsFolder)
{
    ASSERT_EQ(GetFileAttributesA(Driver().c_str()) == INVALID_FILE_ATTRIBUTES, false) << Driver();
    enum Answers { Silent, RetryOnceFreed, Cancel, RetryStillHeldThenCancel };
    const std::string inUse = "restart d\\held.txt: in use by a program; removed when Windows restarts\n";
    struct Row {
        const char* pszName;
        Answers answers;
        bool bForeign;   // a file of the user's beside it, which no log lists
        bool bReadOnly;  // a listed read-only file beside it, which the system refuses to delete
        int nQuestions;
        std::string strReport;  // Dump
        bool bHeldStays;
    } rows[] = {
        {"silent", Silent, false, false, 0, inUse + "restart d: removed when Windows restarts\n", true},
        {"retry-once-freed", RetryOnceFreed, false, false, 1, "", false},
        {"cancel", Cancel, false, false, 1, inUse + "restart d: removed when Windows restarts\n", true},
        {"retry-then-cancel", RetryStillHeldThenCancel, false, false, 2, inUse + "restart d: removed when Windows restarts\n", true},
        {"foreign-beside", Silent, true, false, 0, "left d: holds files that the installation did not make\n" + inUse, true},
        {"read-only-beside", Silent, false, true, 0,
         "left d\\ro.txt: access denied (in use, read-only or no rights) [unfinished]\n"
         "left d: holds items of the installation that were left in place [unfinished]\n" + inUse, true},
    };
    const std::vector<char> pendingBefore = PendingRaw();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        const std::string t = TempTarget() + "-" + row.pszName;
        CreateDirectoryA(t.c_str(), nullptr);
        CreateDirectoryA((t + "\\d").c_str(), nullptr);
        Put(t + "\\d\\held.txt", "h");
        Put(t + "\\d\\free.txt", "f");
        std::string log = "\\d\r\nd\\held.txt\r\nd\\free.txt\r\n";
        if (row.bForeign) Put(t + "\\d\\mine.txt", "m");
        if (row.bReadOnly) {
            Put(t + "\\d\\ro.txt", "r");
            SetFileAttributesA((t + "\\d\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
            log += "d\\ro.txt\r\n";
        }
        InstallRecord record;
        LogDamage damage;
        ASSERT_TRUE(ParseInstallLog(log.data(), log.size(), record, damage)) << damage.strReason.Str();
        Holder holder;
        ASSERT_TRUE(holder.Start(t + "\\d\\held.txt"));
        std::vector<std::string> asked;
        InUseQuestion question = [&](const CString& path) {
            asked.push_back(path.Str());
            if (row.answers == RetryOnceFreed) holder.End();
            return row.answers == RetryOnceFreed || (row.answers == RetryStillHeldThenCancel && asked.size() == 1);
        };
        RemovalReport report =
            RemoveInstalledItems(record, t.c_str(), {}, nullptr, row.answers == Silent ? InUseQuestion() : question);
        holder.End();

        EXPECT_EQ(row.strReport, Dump(report, t));
        EXPECT_EQ(size_t(row.nQuestions), asked.size());
        for (const std::string& a : asked) EXPECT_EQ(t + "\\d\\held.txt", a);
        EXPECT_EQ(row.bHeldStays, Exists(t + "\\d\\held.txt"));
        EXPECT_FALSE(Exists(t + "\\d\\free.txt")) << "a file not in use was left";
        // What the restart will delete: each scheduled item, in the report's order, files first.
        std::vector<std::string> pending = PendingDeletes(), mine;
        for (const std::string& p : pending)
            if (p.compare(0, t.size(), t) == 0) mine.push_back(p);
        std::vector<std::string> expected;
        for (const LeftItem& item : report.scheduled) expected.push_back(item.strWhat.Str());
        EXPECT_EQ(expected, mine);
        RestorePending(pendingBefore);

        SetFileAttributesA((t + "\\d\\ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
        for (const char* name : {"held.txt", "mine.txt", "ro.txt"}) DeleteFileA((t + "\\d\\" + name).c_str());
        RemoveDirectoryA((t + "\\d").c_str());
        RemoveDirectoryA(t.c_str());
    }
}

}  // namespace
