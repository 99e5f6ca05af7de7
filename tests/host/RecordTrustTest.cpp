// The one rule for believing a record read from a folder: which anchor, which process, which record
// give which verdict, for Setup.exe and for Uninstal.exe alike.
#include "RecordTrust.h"

#include "AfxDigest.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

namespace {

const char kFolder[] = "C:\\Demo";
const char kMachineLog[] = "Uninstal.exe\r\n[\\REGEDIT4]\r\n\\[HKEY_LOCAL_MACHINE\\Software\\Nexal\\Demo]\r\nVersion\r\n";
const char kUserLog[] = "Uninstal.exe\r\n[\\REGEDIT4]\r\n\\[HKEY_CURRENT_USER\\Software\\Nexal\\Demo]\r\nVersion\r\n";
// A user's record that reaches the machine's part on its fifth line, a value below a user's key.
const char kReachingLog[] =
    "Uninstal.exe\r\n[\\REGEDIT4]\r\n\\[HKEY_CURRENT_USER\\Software\\Nexal\\Demo]\r\nVersion\r\n"
    "\\[HKEY_LOCAL_MACHINE\\Software\\Victim]\r\nImagePath\r\n";
const char kPrior[] = "ZORVAN-PRIOR\t1\r\n";

class CTableStore : public CAnchorStore {
public:
    void Put(int nRoot, const char* pszProduct, const RecordAnchor& anchor) { m_anchors[{nRoot, pszProduct}] = anchor; }
    RecordAnchor Read(const CString& strProduct, int nRoot) const override
    {
        auto it = m_anchors.find({nRoot, strProduct.Str()});
        return it == m_anchors.end() ? RecordAnchor() : it->second;
    }
    std::vector<CString> Products(int nRoot) const override
    {
        std::vector<CString> names;
        for (const auto& kept : m_anchors)
            if (kept.first.first == nRoot) names.push_back(CString(kept.first.second.c_str()));
        return names;
    }

private:
    std::map<std::pair<int, std::string>, RecordAnchor> m_anchors;
};

RecordAnchor Kept(const std::string& strLog, const char* pszFolder = kFolder, const std::string& strPrior = kPrior)
{
    RecordAnchor anchor;
    anchor.bFound = true;
    anchor.strDigest = RecordDigestText(strLog, strPrior);
    anchor.strLocation = pszFolder;
    return anchor;
}

// The anchor of a run that was stopped just after it emptied the log, carrying the earlier one.
RecordAnchor Open(const std::string& strCarriedLog)
{
    RecordAnchor anchor = Kept("");
    anchor.strDigest = OpenDigestText(CSha256::Of(""), 0, CSha256::Of(""), 0);
    anchor.strCarriedLog = strCarriedLog;
    anchor.strCarriedPrior = kPrior;
    return anchor;
}

struct Entry {
    int nRoot;
    const char* pszProduct;
    RecordAnchor anchor;
};

const int HKLM = kRootLocalMachine, HKCU = kRootCurrentUser;
const unsigned long long kOver = kMaxRecordFileBytes + 1;

struct Row {
    const char* pszRow;
    RecordReader reader;
    bool bElevated;
    int nScopeRoot;  // Setup.exe's run
    std::vector<Entry> entries;
    std::string strLog, strPrior;
    unsigned long long nLogLength, nPriorLength;  // 0: the texts' own
    RecordVerdict expected;
    const char* pszProduct;  // that vouches or that the verdict is about; "" for none
    int nRoot;
    std::string strExpectedLog;  // trusted: the log to use
    int nLine;                   // beyondUsersPart
};

const RecordReader kSetup = RecordReader::setup, kUninstaller = RecordReader::uninstaller;

void Check(const Row& row)
{
    SCOPED_TRACE(row.pszRow);
    CTableStore store;
    for (const Entry& e : row.entries) store.Put(e.nRoot, e.pszProduct, e.anchor);
    RecordQuestion q;
    q.reader = row.reader;
    q.bElevated = row.bElevated;
    q.strFolder = kFolder;
    q.strProduct = "Demo";
    q.nScopeRoot = row.nScopeRoot;
    RecordFileRead log, prior;
    log.nLength = row.nLogLength ? row.nLogLength : row.strLog.size();
    prior.nLength = row.nPriorLength ? row.nPriorLength : row.strPrior.size();
    if (RecordFileFits(log.nLength)) log.strData = row.strLog;
    if (RecordFileFits(prior.nLength)) prior.strData = row.strPrior;
    RecordTrust trust = JudgeRecord(store, q, log, prior);
    EXPECT_EQ(int(row.expected), int(trust.verdict));
    EXPECT_EQ(std::string(row.pszProduct), trust.strProduct.Str());
    if (*row.pszProduct) {
        EXPECT_EQ(row.nRoot, trust.nRoot);
    }
    EXPECT_EQ(row.strExpectedLog, trust.strLog);
    if (!trust.IsTrusted()) {
        EXPECT_EQ("", trust.strPrior);
    }
    EXPECT_EQ(row.nLine, trust.nLine);
    bool bSilent = trust.IsTrusted() || trust.verdict == RecordVerdict::nothing;
    EXPECT_EQ(bSilent, trust.strReason.empty()) << trust.strReason;
}

}  // namespace

TEST(RecordTrust, TheUninstallerBelievesAnEntryThatNamesTheFolderUnderARootItMayBelieve)
{
    const Row rows[] = {
        {"the machine's entry, elevated", kUninstaller, true, HKLM, {{HKLM, "Demo", Kept(kMachineLog)}}, kMachineLog,
         kPrior, 0, 0, RecordVerdict::trusted, "Demo", HKLM, kMachineLog, 0},
        {"another product's entry names the folder", kUninstaller, true, HKLM,
         {{HKLM, "Other", Kept(kMachineLog, "C:\\Other")}, {HKLM, "Renamed", Kept(kMachineLog)}}, kMachineLog, kPrior, 0,
         0, RecordVerdict::trusted, "Renamed", HKLM, kMachineLog, 0},
        {"no entry at all", kUninstaller, true, HKLM, {}, kMachineLog, kPrior, 0, 0, RecordVerdict::noEntry, "", 0, "", 0},
        {"a genuine pair copied: the entry names another folder", kUninstaller, true, HKLM,
         {{HKLM, "Demo", Kept(kMachineLog, "C:\\Program Files\\Demo")}}, kMachineLog, kPrior, 0, 0,
         RecordVerdict::noEntry, "", 0, "", 0},
        {"a stale record", kUninstaller, true, HKLM, {{HKLM, "Demo", Kept(kUserLog)}}, kMachineLog, kPrior, 0, 0,
         RecordVerdict::otherRecord, "Demo", HKLM, "", 0},
        {"a user's entry, elevated", kUninstaller, true, HKLM, {{HKCU, "Demo", Kept(kUserLog)}}, kUserLog, kPrior, 0, 0,
         RecordVerdict::usersOwnEntry, "Demo", HKCU, "", 0},
        {"a copied pair and a user's entry for it, elevated", kUninstaller, true, HKLM,
         {{HKLM, "Demo", Kept(kMachineLog, "C:\\Program Files\\Demo")}, {HKCU, "Demo", Kept(kMachineLog)}}, kMachineLog,
         kPrior, 0, 0, RecordVerdict::usersOwnEntry, "Demo", HKCU, "", 0},
        {"the machine keeps other digests, a user's entry these", kUninstaller, true, HKLM,
         {{HKLM, "Demo", Kept(kUserLog)}, {HKCU, "Mine", Kept(kMachineLog)}}, kMachineLog, kPrior, 0, 0,
         RecordVerdict::otherRecord, "Demo", HKLM, "", 0},
        {"a user's entry, not elevated", kUninstaller, false, HKLM, {{HKCU, "Demo", Kept(kUserLog)}}, kUserLog, kPrior,
         0, 0, RecordVerdict::trusted, "Demo", HKCU, kUserLog, 0},
        {"a user's entry for a record that reaches the machine", kUninstaller, false, HKLM,
         {{HKCU, "Demo", Kept(kReachingLog)}}, kReachingLog, kPrior, 0, 0, RecordVerdict::beyondUsersPart, "Demo", HKCU,
         "", 5},
        {"a user's entry for a machine's record", kUninstaller, false, HKLM, {{HKCU, "Demo", Kept(kMachineLog)}},
         kMachineLog, kPrior, 0, 0, RecordVerdict::beyondUsersPart, "Demo", HKCU, "", 3},
        {"both roots agree, not elevated: the machine's first", kUninstaller, false, HKLM,
         {{HKCU, "Demo", Kept(kMachineLog)}, {HKLM, "Demo", Kept(kMachineLog)}}, kMachineLog, kPrior, 0, 0,
         RecordVerdict::trusted, "Demo", HKLM, kMachineLog, 0},
        {"a log larger than the cap", kUninstaller, true, HKLM, {{HKLM, "Demo", Kept(kMachineLog)}}, kMachineLog,
         kPrior, kOver, 0, RecordVerdict::tooLarge, "", 0, "", 0},
        {"a record larger than the cap", kUninstaller, true, HKLM, {{HKLM, "Demo", Kept(kMachineLog)}}, kMachineLog,
         kPrior, 0, kOver, RecordVerdict::tooLarge, "", 0, "", 0},
        {"a log of exactly the cap is read", kUninstaller, true, HKLM, {{HKLM, "Demo", Kept(kMachineLog)}}, kMachineLog,
         kPrior, kMaxRecordFileBytes, 0, RecordVerdict::trusted, "Demo", HKLM, kMachineLog, 0},
        {"a run that did not end", kUninstaller, true, HKLM, {{HKLM, "Demo", Open(kMachineLog)}}, "", "", 0, 0,
         RecordVerdict::trusted, "Demo", HKLM, kMachineLog, 0},
    };
    for (const Row& row : rows) Check(row);
}

TEST(RecordTrust, SetupBelievesOnlyItsOwnProductsEntryUnderItsScope)
{
    const Row rows[] = {
        {"for everyone, its entry", kSetup, true, HKLM, {{HKLM, "Demo", Kept(kMachineLog)}}, kMachineLog, kPrior, 0, 0,
         RecordVerdict::trusted, "Demo", HKLM, kMachineLog, 0},
        {"nothing there", kSetup, true, HKLM, {{HKLM, "Demo", Kept(kMachineLog)}}, "", "", 0, 0, RecordVerdict::nothing,
         "", 0, "", 0},
        {"a record planted beside an empty log", kSetup, true, HKLM, {}, "", kPrior, 0, 0, RecordVerdict::noEntry,
         "Demo", HKLM, "", 0},
        {"another product's entry names the folder", kSetup, true, HKLM, {{HKLM, "Other", Kept(kMachineLog)}},
         kMachineLog, kPrior, 0, 0, RecordVerdict::noEntry, "Demo", HKLM, "", 0},
        {"its entry names another folder", kSetup, true, HKLM, {{HKLM, "Demo", Kept(kMachineLog, "C:\\Else")}},
         kMachineLog, kPrior, 0, 0, RecordVerdict::otherFolder, "Demo", HKLM, "", 0},
        {"a stale record", kSetup, true, HKLM, {{HKLM, "Demo", Kept(kUserLog)}}, kMachineLog, kPrior, 0, 0,
         RecordVerdict::otherRecord, "Demo", HKLM, "", 0},
        {"for everyone, the user's entry is not looked at", kSetup, false, HKLM, {{HKCU, "Demo", Kept(kMachineLog)}},
         kMachineLog, kPrior, 0, 0, RecordVerdict::noEntry, "Demo", HKLM, "", 0},
        {"for one user, elevated", kSetup, true, HKCU, {{HKCU, "Demo", Kept(kUserLog)}}, kUserLog, kPrior, 0, 0,
         RecordVerdict::usersOwnEntry, "Demo", HKCU, "", 0},
        {"for one user, elevated, a stale record", kSetup, true, HKCU, {{HKCU, "Demo", Kept(kMachineLog)}}, kUserLog,
         kPrior, 0, 0, RecordVerdict::otherRecord, "Demo", HKCU, "", 0},
        {"for one user, not elevated", kSetup, false, HKCU, {{HKCU, "Demo", Kept(kUserLog)}}, kUserLog, kPrior, 0, 0,
         RecordVerdict::trusted, "Demo", HKCU, kUserLog, 0},
        {"for one user, a record that reaches the machine", kSetup, false, HKCU, {{HKCU, "Demo", Kept(kReachingLog)}},
         kReachingLog, kPrior, 0, 0, RecordVerdict::beyondUsersPart, "Demo", HKCU, "", 5},
        {"for one user, the machine's entry is not looked at", kSetup, false, HKCU, {{HKLM, "Demo", Kept(kUserLog)}},
         kUserLog, kPrior, 0, 0, RecordVerdict::noEntry, "Demo", HKCU, "", 0},
        {"a log larger than the cap", kSetup, true, HKLM, {{HKLM, "Demo", Kept(kMachineLog)}}, kMachineLog, kPrior,
         kOver, 0, RecordVerdict::tooLarge, "", 0, "", 0},
        {"a record larger than the cap, without a log", kSetup, true, HKLM, {}, "", kPrior, 0, kOver,
         RecordVerdict::tooLarge, "", 0, "", 0},
        {"the log emptied by a run that did not end", kSetup, true, HKLM, {{HKLM, "Demo", Open(kMachineLog)}}, "", "",
         0, 0, RecordVerdict::trusted, "Demo", HKLM, kMachineLog, 0},
    };
    for (const Row& row : rows) Check(row);
}

// A file over the cap is named, and is not believed even when a caller read it regardless.
TEST(RecordTrust, AFileOverTheCapIsNamedAndNeverBelieved)
{
    CTableStore store;
    store.Put(HKLM, "Demo", Kept(kMachineLog));
    RecordQuestion q;
    q.strFolder = kFolder;
    for (bool bLog : {true, false}) {
        SCOPED_TRACE(bLog ? "the log" : "the record");
        RecordFileRead log, prior;
        (bLog ? log : prior).strData.assign(size_t(kMaxRecordFileBytes) + 1, 'x');  // its length not given
        RecordTrust trust = JudgeRecord(store, q, log, prior);
        EXPECT_EQ(int(RecordVerdict::tooLarge), int(trust.verdict));
        EXPECT_STREQ(bLog ? kInstallLogName : kPriorRecordName, trust.pszFile);
        EXPECT_NE(std::string::npos, trust.strReason.find(trust.pszFile)) << trust.strReason;
    }
    EXPECT_TRUE(RecordFileFits(kMaxRecordFileBytes));
    EXPECT_FALSE(RecordFileFits(kMaxRecordFileBytes + 1));
    EXPECT_EQ(std::vector<int>{HKLM}, BelievedAnchorRoots(true));
    EXPECT_EQ((std::vector<int>{HKLM, HKCU}), BelievedAnchorRoots(false));
}
