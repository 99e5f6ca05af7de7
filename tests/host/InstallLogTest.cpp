// Install.log read back by the uninstaller: what a good log yields, item by item, and which line
// of a damaged log is blamed, and why.
#include "InstallLog.h"
#include "MemoryRegistry.h"

#include <gtest/gtest.h>

#include <string>

#include "RegistryScriptRun.h"

namespace {

// The items one a line: D path, F path, K ROOT\path, V ROOT\key: name; then the product's name.
std::string Dump(const InstallRecord& record)
{
    std::string out;
    for (const LogItem& item : record.items) {
        switch (item.kind) {
        case LogItemKind::Directory: out += "D " + item.strPath.Str(); break;
        case LogItemKind::File: out += "F " + item.strPath.Str(); break;
        case LogItemKind::Key: out += "K " + std::string(RegistryRootName(item.nRoot)) + "\\" + item.strPath.Str(); break;
        case LogItemKind::Value:
            out += "V " + std::string(RegistryRootName(item.nRoot)) + "\\" + item.strKey.Str() + ": " + item.strPath.Str();
            break;
        case LogItemKind::ShortcutFolder: out += "SD " + item.strPath.Str(); break;
        case LogItemKind::Shortcut: out += "SF " + item.strPath.Str(); break;
        }
        out += " @" + std::to_string(item.nLine) + "\n";
    }
    return out + "product=" + record.strProductName.Str() + (record.bForOneUser ? " for one user" : "");
}

const char kUninstallKey[] = "\\[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Reads log into record; false, saying where and why, when it does not read.
::testing::AssertionResult Parsed(const std::string& log, InstallRecord& record)
{
    LogDamage damage;
    if (ParseInstallLog(log.data(), log.size(), record, damage)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << damage.nLine << ": " << damage.strReason.Str();
}

TEST(InstallLog, GoodLogs)
{
    struct Case {
        const char* what;
        std::string log;
        std::string dump;
    } cases[] = {
        {"empty", "", "product="},
        {"payload only: a cancelled or failed run",
         "\\docs\r\n\\docs\\old\r\nUninstal.exe\r\ndocs\\a b.txt\r\n",
         "D docs @1\nD docs\\old @2\nF Uninstal.exe @3\nF docs\\a b.txt @4\nproduct="},
        {"a directory whose name starts with a bracket is not a key",
         "\\[x]\r\n[x]\\f\r\n", "D [x] @1\nF [x]\\f @2\nproduct="},
        {"complete",
         "a.txt\r\n[\\REGEDIT4]\r\n\\[HKEY_CURRENT_USER\\Software\\Demo]\r\nName\r\n\r\n" + std::string(kUninstallKey) +
             "Demo 1.0]\r\nDisplayName\r\nUninstallString\r\nQuietUninstallString\r\nInstallLocation\r\nEstimatedSize\r\nDisplayIcon\r\nNoModify\r\nNoRepair\r\n",
         "F a.txt @1\nK HKEY_CURRENT_USER\\Software\\Demo @3\nV HKEY_CURRENT_USER\\Software\\Demo: Name @4\n"
         "V HKEY_CURRENT_USER\\Software\\Demo:  @5\n"
         "K HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo 1.0 @6\n"
         "V HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo 1.0: DisplayName @7\n"
         "V HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo 1.0: UninstallString @8\n"
         "V HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo 1.0: QuietUninstallString @9\n"
         "V HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo 1.0: InstallLocation @10\n"
         "V HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo 1.0: EstimatedSize @11\n"
         "V HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo 1.0: DisplayIcon @12\n"
         "V HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo 1.0: NoModify @13\n"
         "V HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo 1.0: NoRepair @14\n"
         "product=Demo 1.0"},
        {"a product name with a backslash and a bracket names a nested key",
         "[\\REGEDIT4]\r\n" + std::string(kUninstallKey) + "Acme\\Tool]s]\r\n",
         "K HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Acme\\Tool]s @2\n"
         "product=Acme\\Tool]s"},
        {"the registry step found the marker but no key", "x\r\n[\\REGEDIT4]\r\n", "F x @1\nproduct="},
        {"an entry of the user's own: an installation for one user",
         "[\\REGEDIT4]\r\n\\[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Notes]\r\n",
         "K HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Notes @2\nproduct=Notes for one user"},
        {"a key of the same name below another root names no product",
         "[\\REGEDIT4]\r\n\\[HKEY_USERS\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Notes]\r\n",
         "K HKEY_USERS\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Notes @2\nproduct="},
        {"shortcuts after the registry part",
         "a.exe\r\n[\\REGEDIT4]\r\n\\[HKEY_USERS\\S]\r\n[\\SHORTCUTS]\r\n\\Acme\r\n\\Acme\\Tool\r\nAcme\\Tool\\Run A.LNK\r\n",
         "F a.exe @1\nK HKEY_USERS\\S @3\nSD Acme @5\nSD Acme\\Tool @6\nSF Acme\\Tool\\Run A.LNK @7\nproduct="},
        {"shortcuts right after the payload", "a\r\n[\\SHORTCUTS]\r\n\\P\r\nP\\a.lnk\r\n",
         "F a @1\nSD P @3\nSF P\\a.lnk @4\nproduct="},
        {"a lone CR or LF belongs to the value's name",
         "[\\REGEDIT4]\r\n\\[HKEY_USERS\\S]\r\na\rb\nc\r\n",
         "K HKEY_USERS\\S @2\nV HKEY_USERS\\S: a\rb\nc @3\nproduct="},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        InstallRecord record;
        ASSERT_TRUE(Parsed(c.log, record));
        EXPECT_EQ(Dump(record), c.dump);
    }
}

// An upgrade lists a key again after other keys for the values it carries: the repeated line is no
// item, and every value after it stays under that key, for any number of versions.
TEST(InstallLog, AValueAfterARepeatedKeyLineStaysWithThatKey)
{
    const std::string kEntry = std::string(kUninstallKey) + "P]\r\n";
    const std::string kEntryName = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\P";
    struct Case {
        const char* what;
        std::string log;
        std::string dump;
    } cases[] = {
        {"a second version: the product's key again after the entry's",
         "[\\REGEDIT4]\r\n\\[HKEY_LOCAL_MACHINE\\Software\\P]\r\nInstallDir\r\n" + kEntry + "DisplayName\r\n"
             "\\[HKEY_LOCAL_MACHINE\\Software\\P]\r\nOnly1\r\n",
         "K HKEY_LOCAL_MACHINE\\Software\\P @2\nV HKEY_LOCAL_MACHINE\\Software\\P: InstallDir @3\nK " + kEntryName +
             " @4\nV " + kEntryName + ": DisplayName @5\nV HKEY_LOCAL_MACHINE\\Software\\P: Only1 @7\nproduct=P"},
        {"a third version: two keys again, each with values of two generations",
         "[\\REGEDIT4]\r\n\\[HKEY_LOCAL_MACHINE\\Software\\P]\r\nOnly3\r\n\\[HKEY_CLASSES_ROOT\\.zv3]\r\n\r\n" + kEntry +
             "DisplayName\r\n\\[HKEY_LOCAL_MACHINE\\Software\\P]\r\nOnly1\r\nOnly2\r\n\\[HKEY_CLASSES_ROOT\\.zv2]\r\n\r\n" +
             kEntry + "Version1\r\n",
         "K HKEY_LOCAL_MACHINE\\Software\\P @2\nV HKEY_LOCAL_MACHINE\\Software\\P: Only3 @3\nK HKEY_CLASSES_ROOT\\.zv3 @4\n"
         "V HKEY_CLASSES_ROOT\\.zv3:  @5\nK " + kEntryName + " @6\nV " + kEntryName + ": DisplayName @7\n"
         "V HKEY_LOCAL_MACHINE\\Software\\P: Only1 @9\nV HKEY_LOCAL_MACHINE\\Software\\P: Only2 @10\n"
         "K HKEY_CLASSES_ROOT\\.zv2 @11\nV HKEY_CLASSES_ROOT\\.zv2:  @12\nV " + kEntryName + ": Version1 @14\nproduct=P"},
        {"a fourth version: a key again in another case, a value listed again under it",
         "[\\REGEDIT4]\r\n\\[HKEY_LOCAL_MACHINE\\Software\\P]\r\nOnly4\r\n" + kEntry + "DisplayName\r\n"
             "\\[HKEY_LOCAL_MACHINE\\SOFTWARE\\p]\r\nOnly1\r\nonly4\r\n\\[HKEY_CURRENT_USER\\Software\\P]\r\nOnly1\r\n"
             "\\[HKEY_LOCAL_MACHINE\\software\\P]\r\nOnly2\r\n",
         "K HKEY_LOCAL_MACHINE\\Software\\P @2\nV HKEY_LOCAL_MACHINE\\Software\\P: Only4 @3\nK " + kEntryName +
             " @4\nV " + kEntryName + ": DisplayName @5\nV HKEY_LOCAL_MACHINE\\SOFTWARE\\p: Only1 @7\n"
             "K HKEY_CURRENT_USER\\Software\\P @9\nV HKEY_CURRENT_USER\\Software\\P: Only1 @10\n"
             "V HKEY_LOCAL_MACHINE\\software\\P: Only2 @12\nproduct=P"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        InstallRecord record;
        ASSERT_TRUE(Parsed(c.log, record));
        EXPECT_EQ(Dump(record), c.dump);
        // Each value's key is a key of the record, the very one its line stood under.
        for (const LogItem& item : record.items) {
            if (item.kind != LogItemKind::Value) continue;
            int nKeys = 0;
            for (const LogItem& key : record.items) nKeys += key.kind == LogItemKind::Key && LogKeyIdentity(key) == LogKeyIdentity(item);
            EXPECT_EQ(nKeys, 1) << item.strPath.Str();
        }
    }
}

TEST(InstallLog, DamagedLogsNameTheirLine)
{
    struct Case {
        std::string log;
        int nLine;
        const char* reason;
    } cases[] = {
        {"..\\x\r\na\r\n", 1, "path component ends in a dot"},
        {"a\r\n\\..\\..\\Windows\r\n", 2, "path component ends in a dot"},
        {"a\r\nC:\\boot.ini\r\n", 2, "drive or colon"},
        {"\\\\server\\share\r\n", 1, "empty path component"},
        {"docs/x\r\n", 1, "forward slash"},
        {"lpt1.txt\r\n", 1, "device name as path component"},
        {"trail \r\n", 1, "path component ends in a blank"},
        {"a?\r\n", 1, "character not allowed in file names"},
        {"a\r\n\r\n", 2, "empty name"},
        {"\\\r\n", 1, "empty name"},
        {std::string(256, 'a') + "\r\n", 1, "the path is longer than 255 bytes"},
        {std::string("a\0b\r\n", 5), 1, "a zero byte inside the line"},
        {"a\r\nb", 2, "the last line is incomplete"},
        {"a\r\nb\r", 2, "the last line is incomplete"},
        {"[\\REGEDIT4]\r\nName\r\n", 2, "a value line before any key line"},
        {"[\\SHORTCUTS]\r\nP\\evil.exe\r\n", 2, "a file of the Start menu that is not a shortcut"},
        {"[\\SHORTCUTS]\r\n..\\..\\x.lnk\r\n", 2, "path component ends in a dot"},
        {"[\\SHORTCUTS]\r\nC:\\x.lnk\r\n", 2, "drive or colon"},
        {"[\\SHORTCUTS]\r\nP\\con.lnk\r\n", 2, "device name as path component"},
        {"[\\SHORTCUTS]\r\n\r\n", 2, "empty name"},
        {"[\\REGEDIT4]\r\n\\[HKEY_CURRENT_CONFIG\\x]\r\n", 2, "a key under a root that the installer does not write"},
        {"[\\REGEDIT4]\r\n\\[hkey_users\\x]\r\n", 2, "a key under a root that the installer does not write"},
        {"[\\REGEDIT4]\r\n\\[HKEY_USERS\\x\r\n", 2, "a key line without its closing bracket"},
        {"[\\REGEDIT4]\r\n\\[HKEY_USERS]\r\n", 2, "a key under a root that the installer does not write"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.log);
        InstallRecord record;
        LogDamage damage;
        EXPECT_FALSE(ParseInstallLog(c.log.data(), c.log.size(), record, damage));
        EXPECT_EQ(damage.nLine, c.nLine);
        EXPECT_EQ(damage.strReason.Str(), c.reason);
    }
}

// What the installer's registry step writes reads back as the keys and values it set.
TEST(InstallLog, ReadsWhatTheRegistryStepWrites)
{
    MemoryRegistry registry;
    ScriptOutcome run = RunRegistryScript("REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Demo]\r\n\"\"=\"d\"\r\n"
                                          "\"Size\"=dword:10\r\n[HKEY_CLASSES_ROOT\\.demo]\r\n",
                                          &registry, "C:\\Demo", "Demo Pro");
    ASSERT_NE(run.nResult, 0);
    std::string log = "\\bin\r\nbin\\demo.exe\r\n" + run.strLog;
    InstallRecord record;
    LogDamage damage;
    ASSERT_TRUE(ParseInstallLog(log.data(), log.size(), record, damage)) << damage.strReason.Str();
    EXPECT_EQ(Dump(record),
              "D bin @1\nF bin\\demo.exe @2\n"
              "K HKEY_CURRENT_USER\\Software\\Demo @4\nV HKEY_CURRENT_USER\\Software\\Demo:  @5\n"
              "V HKEY_CURRENT_USER\\Software\\Demo: Size @6\nK HKEY_CLASSES_ROOT\\.demo @7\n"
              "K HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo Pro @8\n"
              "V HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo Pro: DisplayName @9\n"
              "V HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo Pro: UninstallString @10\n"
              "V HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo Pro: QuietUninstallString @11\n"
              "V HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo Pro: InstallLocation @12\n"
              "V HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo Pro: EstimatedSize @13\n"
              "V HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo Pro: DisplayIcon @14\n"
              "V HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo Pro: NoModify @15\n"
              "V HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo Pro: NoRepair @16\n"
              "product=Demo Pro");
}

TEST(InstallLog, PathDepth)
{
    EXPECT_EQ(PathDepth(""), 0);
    EXPECT_EQ(PathDepth("a"), 1);
    EXPECT_EQ(PathDepth("a\\bc\\d"), 3);
    EXPECT_EQ(PathDepth("\\a\\\\b\\"), 2);
}

}  // namespace
