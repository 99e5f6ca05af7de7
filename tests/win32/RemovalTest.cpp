// The uninstaller's removal against the real registry and files under Wine: what goes, what stays
// and what is reported, for logs that name keys out of order, foreign values and files.
#include "AfxHandle.h"
#include "InstallLog.h"
#include "Removal.h"

#include <gtest/gtest.h>

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

}  // namespace
