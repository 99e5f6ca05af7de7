// The believed record (BelievedRecord.h) on its own: a folder laid out by hand, the product's entry
// kept or not, and what Read answers, tells and hands on.
#include "AfxPath.h"
#include "BelievedRecord.h"
#include "InstallRecordFormat.h"
#include "ProductEntry.h"

#include <gtest/gtest.h>

#include "../common/KeptAnchor.h"
#include "../common/TempDir.h"

namespace {

TEST(BelievedRecord, TableOfRecordsAndEntries)
{
    ScopedTempDir dir;
    const CString folder = AfxNormalisedPath(dir.path().string().c_str());
    const std::string log = "Uninstal.exe\r\nvictim.txt\r\n";
    enum Entry { none, vouches, otherDigest };
    struct Row {
        const char* pszName;
        const char* pszLog;  // nullptr: no Install.log
        Entry entry;
        bool bBelieved;
        const char* pszTold;  // a part of what the log file is told; "" for nothing
    };
    const Row rows[] = {
        {"no log", nullptr, none, false, "Install.log was not found in"},
        {"no entry vouches for it", log.c_str(), none, false, "are not trusted"},
        {"the entry keeps another digest", log.c_str(), otherDigest, false, "are not trusted"},
        {"vouched for but damaged", "Uninstal.exe\r\nvictim.txt", vouches, false, "is damaged at line 2"},
        {"vouched for", log.c_str(), vouches, true, ""},
    };
    const CString product = "ZrvBelievedRecordTest";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        DeleteFileA(folder + "\\" + kInstallLogName);
        if (row.pszLog) WriteBytes(dir.path() / kInstallLogName, row.pszLog);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, EntryKeyPath(product));
        if (row.entry != none) {
            ASSERT_TRUE(KeepAnchor(product, folder, RecordDigestText(row.entry == vouches ? row.pszLog : "other", "")));
        }
        UninstallOptions options;
        options.bSilent = true;
        options.strLogFile = (dir.path().parent_path() / "zrv-believed.log").string().c_str();
        CUninstallVoice voice(options);
        ASSERT_TRUE(voice.OpenLog());
        CFolderHandle target;
        ASSERT_TRUE(target.Open(folder));
        CBelievedRecord record(target, folder, voice);
        EXPECT_EQ(record.Read(), row.bBelieved);
        voice.CloseLog();
        std::string told = ReadBytes(options.strLogFile.GetString());
        DeleteFileA(options.strLogFile);
        if (*row.pszTold) {
            EXPECT_NE(told.find(row.pszTold), std::string::npos) << told;
        } else {
            EXPECT_EQ(told, "");
        }
        if (!row.bBelieved) continue;
        // The log names no product: the entry's name does, and its key and digest go first, to go last.
        EXPECT_STREQ(voice.Product(), product);
        EXPECT_EQ(record.EntryRoot(), kRootLocalMachine);
        EXPECT_STREQ(record.EntryKey(), EntryKeyPath(product));
        const std::vector<LogItem>& items = record.Record().items;
        ASSERT_EQ(items.size(), 4u);
        EXPECT_EQ(items[0].kind, LogItemKind::Key);
        EXPECT_STREQ(items[0].strPath, EntryKeyPath(product));
        EXPECT_EQ(items[1].kind, LogItemKind::Value);
        EXPECT_STREQ(items[1].strPath, kInstallDigestValue);
        EXPECT_TRUE(record.ListsUninstaller(folder + "\\" + kUninstallerName));
        EXPECT_FALSE(record.ListsUninstaller(folder + "\\victim.txt"));
    }
    DeleteFileA(folder + "\\" + kInstallLogName);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, EntryKeyPath(product));
}

}  // namespace
