// The product's entry as a run reads it before it installs: only the scope the run installs for
// counts, a folder is proposed only when it is a full, plain path, and a version counts only when
// both texts read as dotted numbers and the medium's is lower.
#include "InstalledEntry.h"
#include "RegistryRoots.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char* const kKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZrvEntryRow";

void SetEntry(HKEY hRoot, const char* pszName, const char* pszValue)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(hRoot, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr), ERROR_SUCCESS);
    RegSetValueExA(key, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(pszValue), DWORD(std::strlen(pszValue) + 1));
    RegCloseKey(key);
}

}  // namespace

TEST(InstalledEntry, OnlyTheRunsScopeAndAPlainFolderOrLowerVersionCount)
{
    struct Row {
        bool bInUserEntry;     // the entry is the user's own, else the machine's
        bool bForOneUser;      // the run's scope
        const char* location;  // InstallLocation
        const char* installed;  // DisplayVersion
        const char* medium;
        const char* proposed;  // what ProposedLocation gives
        const char* newer;     // what IsNewerThan gives; null: false
    } rows[] = {
        {false, false, "C:\\Games\\Zrv", "1.1", "1.0", "C:\\Games\\Zrv", "1.1"},
        {true, true, "C:\\Users\\me\\Zrv", "2", "1.9", "C:\\Users\\me\\Zrv", "2"},
        {true, false, "C:\\Games\\Zrv", "1.1", "1.0", "", nullptr},   // the other scope's entry
        {false, true, "C:\\Games\\Zrv", "1.1", "1.0", "", nullptr},
        {false, false, "Games\\Zrv", "1.0", "1.0.0", "", nullptr},    // relative; the same version
        {false, false, "C:\\Games\\..\\Zrv", "1.0", "1.1", "", nullptr},
        {false, false, "C:\\Games\\Zrv\\", "1.1 beta", "1.0", "", nullptr},
        {false, false, "C:\\Games\\Zrv", "1.1", "", "C:\\Games\\Zrv", nullptr},  // the medium has no version
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.location) + " / " + row.installed + " / " + row.medium);
        const HKEY hRoot = row.bInUserEntry ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        SetEntry(hRoot, "InstallLocation", row.location);
        SetEntry(hRoot, "DisplayVersion", row.installed);
        CInstalledEntry entry("ZrvEntryRow", row.bForOneUser);
        EXPECT_EQ(entry.ProposedLocation().Str(), row.proposed);
        CString installed = "untouched";
        EXPECT_EQ(entry.IsNewerThan(row.medium, installed), row.newer != nullptr);
        EXPECT_EQ(installed.Str(), row.newer ? row.newer : "untouched");
        RegDeleteKeyA(hRoot, kKey);
    }
    // A name the registration refuses has no entry to read.
    EXPECT_EQ(CInstalledEntry("Zrv\nEntry", false).ProposedLocation().Str(), "");
}
