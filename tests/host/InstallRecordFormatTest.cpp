// The record's grammar: each line form that InstallLogWriter writes reads back through the one
// strict reader as the item it was written for, and the root table reads its own names only.
#include "EarlierInstallation.h"
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
    const char* const kKinds[] = {"D", "F", "K", "V", "SD", "SF"};
    return std::string(kKinds[int(item.kind)]) + " " + RegistryRootName(item.nRoot) + " [" + item.strKey.Str() + "] [" +
           item.strPath.Str() + "] product=" + record.strProductName.Str();
}

TEST(InstallRecordFormat, EveryLineFormReadsBack)
{
    const std::string product = std::string(kUninstallKeyPath) + "Demo\\Pro";
    struct Case {
        const char* what;
        std::function<void(InstallLogWriter&)> write;
        std::string item;
    } cases[] = {
        {"directory", [](InstallLogWriter& w) { w.Directory("docs\\old"); }, "D  [] [docs\\old] product="},
        {"file", [](InstallLogWriter& w) { w.File("docs\\a b.txt"); }, "F  [] [docs\\a b.txt] product="},
        {"key under each root",
         [](InstallLogWriter& w) {
             w.RegistryMarker();
             for (int r = 0; r < kRegistryRootCount; ++r) w.Key(r, "Software\\K" + std::to_string(r));
         },
         "K HKEY_USERS [] [Software\\K3] product="},
        {"value", [](InstallLogWriter& w) { w.RegistryMarker(); w.Key(kRootClassesRoot, ".demo"); w.Value("Content Type"); },
         "V HKEY_CLASSES_ROOT [.demo] [Content Type] product="},
        {"default value", [](InstallLogWriter& w) { w.RegistryMarker(); w.Key(kRootCurrentUser, "S"); w.Value(""); },
         "V HKEY_CURRENT_USER [S] [] product="},
        {"the uninstall entry names the product",
         [&](InstallLogWriter& w) { w.RegistryMarker(); w.Key(kRootLocalMachine, product); },
         "K HKEY_LOCAL_MACHINE [] [" + product + "] product=Demo\\Pro"},
        {"shortcut folder", [](InstallLogWriter& w) { w.ShortcutMarker(); w.ShortcutFolder("Acme\\Tool"); },
         "SD  [] [Acme\\Tool] product="},
        {"shortcut after the registry part",
         [](InstallLogWriter& w) { w.RegistryMarker(); w.ShortcutMarker(); w.Shortcut("Acme\\Run.lnk"); },
         "SF  [] [Acme\\Run.lnk] product="},
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
    for (int r = 0; r < kRegistryRootCount; ++r)
        EXPECT_EQ(RegistryRootIndex(RegistryRootName(r), std::strlen(RegistryRootName(r))), r) << r;
    for (const char* name : {"", "hkey_users", "HKEY_USER", "HKEY_USERS\\", "HKLM", "HKEY_CURRENT_CONFIG"})
        EXPECT_EQ(RegistryRootIndex(name, std::strlen(name)), -1) << name;
    EXPECT_STREQ(RegistryRootName(kRegistryRootCount), "");
}

// An installation over an earlier one reads the earlier log strictly: its shortcut part lists no
// directory and no value, and a last line cut short is left out rather than refusing the whole log.
TEST(InstallRecordFormat, EarlierLogReadStrictly)
{
    MemoryFile file;
    InstallLogWriter writer(file);
    const std::string key = std::string(kUninstallKeyPath) + "Demo";
    writer.Directory("bin");
    writer.RegistryMarker();
    writer.Key(kRootLocalMachine, key);
    writer.ShortcutMarker();
    writer.ShortcutFolder("Demo");
    EarlierInstallation earlier;
    earlier.Load(file.m_strData + "\\cut", "");
    EXPECT_TRUE(earlier.ListsDirectory("bin"));
    EXPECT_TRUE(earlier.ListsKey(kRootLocalMachine, key));
    EXPECT_FALSE(earlier.ListsDirectory("Demo") || earlier.ListsDirectory("cut"));
    EXPECT_FALSE(earlier.ListsValue(kRootLocalMachine, key, "\\Demo") ||
                 earlier.ListsValue(kRootLocalMachine, key, kLogShortcutMarker));
}

}  // namespace
