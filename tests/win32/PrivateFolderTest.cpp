// The private temporary folder: new on every call, in the temporary folder, an access list for
// SYSTEM, Administrators and the user only that inherits nothing and passes on to what is made
// inside; held, with the files written into it, so that nothing can rename, replace, change or
// delete them until they are let go; removed with everything in it, or marked for the restart
// where something is in use.
#include "AfxHandle.h"
#include "AfxPrivateFolder.h"
#include "PrivateFolderBase.h"

#include <gtest/gtest.h>
#include <sddl.h>

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
    const CString temp = PrivateFolderBase();
    std::set<std::string> seen;
    std::vector<CString> made;
    for (int i = 0; i < 4; ++i) {
        CString folder;
        CFolderHandle held;
        ASSERT_TRUE(AfxCreatePrivateFolder(folder, held)) << GetLastError();
        EXPECT_TRUE(held.IsOpen());
        made.push_back(folder);
        EXPECT_NE('\\', folder[folder.GetLength() - 1]);
        EXPECT_EQ(0, folder.Left(temp.GetLength()).CompareNoCase(temp)) << folder.GetString();
        EXPECT_TRUE(GetFileAttributesA(folder) & FILE_ATTRIBUTE_DIRECTORY);
        CString name = folder.Mid(temp.GetLength());
        EXPECT_GE(name.GetLength(), 16) << "long enough not to be guessed";
        EXPECT_TRUE(seen.insert(name.Str()).second) << "names never repeat";
    }
    for (const CString& folder : made) {
        // Let go by now: removed by its name.
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
    CFolderHandle held;
    ASSERT_TRUE(AfxCreatePrivateFolder(folder, held));
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
    AfxRemovePrivateFolder(folder, held);
    EXPECT_FALSE(Exists(folder));
}

TEST(PrivateFolder, RemovalTakesEverythingAndLeavesWhatIsInUseForTheRestart)
{
    CString folder;
    CFolderHandle held;
    ASSERT_TRUE(AfxCreatePrivateFolder(folder, held));
    WriteFile(folder + "\\a.txt");
    WriteFile(folder + "\\read-only.txt");
    SetFileAttributesA(folder + "\\read-only.txt", FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(CreateDirectoryA(folder + "\\sub", nullptr));
    WriteFile(folder + "\\sub\\b.txt");
    AfxRemovePrivateFolder(folder, held);
    EXPECT_FALSE(held.IsOpen());
    EXPECT_FALSE(Exists(folder));

    ASSERT_TRUE(AfxCreatePrivateFolder(folder, held));
    held.Close();
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

// The uninstaller's copy removes the folder it runs from only when it has this form: anything else
// (the installed product's folder, the temporary folder itself) must never qualify.
TEST(PrivateFolder, OnlyFoldersOfItsOwnFormQualifyForRemoval)
{
    CString folder;
    CFolderHandle held;
    ASSERT_TRUE(AfxCreatePrivateFolder(folder, held));
    CString base = PrivateFolderBase();
    CString name = folder.Mid(base.GetLength());
    CString upper = name;
    upper.MakeUpper();
    struct Row {
        CString strPath;
        bool bQualifies;
    } rows[] = {
        {folder, true},
        {base + name.Left(name.GetLength() - 1), false},   // one digit short
        {base + name + "0", false},                         // one digit more
        {base + "abc" + name.Mid(3), false},                // another prefix
        {base + name.Left(name.GetLength() - 1) + "g", false},  // not a hex digit
        {base + upper, false},                              // our names are written in lower case
        {folder + "\\sub", false},                          // below one
        {base.Left(base.GetLength() - 1), false},           // the temporary folder itself
        {"C:\\Program Files\\" + name, false},              // the right name elsewhere
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.strPath.GetString());
        EXPECT_EQ(row.bQualifies, AfxIsPrivateFolder(row.strPath));
    }
    AfxRemovePrivateFolder(folder, held);
}

namespace {

// What another program of the same user tries against the private folder and what is in it.
struct Attempt {
    const char* pszWhat;
    bool (*pTry)(const CString& strFolder, const CString& strOutside);
};

bool RenameAside(const CString& strFrom, const CString& strTo)
{
    if (!MoveFileExA(strFrom, strTo, 0)) return false;
    MoveFileExA(strTo, strFrom, 0);  // put back, so that the next attempt meets the same layout
    return true;
}

bool OpenWith(const CString& strPath, DWORD dwAccess)
{
    CHandle h(CreateFileA(strPath, dwAccess, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return h.IsValid();
}

const Attempt kAttempts[] = {
    {"rename the folder aside", [](const CString& f, const CString& o) { return RenameAside(f, o + "-aside"); }},
    {"rename the sub-folder aside", [](const CString& f, const CString&) { return RenameAside(f + "\\sub", f + "\\sub2"); }},
    {"rename a file aside", [](const CString& f, const CString&) { return RenameAside(f + "\\Setup.exe", f + "\\x.exe"); }},
    {"move a file out", [](const CString& f, const CString& o) { return RenameAside(f + "\\Setup.exe", o + "-out.exe"); }},
    {"rename a file of the sub-folder", [](const CString& f, const CString&) { return RenameAside(f + "\\sub\\data.bin", f + "\\sub\\d"); }},
    {"replace a file by another",
     [](const CString& f, const CString& o) { return MoveFileExA(o + "-decoy", f + "\\Setup.exe", MOVEFILE_REPLACE_EXISTING) != FALSE; }},
    {"open a file for writing", [](const CString& f, const CString&) { return OpenWith(f + "\\Setup.exe", GENERIC_WRITE); }},
    {"open a file for appending", [](const CString& f, const CString&) { return OpenWith(f + "\\sub\\data.bin", FILE_APPEND_DATA); }},
    {"open a file for deleting", [](const CString& f, const CString&) { return OpenWith(f + "\\Setup.exe", DELETE); }},
    {"open the folder for deleting", [](const CString& f, const CString&) { return OpenWith(f, DELETE); }},
    {"delete a file", [](const CString& f, const CString&) { return DeleteFileA(f + "\\sub\\data.bin") != FALSE; }},
};

std::string ReadWhole(HANDLE h)
{
    std::string text(64, '\0');
    DWORD got = 0;
    SetFilePointer(h, 0, nullptr, FILE_BEGIN);
    ReadFile(h, &text[0], DWORD(text.size()), &got, nullptr);
    text.resize(got);
    return text;
}

}  // namespace

// The folder, a sub-folder made through its handle and the files written through those handles are
// held: every attempt of another program to rename, replace, change or delete them fails, every
// time, while anyone may still read the files. Once let go, the same attempts succeed (so it is
// the hold that stopped them), and the folder is removed with everything in it.
TEST(PrivateFolder, WhatIsHeldCannotBeRenamedChangedOrDeleted)
{
    CString folder;
    CFolderHandle held;
    ASSERT_TRUE(AfxCreatePrivateFolder(folder, held)) << GetLastError();
    CFolderHandle sub;
    bool bExisted = true;
    ASSERT_EQ(DWORD(NO_ERROR), held.CreateChild("sub", nullptr, sub, &bExisted));
    ASSERT_FALSE(bExisted);
    struct File {
        const CFolderHandle* pIn;
        const char* pszName;
        const char* pszText;
        CHeldFile file;
    } files[] = {{&held, "Setup.exe", "the program", {}}, {&sub, "data.bin", "its data", {}}};
    for (File& f : files) {
        SCOPED_TRACE(f.pszName);
        ASSERT_TRUE(f.file.Create(*f.pIn, f.pszName)) << GetLastError();
        ASSERT_TRUE(f.file.Write(f.pszText, DWORD(lstrlenA(f.pszText))));
        ASSERT_TRUE(f.file.Hold()) << GetLastError();
        EXPECT_EQ(f.pszText, ReadWhole(f.file.Get())) << "the held file holds what was written";
    }
    CString outside = folder + "-test";
    WriteFile(outside + "-decoy");

    for (const Attempt& attempt : kAttempts) {
        SCOPED_TRACE(attempt.pszWhat);
        for (int i = 0; i < 5; ++i) EXPECT_FALSE(attempt.pTry(folder, outside)) << "attempt " << i;
    }
    // Reading stays open to others: the system starting the program, the program reading its data.
    CHandle reader(CreateFileA(folder + "\\sub\\data.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                               nullptr));
    ASSERT_TRUE(reader.IsValid()) << GetLastError();
    EXPECT_EQ("its data", ReadWhole(reader.Get()));
    reader.Close();

    for (File& f : files) f.file.Release();
    sub.Close();
    EXPECT_TRUE(RenameAside(folder + "\\Setup.exe", folder + "\\x.exe")) << "a file let go can be renamed";
    EXPECT_TRUE(OpenWith(folder + "\\sub\\data.bin", GENERIC_WRITE)) << "a file let go can be written";
    AfxRemovePrivateFolder(folder, held);
    EXPECT_FALSE(held.IsOpen());
    EXPECT_FALSE(Exists(folder));
    DeleteFileA(outside + "-decoy");
    for (const char* left : {"-aside", "-out.exe"}) EXPECT_FALSE(Exists(outside + left)) << left;
}

// Nothing inside the folder is ever taken over: a name that is already there, as a file or a
// folder, is refused both for a file and for a sub-folder, and what was there stays as it was.
TEST(PrivateFolder, NamesAlreadyTakenInsideAreRefused)
{
    CString folder;
    CFolderHandle held;
    ASSERT_TRUE(AfxCreatePrivateFolder(folder, held));
    WriteFile(folder + "\\planted.exe");
    ASSERT_TRUE(CreateDirectoryA(folder + "\\planted", nullptr));
    struct Row {
        const char* pszName;
        bool bFolder;
        DWORD dwError;  // what a file's creation reports; a sub-folder's says only that it existed
    } rows[] = {
        {"planted.exe", false, ERROR_FILE_EXISTS},
        {"PLANTED.EXE", false, ERROR_FILE_EXISTS},
        {"planted", false, ERROR_FILE_EXISTS},
        {"planted", true, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        if (row.bFolder) {
            CFolderHandle sub;
            bool bExisted = false;
            EXPECT_EQ(DWORD(NO_ERROR), held.CreateChild(row.pszName, nullptr, sub, &bExisted));
            EXPECT_TRUE(bExisted);
        } else {
            CHeldFile file;
            EXPECT_FALSE(file.Create(held, row.pszName));
            EXPECT_EQ(row.dwError, GetLastError());
        }
    }
    CHandle planted(CreateFileA(folder + "\\planted.exe", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                nullptr));
    EXPECT_EQ("data", ReadWhole(planted.Get())) << "the planted file is untouched";
    planted.Close();
    AfxRemovePrivateFolder(folder, held);
    EXPECT_FALSE(Exists(folder));
}

// What a copy that was ended on its way left: the folders that a run made (and listed) that hold
// only the program's file (or nothing) and that nobody holds go; one with anything else in it, one
// in use, one whose list was opened since, and one that merely has the name form, stays.
TEST(PrivateFolder, WhatAnEndedProgramLeftGoesWithTheNextOne)
{
    enum Origin { made, planted, opened };
    struct Row {
        const char* pszWhat;
        std::vector<const char*> files;
        bool bHeld;
        bool bGoes;
        Origin origin = made;
    } rows[] = {
        {"the program's file alone", {"Uninstal.exe"}, false, true},
        {"nothing at all", {}, false, true},
        {"its name in other letters", {"UNINSTAL.EXE"}, false, true},
        {"another file beside it", {"Uninstal.exe", "Setup.ini"}, false, false},
        {"another program's file", {"Setup.exe"}, false, false},
        {"held by the program running from it", {"Uninstal.exe"}, true, false},
        {"a user's folder of the same form", {"Uninstal.exe"}, false, false, planted},
        {"made by a run, then opened to everyone", {"Uninstal.exe"}, false, false, opened},
    };
    std::vector<CString> folders;
    std::vector<std::unique_ptr<CFolderHandle>> held;
    for (const Row& row : rows) {
        CString folder;
        auto handle = std::make_unique<CFolderHandle>();
        if (row.origin == planted) {
            folder = PrivateFolderBase() + "zrv0123456789abcdef01234567";
            ASSERT_TRUE(AfxIsPrivateFolder(folder));
            ASSERT_TRUE(CreateDirectoryA(folder, nullptr)) << GetLastError();
            ASSERT_TRUE(handle->Open(folder));
        } else {
            ASSERT_TRUE(AfxCreatePrivateFolder(folder, *handle)) << GetLastError();
        }
        for (const char* name : row.files) {
            CHeldFile file;
            ASSERT_TRUE(file.Create(*handle, name)) << name;
            ASSERT_TRUE(file.Write("x", 1));
            ASSERT_TRUE(file.Hold());
        }
        if (row.origin == opened) {
            PSECURITY_DESCRIPTOR pSd = nullptr;
            ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;FA;;;WD)", SDDL_REVISION_1, &pSd, nullptr));
            BOOL bSet = SetFileSecurityA(folder, DACL_SECURITY_INFORMATION, pSd);
            LocalFree(pSd);
            ASSERT_TRUE(bSet) << GetLastError();
        }
        if (row.bHeld) held.push_back(std::move(handle));
        folders.push_back(folder);
    }
    AfxRemoveLeftPrivateFolders("Uninstal.exe");
    for (size_t i = 0; i < folders.size(); ++i) {
        SCOPED_TRACE(rows[i].pszWhat);
        EXPECT_EQ(!rows[i].bGoes, GetFileAttributesA(folders[i]) != INVALID_FILE_ATTRIBUTES);
    }
    held.clear();
    for (const CString& folder : folders) AfxRemovePrivateFolder(folder);
}
