// The private temporary folder: new on every call, in the temporary folder, an access list for
// SYSTEM, Administrators and the user only that inherits nothing and passes on to what is made
// inside; removed with everything in it, or marked for the restart where something is in use.
#include "AfxHandle.h"
#include "AfxPrivateFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

struct Ace {
    std::string strSid;
    DWORD dwMask;
    BYTE nFlags;
};

std::string SidText(PSID sid)
{
    char name[256] = {}, domain[256] = {};
    DWORD nName = sizeof name, nDomain = sizeof domain;
    SID_NAME_USE use;
    if (!LookupAccountSidA(nullptr, sid, name, &nName, domain, &nDomain, &use)) return "?";
    return std::string(domain) + "\\" + name;
}

std::string WellKnown(WELL_KNOWN_SID_TYPE type)
{
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    return CreateWellKnownSid(type, nullptr, sid, &size) ? SidText(sid) : "?";
}

std::string TokenUserText()
{
    CHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return "?";
    BYTE info[512];
    DWORD size = sizeof info;
    if (!GetTokenInformation(token.Get(), TokenUser, info, size, &size)) return "?";
    return SidText(reinterpret_cast<TOKEN_USER*>(info)->User.Sid);
}

// The access list of a file or folder as it is stored, and whether it is protected.
bool ReadAcl(const CString& strPath, std::vector<Ace>& aces, bool& bProtected)
{
    DWORD size = 0;
    GetFileSecurityA(strPath, DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    if (size == 0) return false;
    std::unique_ptr<BYTE[]> buffer(new BYTE[size]);
    auto sd = PSECURITY_DESCRIPTOR(buffer.get());
    if (!GetFileSecurityA(strPath, DACL_SECURITY_INFORMATION, sd, size, &size)) return false;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(sd, &control, &revision);
    bProtected = (control & SE_DACL_PROTECTED) != 0;
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    if (!GetSecurityDescriptorDacl(sd, &present, &acl, &defaulted) || !present || !acl) return false;
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (!GetAce(acl, i, reinterpret_cast<void**>(&ace))) return false;
        if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) {
            aces.push_back({"not an allowing entry", 0, 0});
            continue;
        }
        aces.push_back({SidText(&ace->SidStart), ace->Mask, ace->Header.AceFlags});
    }
    return true;
}

bool Exists(const CString& strPath) { return GetFileAttributesA(strPath) != INVALID_FILE_ATTRIBUTES; }

void WriteFile(const CString& strPath)
{
    CHandle h(CreateFileA(strPath, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(h.IsValid()) << strPath.GetString();
    DWORD written = 0;
    ::WriteFile(h.Get(), "data", 4, &written, nullptr);
}

std::string PendingRenames()
{
    CRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ,
                      key.Receive()) != ERROR_SUCCESS)
        return "";
    DWORD size = 0, type = 0;
    if (RegQueryValueExA(key.Get(), "PendingFileRenameOperations", nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return "";
    std::string data(size, '\0');
    RegQueryValueExA(key.Get(), "PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(&data[0]),
                     &size);
    for (char& c : data)
        if (c == '\0') c = '|';
    return data;
}

}  // namespace

TEST(PrivateFolder, EveryCallMakesANewFolderInTheTemporaryFolder)
{
    char temp[MAX_PATH] = {};
    ASSERT_NE(0u, GetTempPathA(MAX_PATH, temp));
    std::set<std::string> seen;
    std::vector<CString> made;
    for (int i = 0; i < 4; ++i) {
        CString folder;
        ASSERT_TRUE(AfxCreatePrivateFolder(folder)) << GetLastError();
        made.push_back(folder);
        EXPECT_NE('\\', folder[folder.GetLength() - 1]);
        EXPECT_EQ(0, folder.Left(lstrlenA(temp)).CompareNoCase(temp)) << folder.GetString();
        EXPECT_TRUE(GetFileAttributesA(folder) & FILE_ATTRIBUTE_DIRECTORY);
        CString name = folder.Mid(lstrlenA(temp));
        EXPECT_GE(name.GetLength(), 16) << "long enough not to be guessed";
        EXPECT_TRUE(seen.insert(name.Str()).second) << "names never repeat";
    }
    for (const CString& folder : made) {
        AfxRemovePrivateFolder(folder);
        EXPECT_FALSE(Exists(folder));
    }
}

// Where the file system keeps the access list as given (Windows), it is read back exactly. Wine
// keeps only what the Unix permissions can hold, and derives the list from them: there, nobody but
// the holders named may have any right on the folder.
TEST(PrivateFolder, OnlySystemAdministratorsAndTheUserHaveAnyRight)
{
    CString folder;
    ASSERT_TRUE(AfxCreatePrivateFolder(folder));
    WriteFile(folder + "\\inside.txt");
    const std::set<std::string> expected = {WellKnown(WinLocalSystemSid), WellKnown(WinBuiltinAdministratorsSid),
                                            TokenUserText()};
    struct Row {
        CString strPath;
        BYTE nFlags;  // the inheritance flags each entry must carry
        bool bProtected;
    } rows[] = {
        {folder, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, true},
        {folder + "\\inside.txt", INHERITED_ACE, false},
    };
    std::vector<Ace> aces;
    bool bKept = false;
    ASSERT_TRUE(ReadAcl(folder, aces, bKept));
    for (const Ace& ace : aces) EXPECT_EQ(1u, expected.count(ace.strSid)) << ace.strSid << " has a right";
    if (bKept) {
        for (const Row& row : rows) {
            SCOPED_TRACE(row.strPath.GetString());
            aces.clear();
            bool bProtected = false;
            ASSERT_TRUE(ReadAcl(row.strPath, aces, bProtected));
            EXPECT_EQ(row.bProtected, bProtected);
            std::set<std::string> holders;
            for (const Ace& ace : aces) {
                holders.insert(ace.strSid);
                EXPECT_EQ(DWORD(FILE_ALL_ACCESS), ace.dwMask & FILE_ALL_ACCESS) << ace.strSid;
                EXPECT_EQ(row.nFlags, ace.nFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE | INHERITED_ACE))
                    << ace.strSid;
            }
            EXPECT_EQ(expected, holders);
            EXPECT_EQ(3u, aces.size());
        }
    }
    AfxRemovePrivateFolder(folder);
    EXPECT_FALSE(Exists(folder));
}

TEST(PrivateFolder, RemovalTakesEverythingAndLeavesWhatIsInUseForTheRestart)
{
    CString folder;
    ASSERT_TRUE(AfxCreatePrivateFolder(folder));
    WriteFile(folder + "\\a.txt");
    WriteFile(folder + "\\read-only.txt");
    SetFileAttributesA(folder + "\\read-only.txt", FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(CreateDirectoryA(folder + "\\sub", nullptr));
    WriteFile(folder + "\\sub\\b.txt");
    AfxRemovePrivateFolder(folder);
    EXPECT_FALSE(Exists(folder));

    ASSERT_TRUE(AfxCreatePrivateFolder(folder));
    WriteFile(folder + "\\busy.txt");
    {
        // Held open without delete sharing, as a running program's file is.
        CHandle busy(CreateFileA(folder + "\\busy.txt", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                 nullptr));
        ASSERT_TRUE(busy.IsValid());
        AfxRemovePrivateFolder(folder);
        EXPECT_TRUE(Exists(folder + "\\busy.txt"));
    }
    std::string pending = PendingRenames();
    std::string busyName = (folder + "\\busy.txt").Str(), folderName = folder.Str();
    size_t file = pending.find(busyName), dir = pending.find(folderName + "|");
    EXPECT_NE(std::string::npos, file) << pending;
    EXPECT_NE(std::string::npos, dir) << pending;
    EXPECT_LT(file, dir) << "the file goes before its folder";
    AfxRemovePrivateFolder(folder);
    EXPECT_FALSE(Exists(folder));
}
