// The record's grammar: each line form that InstallLogWriter writes reads back through the one
// strict reader as the item it was written for, and the root table reads its own names only.
#include "InstallLog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

namespace {

class MemoryFile : public CFile {
public:
    void Write(const void* lpBuf, UINT nCount) override { m_strData.append(static_cast<const char*>(lpBuf), nCount); }
    std::string m_strData;
};

// The last item read: its kind, root name, key and path, and the product's name.
std::string LastItem(const InstallRecord& record)
{
    if (record.items.empty()) return "none";
    const LogItem& item = record.items.back();
    return std::to_string(int(item.kind)) + " " + RegistryRootName(item.nRoot) + " [" + item.strKey.Str() + "] [" +
           item.strPath.Str() + "] product=" + record.strProductName.Str();
}

TEST(InstallRecordFormat, EveryLineFormReadsBack)
{
    const int kDir = int(LogItemKind::Directory), kFile = int(LogItemKind::File), kKey = int(LogItemKind::Key),
              kValue = int(LogItemKind::Value), kFolder = int(LogItemKind::ShortcutFolder),
              kLink = int(LogItemKind::Shortcut);
    const std::string product = std::string(kUninstallKeyPath) + "Demo\\Pro";
    struct Case {
        const char* what;
        std::function<void(InstallLogWriter&)> write;
        std::string item;
    } cases[] = {
        {"directory", [](InstallLogWriter& w) { w.Directory("docs\\old"); },
         std::to_string(kDir) + "  [] [docs\\old] product="},
        {"a directory named like a key line stays a directory", [](InstallLogWriter& w) { w.Directory("[x]"); },
         std::to_string(kDir) + "  [] [[x]] product="},
        {"file", [](InstallLogWriter& w) { w.File("docs\\a b.txt"); }, std::to_string(kFile) + "  [] [docs\\a b.txt] product="},
        {"key under each root",
         [](InstallLogWriter& w) {
             w.RegistryMarker();
             for (int r = 0; r < kRegistryRootCount; ++r) w.Key(r, "Software\\K" + std::to_string(r));
         },
         std::to_string(kKey) + " HKEY_USERS [] [Software\\K3] product="},
        {"value", [](InstallLogWriter& w) { w.RegistryMarker(); w.Key(kRootClassesRoot, ".demo"); w.Value("Content Type"); },
         std::to_string(kValue) + " HKEY_CLASSES_ROOT [.demo] [Content Type] product="},
        {"default value", [](InstallLogWriter& w) { w.RegistryMarker(); w.Key(kRootCurrentUser, "S"); w.Value(""); },
         std::to_string(kValue) + " HKEY_CURRENT_USER [S] [] product="},
        {"the uninstall entry names the product",
         [&](InstallLogWriter& w) { w.RegistryMarker(); w.Key(kRootLocalMachine, product); },
         std::to_string(kKey) + " HKEY_LOCAL_MACHINE [] [" + product + "] product=Demo\\Pro"},
        {"shortcut folder", [](InstallLogWriter& w) { w.ShortcutMarker(); w.ShortcutFolder("Acme\\Tool"); },
         std::to_string(kFolder) + "  [] [Acme\\Tool] product="},
        {"shortcut after the registry part",
         [](InstallLogWriter& w) { w.RegistryMarker(); w.ShortcutMarker(); w.Shortcut("Acme\\Run.lnk"); },
         std::to_string(kLink) + "  [] [Acme\\Run.lnk] product="},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryFile file;
        InstallLogWriter writer(file);
        c.write(writer);
        InstallRecord record;
        LogDamage damage;
        ASSERT_TRUE(ParseInstallLog(file.m_strData.data(), file.m_strData.size(), record, damage))
            << damage.nLine << ": " << damage.strReason.Str();
        EXPECT_EQ(LastItem(record), c.item);
    }
}

TEST(InstallRecordFormat, RootNames)
{
    for (int r = 0; r < kRegistryRootCount; ++r) {
        const std::string name = RegistryRootName(r);
        EXPECT_EQ(RegistryRootIndex(name.data(), name.size()), r) << name;
    }
    const char* notRoots[] = {"", "hkey_users", "HKEY_USER", "HKEY_USERS\\", "HKLM", "HKEY_CURRENT_CONFIG"};
    for (const char* name : notRoots) EXPECT_EQ(RegistryRootIndex(name, std::strlen(name)), -1) << name;
    EXPECT_STREQ(RegistryRootName(-1), "");
    EXPECT_STREQ(RegistryRootName(kRegistryRootCount), "");
}

// An installation over an earlier one reads the earlier log strictly: its shortcut part lists no
// directory and no value, and a last line cut short is left out rather than refusing the whole log.
TEST(InstallRecordFormat, EarlierLogReadStrictly)
{
    MemoryFile file;
    InstallLogWriter writer(file);
    writer.Directory("bin");
    writer.RegistryMarker();
    writer.Key(kRootLocalMachine, std::string(kUninstallKeyPath) + "Demo");
    writer.Value("DisplayName");
    writer.ShortcutMarker();
    writer.ShortcutFolder("Demo");
    writer.Shortcut("Demo\\Run.lnk");
    EarlierInstallation earlier;
    earlier.Load(file.m_strData + "\\cut", "");
    const std::string key = std::string(kUninstallKeyPath) + "Demo";
    EXPECT_TRUE(earlier.ListsDirectory("bin"));
    EXPECT_TRUE(earlier.ListsValue(kRootLocalMachine, key, "DisplayName"));
    EXPECT_FALSE(earlier.ListsDirectory("Demo"));
    EXPECT_FALSE(earlier.ListsDirectory("cut"));
    EXPECT_FALSE(earlier.ListsValue(kRootLocalMachine, key, "\\Demo"));
    EXPECT_FALSE(earlier.ListsValue(kRootLocalMachine, key, kLogShortcutMarker));
}

}  // namespace
