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
                                "madefolder\tC:\\Apps\r\n" +
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
        {"killed in the registry part, a key listed again spelt with a closing backslash: one key", kCarried,
         "[\\REGEDIT4]\r\n\\[HKEY_LOCAL_MACHINE\\Software\\Q\\]\r\nq\r\n\\[HKEY_LOCAL_MACHINE\\Software\\Q]\r\nr\r\n"
         "\\[HKEY_LOCAL_MACHINE\\Software\\Q\\]\r\ns\r\n",
         kEarlierItems + "K HKEY_LOCAL_MACHINE\\Software\\Q\\|V HKEY_LOCAL_MACHINE\\Software\\Q\\: q|"
             "V HKEY_LOCAL_MACHINE\\Software\\Q\\: r|V HKEY_LOCAL_MACHINE\\Software\\Q\\: s|" + kEarlierShortcuts},
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
    const std::string kHeader = "ZORVAN-PRIOR\t2\r\n";
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
        {"what was carried ends inside a line", kEarlier + "key\tHKEY_LOC", kHeader + kOwn, kEarlier + kOwn},
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

namespace {

// Version N of a product as its own run writes it, each version dropping what the one before had
// and adding its own: a folder and a file, values under the product's key (spelt as productKey),
// a key, a file type, a value of the uninstall entry and a shortcut of its own.
struct OwnParts {
    std::string payload, registry, shortcuts;
};

OwnParts VersionParts(int n, const std::string& productKey)
{
    const std::string v = std::to_string(n);
    OwnParts own;
    own.payload = "\\v" + v + "\r\nv" + v + "\\only.txt\r\ncommon.txt\r\n";
    own.registry = "\\[HKEY_LOCAL_MACHINE\\" + productKey + "]\r\nInstallDir\r\nOnly" + v + "\r\n" +
                   "\\[HKEY_LOCAL_MACHINE\\" + productKey + "\\V" + v + "]\r\nOld\r\n" +
                   "\\[HKEY_CLASSES_ROOT\\.zv" + v + "]\r\n\r\n" +
                   "\\[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zorvan Demo]\r\n"
                   "DisplayName\r\nVersion" + v + "\r\n";
    own.shortcuts = "\\Zorvan Demo\r\nZorvan Demo\\V" + v + ".lnk\r\n";
    return own;
}

std::string Folded(std::string s)
{
    for (char& ch : s) ch = AfxLowerAscii(ch);
    return s;
}

// The names of a log's items, folded as items compare; every item listed twice shows twice.
std::multiset<std::string> FoldedNames(const std::string& log)
{
    InstallRecord record;
    LogDamage damage;
    EXPECT_TRUE(ParseInstallLog(log.data(), log.size(), record, damage)) << damage.nLine << ": " << damage.strReason.Str();
    std::multiset<std::string> names;
    for (const LogItem& item : record.items) names.insert(Folded(Name(item)));
    return names;
}

// The key that a value's name "V ROOT\key: name" stands under, as that key's name.
std::string KeyOfValue(const std::string& name) { return "k " + name.substr(2, name.rfind(": ") - 2); }

// What a run over earlierLog carries when gone (folded names) is no longer there.
CarriedRecord Carried(const std::string& earlierLog, const std::set<std::string>& gone)
{
    InstallRecord earlier;
    LogDamage damage;
    EXPECT_TRUE(ParseInstallLog(earlierLog.data(), earlierLog.size(), earlier, damage)) << damage.strReason.Str();
    std::set<std::string> there;
    for (const LogItem& item : earlier.items)
        if (!gone.count(Folded(Name(item)))) there.insert(Name(item));
    return CarryForward(earlier, PriorState(), SetProbe(there));
}

// The log of a run that ends, as the worker writes it: each part its own lines, then what it
// carries of that part.
std::string UpgradeLog(const CarriedRecord& carried, const OwnParts& own)
{
    MemoryFile file;
    InstallLogWriter log(file);
    file.m_strData += own.payload;
    WriteCarriedPayload(carried, log, ListedItems(file.m_strData));
    file.m_strData += "[\\REGEDIT4]\r\n" + own.registry;
    WriteCarriedRegistry(carried, log, ListedItems(file.m_strData), true);
    file.m_strData += "[\\SHORTCUTS]\r\n" + own.shortcuts;
    WriteCarriedShortcuts(carried, log, ListedItems(file.m_strData), true);
    return file.m_strData;
}

}  // namespace

// Versions installed one over another: each log lists every item of every version so far that is
// still there once, each value under its own key, however often an earlier log listed a key again;
// so does the record of a run killed after its registry part.
TEST(CarriedRecord, EveryGenerationKeepsItsItemsUnderTheirOwnKeys)
{
    const std::string kProduct = "Software\\Nexal\\Zorvan Demo";
    const std::string kOnly1 = Folded("V HKEY_LOCAL_MACHINE\\" + kProduct + ": Only1");
    const std::string kV1 = Folded("K HKEY_LOCAL_MACHINE\\" + kProduct + "\\V1");
    const struct {
        const char* pszRow;
        int nVersions;
        std::vector<std::string> spellings;  // of the product's key, by version (the last one repeats)
        std::set<std::string> gone;           // folded names, gone before every later version
    } rows[] = {
        {"three versions", 3, {kProduct}, {}},
        {"four versions", 4, {kProduct}, {}},
        {"four versions, the product's key spelt in other cases", 4,
         {kProduct, "SOFTWARE\\Nexal\\Zorvan Demo", "software\\nexal\\ZORVAN DEMO"}, {}},
        {"four versions, a value of the first removed since", 4, {kProduct}, {kOnly1}},
        {"three versions, a key of the first removed since takes its values", 3, {kProduct}, {kV1}},
        {"four versions, a file, a shortcut and a file type of the second removed since", 4, {kProduct},
         {"f v2\\only.txt", "sf zorvan demo\\v2.lnk", "k hkey_classes_root\\.zv2"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszRow);
        std::string log;
        std::set<std::string> expected;
        for (int n = 1; n <= row.nVersions; ++n) {
            SCOPED_TRACE("version " + std::to_string(n));
            OwnParts own = VersionParts(n, row.spellings[std::min(size_t(n), row.spellings.size()) - 1]);
            // There: every version's items less what went since, and the new version's own.
            std::set<std::string> there;
            for (const std::string& name : expected)
                if (!row.gone.count(name) && !(name[0] == 'v' && row.gone.count(KeyOfValue(name)))) there.insert(name);
            std::multiset<std::string> ownNames =
                FoldedNames(own.payload + "[\\REGEDIT4]\r\n" + own.registry + "[\\SHORTCUTS]\r\n" + own.shortcuts);
            expected = there;
            expected.insert(ownNames.begin(), ownNames.end());
            // Killed after its own registry part: what it carried and what it wrote.
            CarriedRecord carried = Carried(log, row.gone);
            std::string killed = UnionOfLogs(CarriedLogText(carried), own.payload + "[\\REGEDIT4]\r\n" + own.registry);
            std::set<std::string> expectedKilled = expected;
            for (const std::string& name : FoldedNames("[\\SHORTCUTS]\r\n" + own.shortcuts))
                if (!there.count(name)) expectedKilled.erase(name);
            log = UpgradeLog(carried, own);
            std::multiset<std::string> got = FoldedNames(log), gotKilled = FoldedNames(killed);
            EXPECT_EQ(std::multiset<std::string>(expected.begin(), expected.end()), got);
            EXPECT_EQ(std::multiset<std::string>(expectedKilled.begin(), expectedKilled.end()), gotKilled);
        }
        EXPECT_EQ(row.gone.count(kOnly1) ? 0u : 1u, FoldedNames(log).count(kOnly1));
    }
}

// What an upgrade that succeeded retires: every carried item that the new run's own lines do not
// list, in the log's order; a value goes on its own where its key stays, an item the new version
// lists again in other letters stays, and what is no longer there is not carried to retire.
TEST(CarriedRecord, AnUpgradeRetiresWhatItsOwnLinesDoNotList)
{
    struct Row {
        const char* pszWhat;
        std::string strOwnLog;
        std::set<std::string> gone;  // of version 1's items, no longer there
        std::vector<std::string> retired;
    } rows[] = {
        {"the same version again", kEarlierLog, {}, {}},
        {"nothing of it again",
         "",
         {},
         {"D sub", "F a.txt", "F b.txt", "F sub\\x.dat", "K HKEY_LOCAL_MACHINE\\Software\\P",
          "V HKEY_LOCAL_MACHINE\\Software\\P: Old", "V HKEY_LOCAL_MACHINE\\Software\\P: Version", "SD P",
          "SF P\\Read me.lnk"}},
        {"a file, a value and the shortcut dropped",
         "\\sub\r\nA.TXT\r\nsub\\x.dat\r\n[\\REGEDIT4]\r\n\\[HKEY_LOCAL_MACHINE\\Software\\P]\r\nVersion\r\n",
         {},
         {"F b.txt", "V HKEY_LOCAL_MACHINE\\Software\\P: Old", "SD P", "SF P\\Read me.lnk"}},
        {"the value under another key of the same name elsewhere",
         "\\sub\r\na.txt\r\nb.txt\r\nsub\\x.dat\r\n[\\REGEDIT4]\r\n\\[HKEY_CURRENT_USER\\Software\\P]\r\nOld\r\nVersion\r\n"
         "[\\SHORTCUTS]\r\n\\P\r\nP\\Read me.lnk\r\n",
         {},
         {"K HKEY_LOCAL_MACHINE\\Software\\P", "V HKEY_LOCAL_MACHINE\\Software\\P: Old",
          "V HKEY_LOCAL_MACHINE\\Software\\P: Version"}},
        {"a file become a folder and a folder become a file: the places are the new version's",
         "\\b.txt\r\na.txt\r\nsub\r\n[\\REGEDIT4]\r\n\\[HKEY_LOCAL_MACHINE\\Software\\P]\r\nOld\r\nVersion\r\n"
         "[\\SHORTCUTS]\r\n\\P\r\nP\\Read me.lnk\r\n",
         {},
         {"F sub\\x.dat"}},
        {"what is gone already is not retired",
         "\\sub\r\na.txt\r\n",
         {"f b.txt", "v hkey_local_machine\\software\\p: old", "sf p\\read me.lnk"},
         {"F sub\\x.dat", "K HKEY_LOCAL_MACHINE\\Software\\P", "V HKEY_LOCAL_MACHINE\\Software\\P: Version", "SD P"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszWhat);
        std::vector<std::string> retired;
        for (const LogItem& item : RetiredItems(Carried(kEarlierLog, row.gone), row.strOwnLog)) retired.push_back(Name(item));
        EXPECT_EQ(row.retired, retired);
    }
}
