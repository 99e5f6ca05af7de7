// The code page of the record: Install.log in Windows-1252 as before, or in UTF-8 after its mark
// when the medium is UTF-8 or a line needs it (the log's file switching mid-run, its digest and
// its marks kept right); Install.prior's two forms; every reader handing out UTF-8.
#include "AfxCodePage.h"
#include "AfxDigest.h"
#include "CarriedParts.h"
#include "InstallLog.h"
#include "InstallRecordFormat.h"
#include "PriorRecord.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kMark = "\xef\xbb\xbf";
const std::string kZhang = "\xe5\xbc\xa0\xe4\xbc\x9f";  // 张伟
const std::string kLodz = "\xc5\x81\xc3\xb3" "d\xc5\xba";  // Łódź

std::string Items(const InstallRecord& record)
{
    std::string out;
    for (const LogItem& item : record.items) out += item.strKey.Str() + "|" + item.strPath.Str() + ";";
    return out;
}

// Each form of the log read: the items come out in UTF-8, or the damage names the line.
TEST(RecordCodePage, TheLogReadInEitherForm)
{
    const std::string long1252 = std::string(200, 'a') + std::string(50, '\xe9');  // 250 bytes, 300 as UTF-8
    const struct {
        const char* what;
        std::string log;
        const char* items;  // null: refused
        int nLine;
    } cases[] = {
        {"Windows-1252, converted", "caf\xe9.txt\r\n\\\x80uro\r\n", "|caf\xc3\xa9.txt;|\xe2\x82\xac" "uro;", 0},
        {"UTF-8 after its mark", kMark + kZhang + ".txt\r\n[\\REGEDIT4]\r\n\\[HKEY_CURRENT_USER\\Software\\" + kLodz +
                                     "]\r\n" + kZhang + "\r\n",
         nullptr, 0},
        {"UTF-8 that is not", kMark + "a.txt\r\ncaf\xe9.txt\r\n", nullptr, 2},
        {"a mark alone", kMark, "", 0},
        {"a mark cut short is a 1252 name", "\xef\xbb" "a\r\n", "|\xc3\xaf\xc2\xbb" "a;", 0},
        {"a long 1252 name is held to its stored length", long1252 + "\r\n", "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        InstallRecord record;
        LogDamage damage;
        bool ok = ParseInstallLog(c.log.data(), c.log.size(), record, damage);
        if (std::string(c.what) == "UTF-8 after its mark") {
            ASSERT_TRUE(ok) << damage.strReason.Str();
            EXPECT_EQ(Items(record), "|" + kZhang + ".txt;|Software\\" + kLodz + ";Software\\" + kLodz + "|" + kZhang + ";");
        } else if (std::string(c.what) == "a long 1252 name is held to its stored length") {
            ASSERT_TRUE(ok) << damage.strReason.Str();
            EXPECT_EQ(record.items.at(0).strPath.Str(), Cp1252ToUtf8(long1252));
        } else if (c.items) {
            ASSERT_TRUE(ok) << damage.strReason.Str();
            EXPECT_EQ(Items(record), c.items);
        } else {
            EXPECT_FALSE(ok);
            EXPECT_EQ(damage.nLine, c.nLine);
        }
    }
}

// A log text kept elsewhere (the anchor's carried part): Windows-1252 while the code page holds
// it, else UTF-8 after the mark; read back either way to the same items.
TEST(RecordCodePage, StoredLogTextTakesTheNarrowestForm)
{
    const struct {
        std::string utf8;
        std::string stored;
    } cases[] = {
        {"a.txt\r\n", "a.txt\r\n"},
        {"caf\xc3\xa9\r\n\xe2\x82\xac\r\n", "caf\xe9\r\n\x80\r\n"},
        {"a\r\n" + kZhang + "\r\n", kMark + "a\r\n" + kZhang + "\r\n"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        std::string stored = StoredLogText(c.utf8);
        EXPECT_EQ(stored, c.stored);
        InstallRecord a, b;
        LogDamage damage;
        ASSERT_TRUE(ParseInstallLog(stored.data(), stored.size(), a, damage));
        std::string marked = kMark + c.utf8;
        ASSERT_TRUE(ParseInstallLog(marked.data(), marked.size(), b, damage));
        EXPECT_EQ(Items(a), Items(b));
    }
}

// Install.prior: the first form read as Windows-1252 (names and string data), the second as
// UTF-8, which a name must be.
TEST(RecordCodePage, ThePriorRecordInBothForms)
{
    const std::string v1 = "ZORVAN-PRIOR\t1\r\n";
    const std::string v2 = "ZORVAN-PRIOR\t2\r\n";
    const struct {
        const char* what;
        std::string text;
        bool ok;
        std::string folder;  // the madefolder line's path, when ok
        std::string data;    // the value's old data, when there is one
    } cases[] = {
        {"first form: a 1252 folder", v1 + "madefolder\tC:\\J\xfcrgen\r\n", true, "C:\\J\xc3\xbcrgen", ""},
        {"first form: string data converted", v1 + "madefolder\tC:\\a\r\nvalue\tHKEY_CURRENT_USER\tk\tn\tREG_SZ\t"
                                                   "e900\tREG_SZ\t00\r\n",
         true, "C:\\a", std::string("\xc3\xa9\0", 3)},
        {"first form: binary data kept", v1 + "madefolder\tC:\\a\r\nvalue\tHKEY_CURRENT_USER\tk\tn\tREG_BINARY\t"
                                                "e900\tREG_SZ\t00\r\n",
         true, "C:\\a", std::string("\xe9\0", 2)},
        {"second form: a Chinese folder", v2 + "madefolder\tC:\\users\\" + kZhang + "\r\n", true, "C:\\users\\" + kZhang, ""},
        {"second form: string data as written", v2 + "madefolder\tC:\\a\r\nvalue\tHKEY_CURRENT_USER\tk\tn\tREG_SZ\t"
                                                    "e5bca000\tREG_SZ\t00\r\n",
         true, "C:\\a", std::string("\xe5\xbc\xa0\0", 4)},
        {"second form: a name that is no UTF-8", v2 + "madefolder\tC:\\J\xfcrgen\r\n", false, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PriorState state;
        PriorDamage damage;
        bool ok = ParsePriorRecord(c.text.data(), c.text.size(), state, damage);
        ASSERT_EQ(ok, c.ok) << damage.strReason;
        if (!ok) {
            EXPECT_EQ(damage.nLine, 2);
            continue;
        }
        ASSERT_EQ(state.madeFolders.size(), 1u);
        EXPECT_EQ(state.madeFolders[0], c.folder);
        if (!c.data.empty()) {
            ASSERT_EQ(state.values.size(), 1u);
            EXPECT_EQ(std::string(state.values[0].oldData.begin(), state.values[0].oldData.end()), c.data);
        }
    }
    // What is written from now on is the second form, and reads back as written.
    CTextSink sink;
    PriorRecordWriter writer(&sink);
    writer.Header();
    writer.MadeFolder("C:\\users\\" + kZhang);
    EXPECT_EQ(sink.Text(), v2 + "madefolder\tC:\\users\\" + kZhang + "\r\n");
}

// The run's log file: the rows write lines (the program's UTF-8) in order, "!" takes a mark before
// the next line and "<" rewinds to the last mark; the file must hold the expected bytes, its
// digest must be that of those bytes, and the text must be what is listed.
TEST(RecordCodePage, TheRunsLogKeepsItsCodePage)
{
    const struct {
        const char* what;
        bool bUtf8;
        std::vector<std::string> steps;
        std::string file;
    } cases[] = {
        {"1252 stays 1252, byte for byte", false, {"a.txt", "caf\xc3\xa9.txt", "\xe2\x82\xac"}, "a.txt\r\ncaf\xe9.txt\r\n\x80\r\n"},
        {"UTF-8 from the first line, with its mark", true, {"caf\xc3\xa9.txt", kZhang}, kMark + "caf\xc3\xa9.txt\r\n" + kZhang + "\r\n"},
        {"a line 1252 cannot hold: all again in UTF-8", false, {"caf\xc3\xa9", kZhang, "b"},
         kMark + "caf\xc3\xa9\r\n" + kZhang + "\r\nb\r\n"},
        {"a rewind within one form", false, {"a", "!", "caf\xc3\xa9", "<", "b"}, "a\r\nb\r\n"},
        {"a mark from before the switch", false, {"caf\xc3\xa9", "!", kZhang, "<", "b"}, kMark + "caf\xc3\xa9\r\nb\r\n"},
        {"a rewind to the start of a UTF-8 log keeps the mark", true, {"!", kZhang, "<", "x"}, kMark + "x\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedTempDir dir;
        CListedLog log;
        log.SetUtf8(c.bUtf8);
        ASSERT_TRUE(log.Open("Install.log", CFile::modeCreate | CFile::modeWrite));
        CDigestFile::Mark mark = log.GetMark();
        std::string text;
        for (const std::string& step : c.steps) {
            if (step == "!") {
                mark = log.GetMark();
            } else if (step == "<") {
                log.Rewind(mark);
            } else {
                InstallLogWriter(log).File(step);
            }
        }
        EXPECT_EQ(log.HexDigest(), CSha256::Of(c.file));
        EXPECT_EQ(log.Written(), c.file.size());
        log.Close();
        EXPECT_EQ(ReadBytes(dir.path() / "Install.log"), c.file);
        InstallRecord fromFile, fromText;
        LogDamage damage;
        ASSERT_TRUE(ParseInstallLog(c.file.data(), c.file.size(), fromFile, damage)) << damage.strReason.Str();
        std::string stored = log.Stored();
        ASSERT_TRUE(ParseInstallLog(stored.data(), stored.size(), fromText, damage));
        EXPECT_EQ(Items(fromFile), Items(fromText));
    }
}

}  // namespace
