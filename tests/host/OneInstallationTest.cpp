// One installation at a time: which kept entries refuse an installation into another folder or for
// the other scope, and what the refusals tell.
#include "OneInstallation.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>

namespace {

class CTableStore : public CAnchorStore {
public:
    void Put(int nRoot, const char* pszProduct, const char* pszFolder, bool bDigest = true, std::string strDigest = "ab cd")
    {
        RecordAnchor anchor;
        anchor.bFound = bDigest;
        anchor.strDigest = bDigest ? strDigest : "";
        anchor.strLocation = pszFolder;
        m_anchors[{nRoot, pszProduct}] = anchor;
    }
    RecordAnchor Read(const CString& strProduct, int nRoot) const override
    {
        auto it = m_anchors.find({nRoot, strProduct.Str()});
        return it == m_anchors.end() ? RecordAnchor() : it->second;
    }
    std::vector<CString> Products(int) const override { return {}; }

private:
    std::map<std::pair<int, std::string>, RecordAnchor> m_anchors;
};

const char kUserFolder[] = "C:\\Users\\u\\AppData\\Local\\Programs\\Notes";
const char kMachineFolder[] = "C:\\Program Files\\Notes";

struct Kept {
    int nRoot;
    const char* pszProduct;
    const char* pszFolder;
    bool bDigest;
};

}  // namespace

TEST(ScopeConflict, TheInstallationInTheOtherScopeRefuses)
{
    const int HKLM = kRootLocalMachine, HKCU = kRootCurrentUser;
    const struct {
        const char* pszRow;
        bool bForOneUser;
        std::vector<Kept> kept;
        std::set<std::string> recordsThere;  // folders that still hold their record
        const char* pszExpected;             // the folder that refuses; "" to go on
    } rows[] = {
        {"nothing installed, for one user", true, {}, {}, ""},
        {"nothing installed, for everyone", false, {}, {}, ""},
        {"for one user over one user's", true, {{HKCU, "Notes", kUserFolder, true}}, {kUserFolder}, ""},
        {"for everyone over everyone's", false, {{HKLM, "Notes", kMachineFolder, true}}, {kMachineFolder}, ""},
        {"for everyone beside one user's", false, {{HKCU, "Notes", kUserFolder, true}}, {kUserFolder}, kUserFolder},
        {"for one user beside everyone's", true, {{HKLM, "Notes", kMachineFolder, true}}, {kMachineFolder}, kMachineFolder},
        {"both there, for one user", true,
         {{HKCU, "Notes", kUserFolder, true}, {HKLM, "Notes", kMachineFolder, true}},
         {kUserFolder, kMachineFolder},
         kMachineFolder},
        {"an entry whose folder lost its record", false, {{HKCU, "Notes", kUserFolder, true}}, {}, ""},
        {"an entry without the digest of an installation", true, {{HKLM, "Notes", kMachineFolder, false}},
         {kMachineFolder}, ""},
        {"an entry without a folder", false, {{HKCU, "Notes", "", true}}, {""}, ""},
        {"another product's entry", false, {{HKCU, "Notes 2", kUserFolder, true}}, {kUserFolder}, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszRow);
        CTableStore store;
        for (const Kept& k : row.kept) store.Put(k.nRoot, k.pszProduct, k.pszFolder, k.bDigest);
        std::vector<std::string> asked;
        // A record there is the one each entry keeps ("ab cd" stands for its digests).
        CString there = InstallationInOtherScope(
            store, "Notes", row.bForOneUser,
            [&](const CString& strFolder) {
                asked.push_back(strFolder.Str());
                return row.recordsThere.count(strFolder.Str()) != 0;
            },
            [&](const CString& strFolder, RecordFileRead&, RecordFileRead&) {
                asked.push_back(strFolder.Str());
                return false;
            });
        // For everyone the user's entry counts only with the record it vouches for: the next test.
        EXPECT_EQ(std::string(row.bForOneUser ? row.pszExpected : ""), there.Str());
        // Only the other scope's folder is ever looked at.
        for (const std::string& folder : asked) EXPECT_EQ(folder, row.bForOneUser ? kMachineFolder : kUserFolder);
    }
    CTableStore store;
    store.Put(kRootCurrentUser, "", kUserFolder);
    EXPECT_EQ(InstallationInOtherScope(store, "", false, [](const CString&) { return true; },
                                       [](const CString&, RecordFileRead&, RecordFileRead&) { return true; })
                  .Str(),
              "");
}

// The user's own entry is what the user's everyday programs write: an installation for one user
// is recognised only by the record the entry keeps, read in its folder and believed by the rule for
// a user's own record, never by what the entry says alone.
TEST(ScopeConflict, AnInstallationForTheUserIsItsBelievedRecord)
{
    const int HKLM = kRootLocalMachine, HKCU = kRootCurrentUser;
    const std::string userLog = "Uninstal.exe\r\n[\\REGEDIT4]\r\n\\[HKEY_CURRENT_USER\\Software\\Notes]\r\nName\r\n";
    const std::string machineLog = "Uninstal.exe\r\n[\\REGEDIT4]\r\n\\[HKEY_LOCAL_MACHINE\\Software\\Victim]\r\nImagePath\r\n";
    const std::string prior = "ZORVAN-PRIOR\t1\r\n";
    const std::string zeros = std::string(64, '0') + " " + std::string(64, '0');
    const struct {
        const char* pszRow;
        int nRoot;
        bool bDigest;
        std::string strKept;       // the digests the entry keeps
        bool bRecordThere;
        std::string strLog;        // the log in the folder
        const char* pszExpected;   // the folder of the installation; "" for none
    } rows[] = {
        {"the record the user's entry keeps", HKCU, true, RecordDigestText(userLog, prior), true, userLog, kUserFolder},
        {"an InstallLocation alone", HKCU, false, "", true, userLog, ""},
        {"digests of zeros beside any log", HKCU, true, zeros, true, userLog, ""},
        {"another log than the one kept", HKCU, true, RecordDigestText(userLog, prior), true, machineLog, ""},
        {"the entry's folder holds no log", HKCU, true, RecordDigestText(userLog, prior), false, userLog, ""},
        {"a kept record that lists a key of the machine", HKCU, true, RecordDigestText(machineLog, prior), true,
         machineLog, ""},
        {"only the machine's entry", HKLM, true, RecordDigestText(userLog, prior), true, userLog, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszRow);
        CTableStore store;
        store.Put(row.nRoot, "Notes", kUserFolder, row.bDigest, row.strKept);
        auto read = [&](const CString& strFolder, RecordFileRead& log, RecordFileRead& record) {
            EXPECT_EQ(strFolder.Str(), std::string(kUserFolder));
            if (!row.bRecordThere) return false;
            log.strData = row.strLog;
            log.nLength = row.strLog.size();
            record.strData = prior;
            record.nLength = prior.size();
            return true;
        };
        EXPECT_EQ(std::string(row.pszExpected), InstallationForUser(store, "Notes", read).Str());
        EXPECT_EQ(std::string(row.pszExpected),
                  InstallationInOtherScope(store, "Notes", false, [](const CString&) { return true; }, read).Str());
    }
}

TEST(ScopeConflict, TheRefusalNamesTheInstallationAndOnlyTheMachinesUninstaller)
{
    const struct {
        bool bForOneUser;
        const char* pszFolder;
        const char* pszExpected;
    } rows[] = {
        {false, kUserFolder,
         "FATAL: Notes is installed for you alone, in 'C:\\Users\\u\\AppData\\Local\\Programs\\Notes': it is not "
         "installed for everyone beside that installation. Remove it first in Add/Remove programs, without "
         "administrator rights, then install it again: nothing was installed"},
        {true, kMachineFolder,
         "FATAL: Notes is installed for everyone who uses this computer, in 'C:\\Program Files\\Notes': it is not "
         "installed for one user beside that installation. Remove it first with 'C:\\Program "
         "Files\\Notes\\Uninstal.exe' (or Add/Remove programs), then install it again: nothing was installed"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszFolder);
        EXPECT_EQ(std::string(row.pszExpected), OtherScopeRefusal("Notes", row.bForOneUser, row.pszFolder).Str());
    }
}

TEST(OneFolder, TheInstallationInAnotherFolderOfTheSameScopeRefuses)
{
    const int HKLM = kRootLocalMachine, HKCU = kRootCurrentUser;
    const struct {
        const char* pszRow;
        bool bForOneUser;
        const char* pszTarget;
        std::vector<Kept> kept;
        std::set<std::string> recordsThere;
        const char* pszExpected;  // the folder that refuses; "" to go on
    } rows[] = {
        {"nothing installed", false, kMachineFolder, {}, {}, ""},
        {"the same folder again", false, kMachineFolder, {{HKLM, "Notes", kMachineFolder, true}}, {kMachineFolder}, ""},
        {"the same folder in other case, with a closing backslash", false, "c:\\program files\\NOTES\\",
         {{HKLM, "Notes", kMachineFolder, true}}, {kMachineFolder}, ""},
        {"another folder, its record there", false, "D:\\Notes", {{HKLM, "Notes", kMachineFolder, true}},
         {kMachineFolder}, kMachineFolder},
        {"another folder, its record gone", false, "D:\\Notes", {{HKLM, "Notes", kMachineFolder, true}}, {}, ""},
        {"another folder that only shares the start of the name", false, "C:\\Program Files\\Notes 2",
         {{HKLM, "Notes", kMachineFolder, true}}, {kMachineFolder}, kMachineFolder},
        {"for one user: the user's entry decides", true, "D:\\Notes", {{HKCU, "Notes", kUserFolder, true}},
         {kUserFolder}, kUserFolder},
        {"for one user: the machine's entry is the other rule's", true, "D:\\Notes",
         {{HKLM, "Notes", kMachineFolder, true}}, {kMachineFolder}, ""},
        {"for everyone: the user's entry is the other rule's", false, "D:\\Notes", {{HKCU, "Notes", kUserFolder, true}},
         {kUserFolder}, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszRow);
        CTableStore store;
        for (const Kept& k : row.kept) store.Put(k.nRoot, k.pszProduct, k.pszFolder, k.bDigest);
        CString there = InstallationElsewhere(store, "Notes", row.bForOneUser, row.pszTarget, [&](const CString& strFolder) {
            return row.recordsThere.count(strFolder.Str()) != 0;
        });
        EXPECT_EQ(std::string(row.pszExpected), there.Str());
    }
    EXPECT_EQ("Notes is installed in 'C:\\Program Files\\Notes'. Remove it first (its uninstaller is in that folder), "
              "or install it into that folder again.",
              ElsewhereRefusal("Notes", kMachineFolder).Str());
}
