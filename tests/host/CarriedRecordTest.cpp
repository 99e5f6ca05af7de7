// An upgrade's record: what the earlier installation listed and is still there, carried into the
// new log at its place in each part, whatever step the new run stops at; an item listed by both
// versions counts once; the earlier record's lines kept.
#include "CarriedRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace {

class MemoryFile : public CFile {
public:
    void Write(const void* lpBuf, UINT nCount) override { m_strData.append(static_cast<const char*>(lpBuf), nCount); }
    std::string m_strData;
};

// An item as the tables name it: "D path", "F path", "K ROOT\path", "V ROOT\key: name",
// "SD path", "SF path".
std::string Name(const LogItem& item)
{
    switch (item.kind) {
    case LogItemKind::Directory: return "D " + item.strPath.Str();
    case LogItemKind::File: return "F " + item.strPath.Str();
    case LogItemKind::Key: return "K " + std::string(RegistryRootName(item.nRoot)) + "\\" + item.strPath.Str();
    case LogItemKind::Value:
        return "V " + std::string(RegistryRootName(item.nRoot)) + "\\" + item.strKey.Str() + ": " + item.strPath.Str();
    case LogItemKind::ShortcutFolder: return "SD " + item.strPath.Str();
    case LogItemKind::Shortcut: return "SF " + item.strPath.Str();
    }
    return "?";
}

class SetProbe : public CarriedItemProbe {
public:
    explicit SetProbe(std::set<std::string> there) : m_there(std::move(there)) {}
    bool Exists(const LogItem& item) const override { return m_there.count(Name(item)) != 0; }

private:
    std::set<std::string> m_there;
};

// Version 1: two files in a folder, a key with two values, a shortcut.
const char kEarlierLog[] =
    "\\sub\r\n"
    "a.txt\r\n"
    "b.txt\r\n"
    "sub\\x.dat\r\n"
    "[\\REGEDIT4]\r\n"
    "\\[HKEY_LOCAL_MACHINE\\Software\\P]\r\n"
    "Old\r\n"
    "Version\r\n"
    "[\\SHORTCUTS]\r\n"
    "\\P\r\n"
    "P\\Read me.lnk\r\n";

const std::set<std::string> kAllThere = {"D sub", "F a.txt", "F b.txt", "F sub\\x.dat", "K HKEY_LOCAL_MACHINE\\Software\\P",
                                         "V HKEY_LOCAL_MACHINE\\Software\\P: Old", "V HKEY_LOCAL_MACHINE\\Software\\P: Version",
                                         "SD P", "SF P\\Read me.lnk"};

// Where the new run stops: at its start, after its own payload, after the registry part, or at
// its end.
enum Stop { AtStart, AfterPayload, AfterRegistry, Complete };

// The new log as version 2 writes it: each carried part at the end of its part, leaving out what
// the run listed itself; a run that stops early writes what it owes of them, as the worker does.
std::string NewLog(const CarriedRecord& carried, Stop stop)
{
    MemoryFile file;
    InstallLogWriter log(file);
    auto listed = [&file] { return ListedItems(file.m_strData); };
    if (stop >= AfterPayload) {
        log.File("a.txt");
        log.File("c.txt");
    }
    WriteCarriedPayload(carried, log, listed());
    bool marker = false;
    if (stop >= AfterRegistry) {
        log.RegistryMarker();
        log.Key(kRootLocalMachine, "Software\\P");
        log.Value("Version");
        marker = true;
    }
    WriteCarriedRegistry(carried, log, listed(), marker);
    marker = false;
    if (stop >= Complete) {
        log.ShortcutMarker();
        log.ShortcutFolder("P");
        marker = true;
    }
    WriteCarriedShortcuts(carried, log, listed(), marker);
    return file.m_strData;
}

std::string Items(const std::string& log)
{
    InstallRecord record;
    LogDamage damage;
    if (!ParseInstallLog(log.data(), log.size(), record, damage))
        return "damaged at line " + std::to_string(damage.nLine) + ": " + damage.strReason.Str();
    std::string out;
    for (const LogItem& item : record.items) out += Name(item) + "|";
    return out;
}

}  // namespace

TEST(CarriedRecord, TheEarlierInstallationStaysListedAtEveryStep)
{
    const std::string kOwn = "F a.txt|F c.txt|";
    const std::string kCarried = "D sub|F b.txt|F sub\\x.dat|";
    const std::string kEarlierPayload = "D sub|F a.txt|F b.txt|F sub\\x.dat|";
    const std::string kKey = "K HKEY_LOCAL_MACHINE\\Software\\P|";
    const std::string kOld = "V HKEY_LOCAL_MACHINE\\Software\\P: Old|";
    const std::string kVersion = "V HKEY_LOCAL_MACHINE\\Software\\P: Version|";
    const std::string kShortcuts = "SD P|SF P\\Read me.lnk|";
    std::set<std::string> withoutB = kAllThere, withoutKey = kAllThere, withoutOld = kAllThere;
    withoutB.erase("F b.txt");
    withoutKey.erase("K HKEY_LOCAL_MACHINE\\Software\\P");
    withoutOld.erase("V HKEY_LOCAL_MACHINE\\Software\\P: Old");
    const struct {
        const char* pszRow;
        std::set<std::string> there;
        Stop stop;
        std::string expected;
        size_t nLines;  // of the new log: nothing listed twice
    } rows[] = {
        {"stopped at the start", kAllThere, AtStart, kEarlierPayload + kKey + kOld + kVersion + kShortcuts, 11},
        {"stopped after the payload", kAllThere, AfterPayload, kOwn + kCarried + kKey + kOld + kVersion + kShortcuts, 12},
        {"stopped after the registry", kAllThere, AfterRegistry, kOwn + kCarried + kKey + kVersion + kOld + kShortcuts, 13},
        {"complete", kAllThere, Complete, kOwn + kCarried + kKey + kVersion + kOld + kShortcuts, 13},
        {"a file removed since", withoutB, Complete, kOwn + "D sub|F sub\\x.dat|" + kKey + kVersion + kOld + kShortcuts, 12},
        {"a key removed since takes its values", withoutKey, AtStart, kEarlierPayload + kShortcuts, 7},
        {"a key removed since, complete", withoutKey, Complete, kOwn + kCarried + kKey + kVersion + "SD P|SF P\\Read me.lnk|", 11},
        {"a value removed since", withoutOld, Complete, kOwn + kCarried + kKey + kVersion + kShortcuts, 11},
        {"nothing there any more", {}, Complete, kOwn + kKey + kVersion + "SD P|", 7},
    };
    InstallRecord earlier;
    LogDamage damage;
    ASSERT_TRUE(ParseInstallLog(kEarlierLog, sizeof kEarlierLog - 1, earlier, damage));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszRow);
        CarriedRecord carried = CarryForward(earlier, PriorState(), SetProbe(row.there));
        std::string log = NewLog(carried, row.stop);
        EXPECT_EQ(row.expected, Items(log));
        EXPECT_EQ(row.nLines, size_t(std::count(log.begin(), log.end(), '\n')));
    }
}

// What the earlier installation found there goes into the new record whole, so that the last
// uninstallation puts back what was there before the first; an earlier log that does not read
// carries nothing.
TEST(CarriedRecord, TheEarlierRecordIsKept)
{
    const std::string kRecord = std::string("ZORVAN-PRIOR\t1\r\ntarget\r\ndirectory\tsub\r\nkey\tHKEY_LOCAL_MACHINE\tSoftware\\P\r\n") +
                                "value\tHKEY_LOCAL_MACHINE\tSoftware\\P\tVersion\tREG_SZ\t302e3900\tREG_SZ\t312e3000\r\n";
    const struct {
        const char* pszRow;
        std::string log;
        std::string expectedPrior;
        size_t nPayload;
    } rows[] = {
        {"a log that reads", kEarlierLog, kRecord.substr(std::string("ZORVAN-PRIOR\t1\r\ntarget\r\n").size()), 4},
        {"a log cut short in its last line", std::string(kEarlierLog) + "c.t", kRecord.substr(std::string("ZORVAN-PRIOR\t1\r\ntarget\r\n").size()), 4},
        {"a log that does not read", "..\\evil\r\n", "", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszRow);
        EarlierInstallation earlier;
        earlier.Load(row.log, kRecord);
        CarriedRecord carried = CarryForward(earlier, SetProbe(kAllThere));
        EXPECT_EQ(row.nPayload, carried.payload.size());
        MemoryFile prior;
        PriorRecordWriter writer(&prior, true);
        WriteCarriedPrior(carried, writer);
        // The new run finds the same again: said once.
        WriteCarriedPrior(carried, writer);
        EXPECT_EQ(row.expectedPrior, prior.m_strData);
    }
}

// Both versions list a file, a key and a value: each is one item of the record, met at its first line.
TEST(CarriedRecord, AnItemListedTwiceCountsOnce)
{
    const std::string log = "a.txt\r\nA.TXT\r\n\\d\r\n\\D\r\n[\\REGEDIT4]\r\n\\[HKEY_CURRENT_USER\\S]\r\nv\r\nV\r\n"
                            "\\[HKEY_CURRENT_USER\\s]\r\nv\r\nw\r\n\\[HKEY_LOCAL_MACHINE\\S]\r\nv\r\n";
    EXPECT_EQ("F a.txt|D d|K HKEY_CURRENT_USER\\S|V HKEY_CURRENT_USER\\S: v|V HKEY_CURRENT_USER\\s: w|"
              "K HKEY_LOCAL_MACHINE\\S|V HKEY_LOCAL_MACHINE\\S: v|",
              Items(log));
}

// A run killed before it could write what it owes leaves, in the product's entry, the earlier
// installation as carried, and the lines it wrote itself up to there: both together are the record.
TEST(CarriedRecord, AKilledRunReadsAsTheEarlierInstallationAndWhatItWrote)
{
    InstallRecord earlier;
    LogDamage damage;
    ASSERT_TRUE(ParseInstallLog(kEarlierLog, sizeof kEarlierLog - 1, earlier, damage));
    const std::string kCarried = CarriedLogText(CarryForward(earlier, PriorState(), SetProbe(kAllThere)));
    const std::string kEarlierPayload = "D sub|F a.txt|F b.txt|F sub\\x.dat|";
    const std::string kEarlierRegistry = "K HKEY_LOCAL_MACHINE\\Software\\P|V HKEY_LOCAL_MACHINE\\Software\\P: Old|"
                                         "V HKEY_LOCAL_MACHINE\\Software\\P: Version|";
    const std::string kEarlierItems = kEarlierPayload + kEarlierRegistry;
    const std::string kEarlierShortcuts = "SD P|SF P\\Read me.lnk|";
    const struct {
        const char* pszRow;
        std::string carried, written;
        std::string expected;
    } rows[] = {
        {"killed before its first line", kCarried, "", kEarlierItems + kEarlierShortcuts},
        {"killed in the payload", kCarried, "a.txt\r\nc.txt\r\n", kEarlierPayload + "F c.txt|" + kEarlierRegistry + kEarlierShortcuts},
        {"killed in the registry part, a value under a key listed twice", kCarried,
         "c.txt\r\n[\\REGEDIT4]\r\n\\[HKEY_LOCAL_MACHINE\\Software\\Q]\r\nq\r\n\\[HKEY_LOCAL_MACHINE\\Software\\P]\r\n"
         "New\r\n\\[HKEY_LOCAL_MACHINE\\Software\\Q]\r\nr\r\n",
         kEarlierPayload + "F c.txt|" + kEarlierRegistry +
             "K HKEY_LOCAL_MACHINE\\Software\\Q|V HKEY_LOCAL_MACHINE\\Software\\Q: q|V HKEY_LOCAL_MACHINE\\Software\\P: New|"
             "V HKEY_LOCAL_MACHINE\\Software\\Q: r|" + kEarlierShortcuts},
        {"nothing carried: a first installation", "", "a.txt\r\n[\\SHORTCUTS]\r\n\\P\r\n", "F a.txt|SD P|"},
        {"what was written does not read", kCarried, "..\\evil\r\n", kEarlierItems + kEarlierShortcuts},
        {"neither reads", "..\\evil\r\n", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszRow);
        std::string both = UnionOfLogs(row.carried, row.written);
        EXPECT_EQ(row.expected, both.empty() ? "" : Items(both));
    }
}

TEST(CarriedRecord, TheRecordsOfBothAreJoined)
{
    const std::string kHeader = "ZORVAN-PRIOR\t1\r\n";
    const std::string kEarlier = kHeader + "target\r\ndirectory\tsub\r\n";
    const std::string kOwn = "key\tHKEY_LOCAL_MACHINE\tSoftware\\Q\r\n";
    const struct {
        const char* pszRow;
        std::string carried, written, expected;
    } rows[] = {
        {"killed before the record was begun", kEarlier, "", kEarlier},
        {"killed inside its header line", kEarlier, "ZORVAN-PR", kEarlier},
        {"killed after its own lines", kEarlier, kEarlier + kOwn, kEarlier + "target\r\ndirectory\tsub\r\n" + kOwn},
        {"nothing carried", "", kHeader + kOwn, kHeader + kOwn},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszRow);
        std::string joined = JoinRecords(row.carried, row.written);
        EXPECT_EQ(row.expected, joined);
        PriorState state;
        PriorDamage damage;
        EXPECT_TRUE(ParsePriorRecord(joined.data(), joined.size(), state, damage)) << damage.strReason;
    }
    // What is carried is the start of the new record, as the run writes it.
    CarriedRecord carried;
    carried.found.directories = {"sub"};
    EXPECT_EQ(kEarlier, CarriedPriorText(carried, true));
    EXPECT_EQ(kHeader + "directory\tsub\r\n", CarriedPriorText(carried, false));
}
