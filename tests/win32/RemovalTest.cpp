// The uninstaller's removal against the real registry and files under Wine: what goes, what stays
// and what is reported, for logs that name keys out of order, foreign values and files; and files
// that another program holds open: asked about, removed on Retry, else arranged for the restart
// with the folders that then hold nothing else, in an order the restart can carry out.
#include "AfxHandle.h"
#include "AfxRegistry.h"
#include "InstallLog.h"
#include "Removal.h"
#include "RemovalReport.h"
#include "RestartPolicy.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <algorithm>
#include <functional>
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
    EXPECT_EQ(ReasonText(report.left[0]).Str(), "holds values or keys that the installation did not make");
    EXPECT_EQ(report.left[1].strWhat.Str(), t + "\\d");
    EXPECT_EQ(ReasonText(report.left[1]).Str(), "holds files that the installation did not make");
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

// The in-use question answered by a table's rule: true tries again, false leaves the file to later.
class TableQuestion : public IInUseQuestion {
public:
    explicit TableQuestion(std::function<bool(const CString&)> retry) : m_retry(std::move(retry)) {}
    InUseAnswer Ask(const CString& strPath, InUseLater) override
    {
        return m_retry(strPath) ? InUseAnswer::tryAgain : InUseAnswer::later;
    }

private:
    std::function<bool(const CString&)> m_retry;
};

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
        text += "left " + shortName(item.strWhat) + ": " + ReasonText(item).Str() + (item.bUnfinished ? " [unfinished]" : "") + "\n";
    for (const LeftItem& item : report.scheduled) text += "restart " + shortName(item.strWhat) + ": " + ReasonText(item).Str() + "\n";
    return text;
}

TEST(Removal, AFileInUseIsAskedAboutAndElseGoesAtTheRestartWithItsFolder)
{
    ASSERT_EQ(GetFileAttributesA(Driver().c_str()) == INVALID_FILE_ATTRIBUTES, false) << Driver();
    enum Answers { Silent, RetryOnceFreed, Cancel, RetryStillHeldThenCancel };
    const std::string inUse = "restart d\\held.txt: in use by a program; removed when Windows restarts\n";
    const std::string openReason = ReasonText({CString(), LeftReason::inUseOpen}).Str();
    struct Row {
        const char* pszName;
        Answers answers;
        bool bForeign;   // a file of the user's beside it, which no log lists
        bool bReadOnly;  // a listed read-only file beside it, which the system refuses to delete
        int nQuestions;
        std::string strReport;  // Dump
        bool bHeldStays;
        // The target as the uninstaller allows the restart in it: the held target of an elevated
        // run that only the trusted can change, else nothing (a folder others can change, a run
        // without the administrators' rights: RightsTest and the scenarios).
        bool bRestartAllowed = true;
        // The target inside a folder that everyone may write (rename the target aside, put a link in
        // its place): nothing is left to the restart by name.
        bool bOpenParent = false;
    } rows[] = {
        {"silent", Silent, false, false, 0, inUse + "restart d: removed when Windows restarts\n", true},
        {"restart-not-allowed", Silent, false, false, 0,
         "left d\\held.txt: " + openReason + " [unfinished]\n"
         "left d: holds items of the installation that were left in place [unfinished]\n", true, false},
        {"open-parent", Silent, false, false, 0,
         "left d\\held.txt: " + openReason + " [unfinished]\n"
         "left d: holds items of the installation that were left in place [unfinished]\n", true, true, true},
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
        const std::string parent = TempTarget() + "-everyones";
        const std::string t = row.bOpenParent ? parent + "\\" + row.pszName : TempTarget() + "-" + row.pszName;
        if (row.bOpenParent) {
            PSECURITY_DESCRIPTOR pSd = nullptr;
            ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;FA;;;WD)", SDDL_REVISION_1, &pSd, nullptr));
            // Set after the creation: under Wine a list given with it is narrowed by the umask.
            CreateDirectoryA(parent.c_str(), nullptr);
            EXPECT_TRUE(SetFileSecurityA(parent.c_str(), DACL_SECURITY_INFORMATION, pSd));
            LocalFree(pSd);
        }
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
        TableQuestion question([&](const CString& path) {
            asked.push_back(path.Str());
            if (row.answers == RetryOnceFreed) holder.End();
            return row.answers == RetryOnceFreed || (row.answers == RetryStillHeldThenCancel && asked.size() == 1);
        });
        CFolderHandle target;
        ASSERT_TRUE(target.Open(t.c_str()));
        AllowRestartBelow(target, row.bRestartAllowed ? CString(t.c_str()) : CString());
        RemovalReport report =
            RemoveInstalledItems(record, t.c_str(), {}, nullptr, row.answers == Silent ? nullptr : &question);
        AllowRestartBelow(CFolderHandle(), CString());
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
        if (row.bOpenParent) RemoveDirectoryA(parent.c_str());
    }
}

// A record that names keys below a registry link that the user made in HKEY_CURRENT_USER, leading
// to a key of HKEY_LOCAL_MACHINE: nothing there is written, put back or deleted, and each item (a
// value, and the key line that lists it) is reported as left, by rule (a later run would leave it too).
TEST(Removal, NothingIsRemovedOrPutBackThroughARegistryLink)
{
    const std::string base = std::string(kBase) + "Link", target = std::string(kBase) + "LinkTarget";
    const std::string user = "HKEY_CURRENT_USER\\" + base;
    auto put = [](const std::string& sub, const char* name, const char* data) {
        CRegKey h;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, h.Receive(), nullptr);
        if (name) RegSetValueExA(h.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data), DWORD(strlen(data) + 1));
    };
    auto read = [](const std::string& sub, const char* name) {
        CRegKey h;
        char buf[64] = {};
        DWORD cb = sizeof buf - 1;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, sub.c_str(), 0, KEY_QUERY_VALUE, h.Receive()) != ERROR_SUCCESS) return std::string("(no key)");
        if (RegQueryValueExA(h.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &cb) != ERROR_SUCCESS) return std::string("(none)");
        return std::string(buf);
    };
    const std::string reason = std::string(": ") + kRegistryLinkReason + "\n";
    struct Row {
        const char* pszName;
        std::string strLog;      // the record's registry lines
        bool bReplaced;          // Theirs is listed in Install.prior as replaced (the user's data "before")
        bool bMadeSub;           // Link\Sub is listed as a key made on the way
        std::string strReport;   // Dump
    } rows[] = {
        {"a value", "\\[HKEY_CURRENT_USER\\" + base + "\\Link]\r\nVictim\r\n", false, false,
         "left " + user + "\\Link: Victim" + reason + "left " + user + "\\Link" + reason},
        {"a replaced value", "\\[HKEY_CURRENT_USER\\" + base + "\\Link]\r\nTheirs\r\n", true, false,
         "left " + user + "\\Link: Theirs" + reason + "left " + user + "\\Link" + reason},
        {"a value below the link", "\\[HKEY_CURRENT_USER\\" + base + "\\Link\\Sub]\r\nVictim\r\n", false, false,
         "left " + user + "\\Link\\Sub: Victim" + reason + "left " + user + "\\Link\\Sub" + reason},
        {"an empty key below the link", "\\[HKEY_CURRENT_USER\\" + base + "\\Link\\Empty]\r\n", false, false,
         "left " + user + "\\Link\\Empty" + reason},
        {"a link to an empty key", "\\[HKEY_CURRENT_USER\\" + base + "\\ToEmpty]\r\n", false, false,
         "left " + user + "\\ToEmpty" + reason},
        {"a key made on the way", "\\[HKEY_CURRENT_USER\\" + base + "\\Link\\Sub\\Gone]\r\n", false, true,
         "left " + user + "\\Link\\Sub\\Gone" + reason},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        DeleteRegistryLink(HKEY_CURRENT_USER, base + "\\Link");
        DeleteRegistryLink(HKEY_CURRENT_USER, base + "\\ToEmpty");
        DeleteKeyTree(HKEY_CURRENT_USER, base);
        DeleteKeyTree(HKEY_LOCAL_MACHINE, target);
        put(target, "Victim", "machine");
        put(target, "Theirs", "machine-theirs");
        put(target + "\\Sub", "Victim", "machine-sub");
        put(target + "\\Empty", nullptr, nullptr);
        put(target + "\\Sub\\Empty", nullptr, nullptr);
        CRegKey h;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, base.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, h.Receive(), nullptr),
                  ERROR_SUCCESS);
        h.Close();
        ASSERT_TRUE(MakeRegistryLink(HKEY_CURRENT_USER, base + "\\Link", "\\REGISTRY\\MACHINE\\" + target));
        ASSERT_TRUE(MakeRegistryLink(HKEY_CURRENT_USER, base + "\\ToEmpty", "\\REGISTRY\\MACHINE\\" + target + "\\Sub\\Empty"));

        InstallRecord record;
        LogDamage damage;
        const std::string log = "[\\REGEDIT4]\r\n" + row.strLog;
        ASSERT_TRUE(ParseInstallLog(log.data(), log.size(), record, damage)) << damage.strReason.Str();
        if (row.bReplaced) {
            // As the data is now, so that only the link stops the user's "before" from going in.
            PriorValue value;
            value.nRoot = kRootCurrentUser;
            value.strKey = base + "\\Link";
            value.strName = "Theirs";
            value.dwOldType = REG_SZ;
            const std::string mine("the user's choice", 18), now("machine-theirs", 15);
            value.oldData.assign(mine.begin(), mine.end());
            value.dwNewType = REG_SZ;
            value.newData.assign(now.begin(), now.end());
            record.prior.values.push_back(value);
        }
        if (row.bMadeSub) record.prior.madeKeys.push_back({kRootCurrentUser, base + "\\Link\\Sub\\Empty"});
        RemovalReport report = RemoveInstalledItems(record, (TempTarget() + "-none").c_str(), {}, nullptr);

        EXPECT_EQ(row.strReport, Dump(report, ""));
        EXPECT_EQ(0, report.nRemoved);
        EXPECT_EQ("machine", read(target, "Victim"));
        EXPECT_EQ("machine-theirs", read(target, "Theirs"));
        EXPECT_EQ("machine-sub", read(target + "\\Sub", "Victim"));
        EXPECT_EQ("(none)", read(target + "\\Empty", "Victim"));
        EXPECT_EQ("(none)", read(target + "\\Sub\\Empty", "Victim"));
        EXPECT_EQ("\\REGISTRY\\MACHINE\\" + target, RegistryLinkTarget(HKEY_CURRENT_USER, base + "\\Link"));
    }
    DeleteRegistryLink(HKEY_CURRENT_USER, base + "\\Link");
    DeleteRegistryLink(HKEY_CURRENT_USER, base + "\\ToEmpty");
    DeleteKeyTree(HKEY_CURRENT_USER, base);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, target);
}

}  // namespace
