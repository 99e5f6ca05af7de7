// The target directory checks under Wine: the real file system and its error codes.
#include "SetupApp.h"

#include <gtest/gtest.h>

#include "../common/MessageBoxRecorder.h"
#include "../common/TempDir.h"

namespace {

std::string Win(const std::filesystem::path& p) { return p.string(); }

bool IsDir(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

TEST(CheckFreeSpace, Outcomes)
{
    ScopedTempDir dir;
    const std::string here = Win(dir.path());
    const std::string lower = std::string(1, char(tolower(here[0]))) + here.substr(1);
    struct Case {
        std::string target;
        int required;
        bool pass;
        std::string message;
    } cases[] = {
        {here, -5, true, ""},
        {here, 0, true, ""},  // a test machine has more than one megabyte free
        {lower, 2147483647, false, ""},
        {"Q:\\nowhere", 2147483647, true, ""},  // the drive cannot be asked: the directory check reports it
        {"relative\\dir", 2147483647, true, ""},
    };
    for (const Case& c : cases) {
        MessageBoxRecorder boxes;
        CSetupApp app;
        app.m_config.m_strInstallDir = c.target.c_str();
        app.m_config.m_nFreeSpaceMB = c.required;
        EXPECT_EQ(bool(app.CheckFreeSpace()), c.pass) << c.target;
        auto shown = boxes.Boxes();
        if (c.pass) {
            EXPECT_TRUE(shown.empty()) << c.target;
            continue;
        }
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].type, UINT(MB_OK));
        // The drive letter as typed, the numbers as signed decimals.
        const std::string head = std::string("Not enough free space left on drive ") + lower[0] +
                                 ":\nYou need 2147483647 megabytes, and currently have\nonly ";
        EXPECT_EQ(shown[0].text.substr(0, head.size()), head);
        EXPECT_EQ(shown[0].text.substr(shown[0].text.size() - 16), " megabytes free.");
    }
}

TEST(CheckTargetDirectory, Outcomes)
{
    ScopedTempDir dir;
    const std::string root = Win(dir.path());
    WriteBytes(dir.path() / "afile", "x");
    std::filesystem::create_directory(dir.path() / "exists");
    // Two Chinese names of 60 characters (180 bytes each) fit; 120 emoji are 240 UTF-16 characters.
    std::string han, emoji;
    for (int i = 0; i < 60; ++i) han += "\xE4\xB8\xAD", emoji += "\xF0\x9F\x98\x80";
    const std::string wide = han + "\\" + han, tooWide = emoji + "\\" + emoji;
    struct Case {
        const char* what;
        std::string target;
        std::deque<int> answers;
        bool pass;
        std::string texts;
        std::vector<std::string> madeDirs;
    } cases[] = {
        {"existing directory", root + "\\exists", {}, true, "", {}},
        {"a file", root + "\\afile", {}, false, "The name '" + root + "\\afile' is already in use,\nand it's not a directory!", {}},
        {"missing levels, OK", root + "\\Games\\New", {IDOK}, true,
         "The directory '" + root + "\\Games\\New' does not exist.\nDo you wish to create it?", {root + "\\Games", root + "\\Games\\New"}},
        {"missing levels with trailing backslash", root + "\\T1\\T2\\", {IDOK}, true,
         "The directory '" + root + "\\T1\\T2\\' does not exist.\nDo you wish to create it?", {root + "\\T1\\T2"}},
        {"Cancel at the question", root + "\\NotMade\\Deep", {IDCANCEL}, false,
         "The directory '" + root + "\\NotMade\\Deep' does not exist.\nDo you wish to create it?", {}},
        {"parent is a file", root + "\\afile\\sub", {IDOK}, false,
         "The directory '" + root + "\\afile\\sub' does not exist.\nDo you wish to create it?|Unable to create directory", {}},
        // The system counts a path in UTF-16 characters, not in the bytes of UTF-8.
        {"many bytes, few characters", root + "\\" + wide, {IDOK}, true,
         "The directory '" + root + "\\" + wide + "' does not exist.\nDo you wish to create it?", {root + "\\" + han, root + "\\" + wide}},
        {"too many characters", root + "\\" + tooWide, {}, false,
         "The directory '" + root + "\\" + tooWide + "' is too long: the path of 'Install.log' in it would be longer than 259 characters.", {}},
    };
    for (const Case& c : cases) {
        MessageBoxRecorder boxes(c.answers);
        CSetupApp app;
        app.m_config.m_strInstallDir = c.target.c_str();
        EXPECT_EQ(bool(app.CheckTargetDirectory()), c.pass) << c.what;
        EXPECT_EQ(boxes.Texts(), c.texts) << c.what;
        for (const std::string& d : c.madeDirs) EXPECT_TRUE(IsDir(d)) << c.what << ": " << d;
        auto shown = boxes.Boxes();
        if (!shown.empty() && shown[0].text.find("does not exist") != std::string::npos) {
            EXPECT_EQ(shown[0].type, UINT(MB_OKCANCEL | MB_ICONQUESTION)) << c.what;
        }
    }
    EXPECT_FALSE(IsDir(root + "\\NotMade"));
}

TEST(CreateDirectoryTree, ExistingPathFailsAndPartialTreesStay)
{
    ScopedTempDir dir;
    const std::string root = Win(dir.path());
    CSetupApp app;
    EXPECT_FALSE(app.CreateDirectoryTree(root.c_str()));  // already there
    EXPECT_TRUE(app.CreateDirectoryTree((root + "\\a\\b\\c").c_str()));
    EXPECT_TRUE(IsDir(root + "\\a\\b\\c"));
    // Each level made, outermost first, and only those: the record names them for the uninstaller.
    std::string made;
    for (const CString& folder : app.m_madeFolders) made += folder.Str() + "|";
    EXPECT_EQ(made, root + "\\a|" + root + "\\a\\b|" + root + "\\a\\b\\c|");
    EXPECT_TRUE(app.CreateDirectoryTree((root + "\\a\\d\\").c_str()));
    EXPECT_EQ(app.m_madeFolders.size(), 4u);
    EXPECT_EQ(app.m_madeFolders.back().Str(), root + "\\a\\d");
    EXPECT_FALSE(app.CreateDirectoryTree("Q:\\no\\such\\drive"));
    EXPECT_EQ(app.m_madeFolders.size(), 4u);
}
