// Which paths may be handed to the restart: one folder's owner and access list judged (lists as the
// system gives its own folders, and as users make theirs), and whole chains of real folders, made
// with chosen lists and links. Under Wine a list is kept as Unix permissions: a folder made open
// to everyone is one that everyone may write, rename in and re-permission.
#include "AfxElevation.h"
#include "AfxRegistry.h"
#include "AfxRestartGate.h"
#include "AfxSecurity.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "SymbolicLink.h"

namespace {

const char kInstaller[] = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

std::string WithInstaller(const char* pszSddl)
{
    std::string s = pszSddl;
    for (size_t at; (at = s.find("TI")) != std::string::npos;) s.replace(at, 2, kInstaller);
    return s;
}

// Makes strPath a folder with the access list of pszSddl (a "D:" part alone). The list is set
// after the creation: under Wine a list given with it is narrowed by the process's umask.
bool MakeFolder(const CString& strPath, const char* pszSddl)
{
    PSECURITY_DESCRIPTOR pSd = nullptr;
    if (!CreateDirectoryA(strPath, nullptr) ||
        !ConvertStringSecurityDescriptorToSecurityDescriptorA(pszSddl, SDDL_REVISION_1, &pSd, nullptr))
        return false;
    bool set = SetFileSecurityA(strPath, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, pSd) != FALSE;
    LocalFree(pSd);
    return set;
}

// Removes a file or a link itself (Wine's own calls may refuse a Unix link to a folder).
void RemoveLink(const CString& strPath)
{
    if (RemoveDirectoryA(strPath) || DeleteFileA(strPath)) return;
    CString unix = UnixPath(strPath);
    if (!unix.IsEmpty())
        RunUnix("/bin/rm", "-f \"" + unix + "\"", [&] { return GetFileAttributesA(strPath) == INVALID_FILE_ATTRIBUTES; });
}

void RemoveTree(const CString& strPath)
{
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(strPath + "\\*", &data);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            CString name = data.cFileName;
            if (name == "." || name == "..") continue;
            bool link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !link) RemoveTree(strPath + "\\" + name);
            else RemoveLink(strPath + "\\" + name);
        } while (FindNextFileA(h, &data));
        FindClose(h);
    }
    RemoveDirectoryA(strPath);
}

const char kClosed[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
const char kOpen[] = "D:P(A;OICI;FA;;;WD)";

}  // namespace

// One folder: the lists that the system gives its own folders pass where they stand, and a list
// that lets anyone else rename, remove or re-permission does not.
TEST(RestartGate, AFolderIsJudgedByItsOwnerAndItsEntriesThatApplyToIt)
{
    struct Row {
        const char* pszWhat;
        const char* pszSddl;  // TI: the system's installer service
        bool bRoot, bMayAdd;
        bool bClosed;
    } rows[] = {
        // A drive's root: every signed-in user may make folders in it, and change what they make.
        {"the system's drive root", "O:SYD:(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)(A;OICIIO;SDGXGWGR;;;AU)(A;;0x4;;;AU)",
         true, false, true},
        {"the same list below the root", "O:SYD:(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)(A;OICIIO;SDGXGWGR;;;AU)(A;;0x4;;;AU)",
         false, false, false},
        {"the program folder, the installer service's",
         "O:TIG:TID:P(A;CIIO;GA;;;CO)(A;;FA;;;TI)(A;CIIO;GA;;;TI)(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;SY)(A;;0x1301bf;;;BA)"
         "(A;OICIIO;GA;;;BA)(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)(A;;0x1200a9;;;AC)(A;OICIIO;GXGR;;;AC)",
         false, false, true},
        {"a user's folder at the root", "O:S-1-5-21-1-2-3-1001D:AI(A;ID;FA;;;BA)(A;ID;FA;;;SY)(A;ID;0x1200a9;;;BU)(A;OICIID;0x1301bf;;;AU)",
         false, false, false},
        {"the same list owned by administrators", "O:BAD:AI(A;ID;FA;;;BA)(A;ID;FA;;;SY)(A;ID;0x1200a9;;;BU)(A;OICIID;0x1301bf;;;AU)",
         false, false, false},
        {"the Windows folder's temporary folder", "O:SYD:P(A;OICIIO;FA;;;CO)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;CI;0x100026;;;BU)",
         false, false, false},
        {"the same, for making new folders in it", "O:SYD:P(A;OICIIO;FA;;;CO)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;CI;0x100026;;;BU)",
         false, true, true},
        {"users may rename in it", "O:SYD:P(A;OICI;FA;;;SY)(A;;0x40;;;BU)", false, true, false},
        {"users may change its list at the root", "O:BAD:(A;;FA;;;BA)(A;;WD;;;WD)", true, false, false},
        {"users may take it over at the root", "O:BAD:(A;;FA;;;BA)(A;;WO;;;BU)", true, false, false},
        {"everything to everyone, inherited by what is inside only", "O:BAD:(A;OICI;FA;;;BA)(A;OICIIO;FA;;;WD)", false,
         false, true},
        {"denied to everyone", "O:BAD:(D;;FA;;;WD)(A;;FA;;;BA)", false, false, true},
        {"no access list at all", "O:BA", true, false, false},
        {"owned by everyone", "O:WDD:(A;;FA;;;BA)", true, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszWhat);
        PSECURITY_DESCRIPTOR pSd = nullptr;
        std::string sddl = WithInstaller(row.pszSddl);
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &pSd, nullptr))
            << GetLastError();
        EXPECT_EQ(row.bClosed, AfxFolderSecurityClosed(pSd, row.bRoot, row.bMayAdd));
        LocalFree(pSd);
    }
}

// Real folders from the drive's root down: each one on the way counts, a link anywhere fails, and
// so do paths that are not full. What fails is not handed to the restart at all.
TEST(RestartGate, EveryFolderFromTheRootDownCounts)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    CString base;
    base.Format("%szrv-gate-%lu", temp, GetCurrentProcessId());
    RemoveTree(base);
    ASSERT_TRUE(MakeFolder(base, kClosed)) << GetLastError();
    ASSERT_TRUE(AfxClosedToUsers(base)) << "the test's own folder (" << base.GetString() << ") is open to users";
    struct Step {
        const char* pszName;
        const char* pszSddl;  // null: a link to the folder "elsewhere", which is closed
    };
    struct Row {
        const char* pszWhat;
        std::vector<Step> steps;
        bool bLastMayAdd;
        bool bClosed;
    } rows[] = {
        {"closed all the way", {{"a", kClosed}, {"b", kClosed}}, false, true},
        {"a folder above open to everyone", {{"a", kOpen}, {"b", kClosed}}, false, false},
        {"the item's own folder open to everyone", {{"a", kClosed}, {"b", kOpen}}, false, false},
        {"open to everyone, though new folders may be added", {{"a", kClosed}, {"b", kOpen}}, true, false},
        {"a link to a closed folder on the way", {{"a", kClosed}, {"b", nullptr}, {"c", kClosed}}, false, false},
        {"a link to a closed folder, last", {{"a", kClosed}, {"b", nullptr}}, false, false},
    };
    const CString elsewhere = base + "\\elsewhere";
    ASSERT_TRUE(MakeFolder(elsewhere, kClosed));
    ASSERT_TRUE(MakeFolder(elsewhere + "\\c", kClosed));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszWhat);
        CString path = base + "\\row";
        RemoveTree(path);
        ASSERT_TRUE(MakeFolder(path, kClosed));
        bool linked = false;
        for (const Step& step : row.steps) {
            if (linked) {  // below the link: what "elsewhere" holds
                path += CString("\\") + step.pszName;
                continue;
            }
            path += CString("\\") + step.pszName;
            if (step.pszSddl) ASSERT_TRUE(MakeFolder(path, step.pszSddl)) << GetLastError();
            else ASSERT_TRUE(linked = MakeSymbolicLink(path, elsewhere, true));
        }
        ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path)) << path.GetString();
        EXPECT_EQ(row.bClosed, AfxClosedToUsers(path, row.bLastMayAdd));
        if (!row.bClosed) {
            // The restart is told nothing about an item there.
            EXPECT_FALSE(AfxArrangeAtRestart(path + "\\item.txt"));
            EXPECT_EQ(kErrorOpenToUsers, GetLastError());
        }
    }
    for (const char* bad : {"relative\\path", "C:\\Windows\\..\\Windows", "\\\\server\\share\\folder", ""}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(AfxClosedToUsers(bad));
    }
    RemoveTree(base + "\\row");
    RemoveTree(base);
}

// The next sign-in runs one command per name: the program quoted, then its arguments; taken back,
// it is gone.
TEST(SignInArrangement, TheProgramQuotedThenItsArguments)
{
    const char kRunOnce[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    const CString name = ("ZrvTest-" + std::to_string(GetCurrentProcessId())).c_str();
    struct Row {
        CString program, arguments;
        std::string command;  // the command line the sign-in runs
    } rows[] = {
        {"C:\\Program Files\\P\\Uninstal.exe", "/FINISH", "\"C:\\Program Files\\P\\Uninstal.exe\" /FINISH"},
        {"C:\\windows\\system32\\cmd.exe", "/c rd /s /q \"C:\\T\\x y\"",
         "\"C:\\windows\\system32\\cmd.exe\" /c rd /s /q \"C:\\T\\x y\""},
        {"C:\\P\\a.exe", "", "\"C:\\P\\a.exe\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.command);
        ASSERT_TRUE(AfxArrangeAtSignIn(name, row.program, row.arguments));
        CString command;
        EXPECT_TRUE(AfxRegQueryString(HKEY_CURRENT_USER, kRunOnce, name, command));
        EXPECT_EQ(row.command, command.Str());
    }
    AfxCancelAtSignIn(name);
    EXPECT_FALSE(AfxRegValueExists(HKEY_CURRENT_USER, kRunOnce, name));
}
