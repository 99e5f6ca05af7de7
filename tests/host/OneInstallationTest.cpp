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
    void Put(int nRoot, const char* pszProduct, const char* pszFolder, bool bDigest = true)
    {
        RecordAnchor anchor;
        anchor.bFound = bDigest;
        anchor.strDigest = bDigest ? "ab cd" : "";
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
        CString there = InstallationInOtherScope(store, "Notes", row.bForOneUser, [&](const CString& strFolder) {
            asked.push_back(strFolder.Str());
            return row.recordsThere.count(strFolder.Str()) != 0;
        });
        EXPECT_EQ(std::string(row.pszExpected), there.Str());
        // Only the other scope's folder is ever looked at.
        for (const std::string& folder : asked) EXPECT_EQ(folder, row.bForOneUser ? kMachineFolder : kUserFolder);
    }
    CTableStore store;
    store.Put(kRootCurrentUser, "", kUserFolder);
    EXPECT_EQ(InstallationInOtherScope(store, "", false, [](const CString&) { return true; }).Str(), "");
}

TEST(ScopeConflict, TheRefusalNamesTheInstallationAndItsUninstaller)
{
    const struct {
        bool bForOneUser;
        const char* pszFolder;
        const char* pszExpected;
    } rows[] = {
        {false, kUserFolder,
         "FATAL: Notes is installed for you alone, in 'C:\\Users\\u\\AppData\\Local\\Programs\\Notes': it is not "
         "installed for everyone beside that installation. Remove it first with "
         "'C:\\Users\\u\\AppData\\Local\\Programs\\Notes\\Uninstal.exe' (or Add/Remove programs), then install it "
         "again: nothing was installed"},
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
