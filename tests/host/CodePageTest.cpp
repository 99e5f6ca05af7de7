// The medium's code page: the CodePage line of Setup.ini, the conversion of its text to the UTF-8
// that the programs work in, and the framework's UTF-8 checks under them.
#include "AfxCodePage.h"
#include "SetupExtensions.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kHead = "INSTALL4\r\n[Demo]\r\nAppDescription=x\r\nDiskImage=d.001\r\nDefaultDir=C:\\D\r\nFreeSpace=1\r\n";

// How much of a text is well-formed UTF-8: each row a text and the length of its good start.
TEST(CodePage, Utf8PrefixStopsAtTheFirstBadByte)
{
    const struct {
        const char* what;
        std::string text;
        size_t good;
    } cases[] = {
        {"ASCII", "plain.txt", 9},
        {"Polish", "\xc5\x81\xc3\xb3""d\xc5\xba", 7},
        {"Chinese", "\xe5\xbc\xa0\xe4\xbc\x9f", 6},
        {"four bytes", "a\xf0\x9f\x98\x80", 5},
        {"a code-page byte", "caf\xe9 ok", 3},
        {"a cut sequence at the end", "ab\xe5\xbc", 2},
        {"an overlong slash", "x\xc0\xaf", 1},
        {"a surrogate", "\xed\xa0\x80", 0},
        {"above U+10FFFF", "\xf4\x90\x80\x80", 0},
        {"a stray continuation byte", "\x80""a", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Utf8Prefix(c.text), c.good);
        EXPECT_EQ(IsUtf8(c.text), c.good == c.text.size());
        // Decoded and encoded again, the good start comes back byte for byte.
        std::string again;
        uint32_t cp = 0;
        for (size_t i = 0; AfxNextCodePoint(c.text, i, cp);) AfxAppendUtf8(again, cp);
        EXPECT_EQ(c.text.substr(0, c.good), again);
    }
    EXPECT_TRUE(StartsWithUtf8Mark("\xef\xbb\xbfx", 4));
    EXPECT_FALSE(StartsWithUtf8Mark("\xef\xbb", 2));
    EXPECT_FALSE(StartsWithUtf8Mark("\xef\xbb\xbe", 3));
}

// The CodePage line: which code page it names, on which line, and which lines are bad.
TEST(CodePage, TheLineOfSetupIni)
{
    const struct {
        const char* what;
        const char* lines;
        int codePage;
        int line;
        const char* bad;
    } cases[] = {
        {"none: Windows-1252", "", 1252, 0, ""},
        {"UTF-8", "CodePage=65001\r\n", 65001, 7, ""},
        {"Windows-1252 named", "# texts\r\nCodePage=1252\r\n", 1252, 8, ""},
        {"the last line counts", "CodePage=65001\r\nCodePage=1252\r\n", 1252, 8, ""},
        {"another code page", "CodePage=1250\r\n", 0, 7, "7"},
        {"a blank in the value", "CodePage= 65001\r\n", 0, 7, "7"},
        {"a name for it", "CodePage=UTF-8\r\n", 0, 7, "7"},
        {"a bad line after a good one", "CodePage=65001\r\nCodePage=932\r\n", 0, 8, "8"},
        {"in the script it is no setting", "REGEDIT4\r\nCodePage=65001\r\n", 1252, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetupExtensions ext;
        ASSERT_TRUE(ReadSetupExtensions((kHead + c.lines + "REGEDIT4\r\n").c_str(), ext));
        EXPECT_EQ(ext.nCodePage, c.codePage);
        EXPECT_EQ(ext.nCodePageLine, c.line);
        EXPECT_EQ(ext.IsUtf8(), c.codePage == 65001);
        std::string bad;
        for (const SetupIniProblem& p : ext.bad) bad += (bad.empty() ? "" : ",") + std::to_string(p.m_nLine);
        EXPECT_EQ(bad, c.bad);
        EXPECT_TRUE(ext.unknown.empty());
    }
}

// A text turned into UTF-8 as its code page says: converted, kept, or refused with the line.
TEST(CodePage, SetupTextToUtf8)
{
    const struct {
        const char* what;
        int codePage;
        std::string text;
        bool ok;
        std::string out;  // when ok
        int line;         // when refused
    } cases[] = {
        {"Windows-1252 converted", 1252, "a\r\nDefaultDir=C:\\Caf\xe9 \x80\r\n", true,
         "a\r\nDefaultDir=C:\\Caf\xc3\xa9 \xe2\x82\xac\r\n", 0},
        {"UTF-8 kept", 65001, "a\r\n\xe5\xbc\xa0\xe4\xbc\x9f\r\n", true, "a\r\n\xe5\xbc\xa0\xe4\xbc\x9f\r\n", 0},
        {"a 1252 byte in UTF-8, line 3", 65001, "a\r\nb\r\nCaf\xe9\r\n", false, "", 3},
        {"a cut sequence on line 1", 65001, "\xe5\xbc", false, "", 1},
        {"a code page it does not read", 1250, "a\r\n", false, "", 0},
        {"none known", 0, "a\r\n", false, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string text = c.text;
        SetupIniProblem problem;
        EXPECT_EQ(SetupTextToUtf8(text, c.codePage, &problem) != FALSE, c.ok);
        if (c.ok) {
            EXPECT_EQ(text, c.out);
        } else {
            EXPECT_EQ(text, c.text) << "unchanged";
            EXPECT_EQ(problem.m_nLine, c.line);
            EXPECT_FALSE(problem.m_strReason.IsEmpty());
        }
    }
}

}  // namespace
