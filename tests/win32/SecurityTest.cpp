// What an elevated installation makes and what it trusts: the install folder's access list read
// back, the trust check against lists that let others write, and removal that never follows a link.
// The rows that must not be trusted open their objects to everyone themselves: what a file made
// without a list of its own grants depends on where it is made (under Wine, on the umask of the
// wineserver that other tests share), which a check cannot rely on.
#include "AfxFile.h"
#include "AfxNoLinks.h"
#include "AfxSecurity.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <string>

#include "SymbolicLink.h"

namespace {

CString TempDir(const char* pszName)
{
    char base[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, base);
    CString dir = CString(base) + pszName;
    return dir;
}

CHandle OpenForSecurity(const CString& strPath)
{
    return CHandle(CreateFileA(strPath, READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

void WriteFileWith(const CString& strPath, SECURITY_ATTRIBUTES* pSecurity)
{
    CFile file;
    file.SetCreateSecurity(pSecurity);
    ASSERT_TRUE(file.Open(strPath, CFile::modeCreate | CFile::modeWrite | CFile::osNoLinks)) << GetLastError();
    file.Write("x", 1);
    file.Close();
}

// Gives everyone full control, as a folder users may write hands down to what is made in it.
void GrantEveryoneWrite(const CString& strPath)
{
    PSECURITY_DESCRIPTOR pSd = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;FA;;;WD)", SDDL_REVISION_1, &pSd, nullptr));
    BOOL bSet = SetFileSecurityA(strPath, DACL_SECURITY_INFORMATION, pSd);
    LocalFree(pSd);
    ASSERT_TRUE(bSet) << GetLastError();
}

}  // namespace

TEST(InstallSecurity, WhatIsMadeWithTheListOnlyAdministratorsCanChange)
{
    CSecurityAttributes security;
    ASSERT_TRUE(security.Build(CSecurityAttributes::kInstallFolder));
    CString root = TempDir("zrv-security");
    CreateDirectoryA(root, nullptr);
    struct Case {
        const char* name;
        bool bFolder;
        bool bWithList;
        bool bExisted;  // a file there before, open to everyone, which the open must take over
        bool bTrusted;
    } cases[] = {
        {"made-folder", true, true, false, true},
        {"made-file", false, true, false, true},
        {"taken-over-file", false, true, true, true},
        {"plain-folder", true, false, false, false},
        {"plain-file", false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CString path = root + "\\" + c.name;
        if (c.bExisted) {
            WriteFileWith(path, nullptr);
            GrantEveryoneWrite(path);
        }
        if (c.bFolder) ASSERT_TRUE(CreateDirectoryA(path, c.bWithList ? security.Get() : nullptr));
        else WriteFileWith(path, c.bWithList ? security.Get() : nullptr);
        if (!c.bWithList) GrantEveryoneWrite(path);
        CHandle h = OpenForSecurity(path);
        ASSERT_TRUE(h.IsValid());
        EXPECT_EQ(AfxOnlyTrustedCanWrite(h.Get()), c.bTrusted) << AfxSecurityText(h.Get()).GetString();
        h.Close();
        if (c.bFolder) RemoveDirectoryA(path);
        else DeleteFileA(path);
    }
    RemoveDirectoryA(root);
}

// Removal through a folder's handle: what goes, what stays and the error of each.
TEST(FolderHandle, RemovesOnlyWhatItNames)
{
    CString root = TempDir("zrv-folder-handle");
    CreateDirectoryA(root, nullptr);
    CreateDirectoryA(root + "\\sub", nullptr);
    CreateDirectoryA(root + "\\full", nullptr);
    WriteFileWith(root + "\\file.txt", nullptr);
    WriteFileWith(root + "\\sub\\inner.txt", nullptr);
    WriteFileWith(root + "\\full\\keep.txt", nullptr);
    CFolderHandle folder;
    ASSERT_TRUE(folder.Open(root)) << GetLastError();
    EXPECT_FALSE(CFolderHandle().Open(root + "\\file.txt"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DIRECTORY));
    CFolderHandle sub;
    ASSERT_TRUE(sub.OpenChild(folder, "sub")) << GetLastError();
    struct Case {
        const CFolderHandle* pFolder;
        const char* name;
        bool bFolder;
        DWORD dwError;
    } cases[] = {
        {&folder, "file.txt", false, NO_ERROR},        {&folder, "file.txt", false, ERROR_FILE_NOT_FOUND},
        {&folder, "full", true, ERROR_DIR_NOT_EMPTY},  {&sub, "inner.txt", false, NO_ERROR},
        {&folder, "..\\full\\keep.txt", false, ERROR_INVALID_NAME},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.pFolder->RemoveChild(c.name, c.bFolder), c.dwError);
    }
    EXPECT_EQ(GetFileAttributesA(root + "\\full\\keep.txt") != INVALID_FILE_ATTRIBUTES, true);
    sub.Close();
    EXPECT_EQ(folder.RemoveChild("sub", true), DWORD(NO_ERROR));
    DeleteFileA(root + "\\full\\keep.txt");
    RemoveDirectoryA(root + "\\full");
    folder.Close();
    RemoveDirectoryA(root);
}


// Every folder of a path below its root is looked at, the last name too; links to folders and to
// files alike, whether or not the system shows them as reparse points.
TEST(LinkInPath, AnyComponentBelowTheRoot)
{
    CString root;
    root.Format("%szrv-link-in-path-%lu", TempDir("").GetString(), GetCurrentProcessId());
    CreateDirectoryA(root, nullptr);
    CreateDirectoryA(root + "\\real", nullptr);
    CreateDirectoryA(root + "\\real\\sub", nullptr);
    WriteFileWith(root + "\\real\\file.txt", nullptr);
    ASSERT_TRUE(MakeSymbolicLink(root + "\\dirlink", root + "\\real", true)) << "no symbolic link can be made here";
    ASSERT_TRUE(MakeSymbolicLink(root + "\\filelink", root + "\\real\\file.txt", false));
    ASSERT_TRUE(MakeSymbolicLink(root + "\\real\\sub\\up", root, true));
    char here[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, here);
    ASSERT_TRUE(SetCurrentDirectoryA(root));
    struct Case {
        CString path;
        bool bLink;
    } cases[] = {
        {root, false},
        {root + "\\real\\file.txt", false},
        {root + "\\real\\sub\\new.log", false},  // a missing last name
        {root + "\\REAL\\Sub", false},           // names in another case
        {root + "\\missing\\dirlink\\file.txt", false},  // nothing below a missing folder
        {root + "/real/sub/", false},
        {"real\\file.txt", false},  // relative to the current directory
        {root.Left(3), false},      // the drive's root alone
        {root + "\\dirlink", true},
        {root + "\\dirlink\\file.txt", true},
        {root + "\\dirlink\\sub\\missing\\new.log", true},
        {root + "\\filelink", true},
        {root + "\\real\\sub\\up", true},
        {root + "\\real\\sub\\up\\real\\file.txt", true},
        {root + "\\real\\..\\dirlink\\new.log", true},
        {root + "/dirlink/sub", true},
        {"dirlink\\file.txt", true},
        {".\\filelink", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.GetString());
        EXPECT_EQ(AfxLinkInPath(c.path), c.bLink);
    }
    SetCurrentDirectoryA(here);
    // Links removed as links, never through them.
    if (!UnixPath(root).IsEmpty()) {
        EXPECT_TRUE(RunUnix("/bin/rm", "-rf \"" + UnixPath(root) + "\"",
                            [&] { return GetFileAttributesA(root) == INVALID_FILE_ATTRIBUTES; }));
    } else {
        RemoveDirectoryA(root + "\\real\\sub\\up");
        DeleteFileA(root + "\\filelink");
        RemoveDirectoryA(root + "\\dirlink");
        DeleteFileA(root + "\\real\\file.txt");
        RemoveDirectoryA(root + "\\real\\sub");
        RemoveDirectoryA(root + "\\real");
        RemoveDirectoryA(root);
    }
}

namespace {

std::string ContentOf(const CString& strPath)
{
    CFile file;
    if (!file.Open(strPath, CFile::modeRead | CFile::shareDenyNone)) return "<unreadable>";
    return file.ReadAll();
}

DWORD NamesOf(const CString& strPath)
{
    CHandle h(CreateFileA(strPath, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info = {};
    return h && GetFileInformationByHandle(h.Get(), &info) ? info.nNumberOfLinks : 0;
}

}  // namespace

// A file that has another name elsewhere (a hard link) is never written, emptied or given a list
// through the name at hand: the file behind the other name keeps its content and its list. Where
// the name is to be emptied anyway it gets a file of its own; elsewhere the open is refused.
TEST(FolderHandle, NothingWrittenThroughAHardLink)
{
    CSecurityAttributes security;
    ASSERT_TRUE(security.Build(CSecurityAttributes::kInstallFolder));
    CString root = TempDir("zrv-hard-link");
    CreateDirectoryA(root, nullptr);
    const CString other = root + "\\other.txt", name = root + "\\name.txt";
    enum class How { inFolder, byPath, protect };
    const UINT kEmpty = CFile::modeCreate | CFile::modeWrite | CFile::typeBinary;
    struct Case {
        const char* row;
        bool bLinked;
        How how;
        UINT flags;
        DWORD dwError;       // of the open, or of AfxProtect
        std::string name;    // what the name holds afterwards
    } cases[] = {
        {"emptied-in-folder", true, How::inFolder, kEmpty, NO_ERROR, "new"},
        {"kept-in-folder", true, How::inFolder, kEmpty | CFile::modeNoTruncate, kErrorHardLinked, "precious"},
        {"written-in-folder", true, How::inFolder, CFile::modeWrite, kErrorHardLinked, "precious"},
        {"log-by-path", true, How::byPath, kEmpty | CFile::osNoLinks, kErrorHardLinked, "precious"},
        {"protected", true, How::protect, 0, kErrorHardLinked, "precious"},
        {"one-name-in-folder", false, How::inFolder, kEmpty, NO_ERROR, "new"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        DeleteFileA(name);
        DeleteFileA(other);
        WriteFileWith(other, nullptr);
        GrantEveryoneWrite(other);
        {
            CFile file;
            ASSERT_TRUE(file.Open(other, kEmpty));
            file.Write("precious", 8);
        }
        if (c.bLinked) ASSERT_TRUE(CreateHardLinkA(name, other, nullptr)) << GetLastError();
        else ASSERT_TRUE(CopyFileA(other, name, FALSE));
        CString listBefore = AfxSecurityText(OpenForSecurity(other).Get());
        CFolderHandle folder;
        ASSERT_TRUE(folder.Open(root)) << GetLastError();
        CFile file;
        file.SetCreateSecurity(security.Get());
        CFileException e;
        DWORD err = NO_ERROR;
        if (c.how == How::protect) {
            CHandle h(CreateFileA(name, FILE_READ_ATTRIBUTES | READ_CONTROL | WRITE_DAC | WRITE_OWNER,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(h.IsValid());
            if (!AfxProtect(h.Get(), security.Get())) err = GetLastError();
        } else {
            BOOL bOpened = c.how == How::inFolder ? file.OpenIn(folder, "name.txt", c.flags, &e, name)
                                                  : file.Open(name, c.flags, &e);
            if (!bOpened) err = DWORD(e.m_lOsError);
            if (bOpened) file.Write("new", 3);
            file.Close();
        }
        EXPECT_EQ(err, c.dwError);
        EXPECT_EQ(ContentOf(other), "precious");
        EXPECT_EQ(AfxSecurityText(OpenForSecurity(other).Get()), listBefore);
        EXPECT_EQ(ContentOf(name), c.name);
        // Emptied through a name of its own, or left as it was.
        EXPECT_EQ(NamesOf(name), c.bLinked && c.name != "new" ? 2u : 1u);
        folder.Close();
    }
    DeleteFileA(name);
    DeleteFileA(other);
    RemoveDirectoryA(root);
}
