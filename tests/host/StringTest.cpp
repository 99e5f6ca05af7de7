#include "AfxString.h"

#include <gtest/gtest.h>

TEST(CString, SlicingClampsToTheString)
{
    const CString s("abcdef");
    struct Case {
        CString got;
        const char* want;
    } cases[] = {
        {s.Left(3), "abc"}, {s.Left(99), "abcdef"}, {s.Left(-1), ""},
        {s.Right(2), "ef"}, {s.Right(99), "abcdef"}, {s.Mid(4), "ef"},
        {s.Mid(1, 2), "bc"}, {s.Mid(5, 9), "f"}, {s.Mid(9), ""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, CString(c.want));
}

TEST(CString, FindAndReverseFind)
{
    const CString s("C:\\dir\\sub\\file.txt");
    EXPECT_EQ(s.Find('\\'), 2);
    EXPECT_EQ(s.Find('\\', 3), 6);
    EXPECT_EQ(s.Find("sub"), 7);
    EXPECT_EQ(s.Find("zzz"), -1);
    EXPECT_EQ(s.Find('x', 99), -1);
    EXPECT_EQ(s.ReverseFind('\\'), 10);
    EXPECT_EQ(s.ReverseFind('#'), -1);
}

TEST(CString, FormatGrowsBeyondAnyFixedBuffer)
{
    CString s;
    s.Format("%s|%03d|%.0f%%", std::string(5000, 'x').c_str(), 7, 49.6);
    EXPECT_EQ(s.GetLength(), 5000 + 8);
    EXPECT_EQ(s.Right(8), CString("|007|50%"));
}

TEST(CString, CaseAndTrim)
{
    CString s("  MiXed Case\t ");
    s.TrimLeft();
    s.TrimRight();
    EXPECT_EQ(s, "MiXed Case");
    s.MakeLower();
    EXPECT_EQ(s, "mixed case");
    EXPECT_EQ(s.CompareNoCase("MIXED CASE"), 0);
    EXPECT_LT(s.CompareNoCase("mixed cases"), 0);
    s.MakeUpper();
    EXPECT_EQ(s, "MIXED CASE");
}

TEST(CString, BufferAccess)
{
    CString s;
    char* p = s.GetBuffer(16);
    std::snprintf(p, 17, "%s", "hello");
    s.ReleaseBuffer();
    EXPECT_EQ(s, "hello");
    EXPECT_EQ(s.GetLength(), 5);
}

// Case folding touches A to Z only: bytes of other code pages stay as they are, in every helper.
TEST(AsciiCase, FoldsOnlyAsciiLetters)
{
    EXPECT_EQ(AfxLowerAscii(std::string("Setup.EXE \xC9\xE9")), "setup.exe \xC9\xE9");
    EXPECT_TRUE(AfxEqualNoCase("HKEY_Users", 10, "hkey_users", 10));
    EXPECT_FALSE(AfxEqualNoCase("\xC9", 1, "\xE9", 1));
    struct Case {
        const char* s;
        size_t at;
        const char* prefix;
        bool bStarts;
    } cases[] = {
        {"[HKEY_LOCAL_MACHINE\\x]", 1, "hkey_local_machine", true},
        {"[HKLM", 1, "HKLM\\", false},  // the text ends inside the prefix
        {"abc", 3, "", true},
        {"abc", 4, "", false},          // past the end
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.s);
        EXPECT_EQ(AfxStartsWithNoCase(std::string(c.s), c.at, c.prefix), c.bStarts);
    }
}
