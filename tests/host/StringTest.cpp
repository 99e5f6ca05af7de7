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

// Case folding touches A to Z only: bytes of other code pages stay as they are.
TEST(AsciiCase, FoldsOnlyAsciiLetters)
{
    EXPECT_EQ(AfxLowerAscii(std::string("Setup.EXE \xC9\xE9")), "setup.exe \xC9\xE9");
    EXPECT_FALSE(AfxEqualNoCase("\xC9", 1, "\xE9", 1));
    const std::string s = "[HKLM";
    EXPECT_TRUE(AfxStartsWithNoCase(s, 1, "hklm"));
    EXPECT_FALSE(AfxStartsWithNoCase(s, 1, "HKLM\\"));  // the text ends inside the prefix
    EXPECT_TRUE(AfxStartsWithNoCase(s, 5, ""));
    EXPECT_FALSE(AfxStartsWithNoCase(s, 6, ""));         // past the end
}
