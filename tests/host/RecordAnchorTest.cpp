// The anchor of a record: a log and record read from a folder are believed only when the product's
// entry keeps their digests and names that folder.
#include "RecordAnchor.h"

#include "AfxDigest.h"

#include <gtest/gtest.h>

#include <cctype>

namespace {

const char kLog[] = "Uninstal.exe\r\n[\\REGEDIT4]\r\n";
const char kPrior[] = "ZORVAN-PRIOR\t1\r\n";

RecordAnchor Kept(const char* pszLocation, const std::string& strLog = kLog, const std::string& strPrior = kPrior)
{
    RecordAnchor anchor;
    anchor.bFound = true;
    anchor.strDigest = RecordDigestText(strLog, strPrior);
    anchor.strLocation = pszLocation;
    return anchor;
}

}  // namespace

TEST(RecordAnchor, BelievedOnlyWhereTheEntryKeepsItsDigestAndFolder)
{
    RecordAnchor none;
    RecordAnchor emptyDigest = Kept("C:\\Demo");
    emptyDigest.strDigest.clear();
    const struct {
        const char* pszRow;
        RecordAnchor anchor;
        const char* pszFolder;
        std::string strLog, strPrior;
        AnchorVerdict expected;
    } rows[] = {
        {"as written", Kept("C:\\Demo"), "C:\\Demo", kLog, kPrior, AnchorVerdict::trusted},
        {"folder spelled in another case, with a closing backslash", Kept("c:\\demo\\"), "C:\\DEMO", kLog, kPrior,
         AnchorVerdict::trusted},
        {"no entry", none, "C:\\Demo", kLog, kPrior, AnchorVerdict::noEntry},
        {"an entry without a digest", emptyDigest, "C:\\Demo", kLog, kPrior, AnchorVerdict::noEntry},
        {"a genuine pair copied into another folder", Kept("C:\\Demo"), "C:\\Other", kLog, kPrior,
         AnchorVerdict::otherFolder},
        {"a folder whose name only begins alike", Kept("C:\\Demo"), "C:\\Demo2", kLog, kPrior, AnchorVerdict::otherFolder},
        {"an entry naming no folder", Kept(""), "C:\\Demo", kLog, kPrior, AnchorVerdict::otherFolder},
        {"a line added to the log", Kept("C:\\Demo"), "C:\\Demo", std::string(kLog) + "Old\r\n", kPrior,
         AnchorVerdict::otherRecord},
        {"a value put into the record", Kept("C:\\Demo"), "C:\\Demo", kLog,
         std::string(kPrior) + "value\tHKEY_LOCAL_MACHINE\tSoftware\\V\tX\tREG_SZ\t00\tREG_SZ\t00\r\n",
         AnchorVerdict::otherRecord},
        {"the record left out", Kept("C:\\Demo"), "C:\\Demo", kLog, "", AnchorVerdict::otherRecord},
        {"log and record swapped", Kept("C:\\Demo"), "C:\\Demo", kPrior, kLog, AnchorVerdict::otherRecord},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszRow);
        std::string log = row.strLog, prior = row.strPrior;
        EXPECT_EQ(row.expected, CheckRecordAnchor(row.anchor, row.pszFolder, log, prior));
        EXPECT_EQ(row.expected == AnchorVerdict::trusted, *AnchorVerdictReason(row.expected) == '\0');
    }
}

// A run keeps the digests of what it has written after every line: wherever it was stopped, its
// process killed included, the lines up to the last digest are believed, with what it carried of
// the earlier installation; what lies beyond them is not.
TEST(RecordAnchor, ARunThatDidNotEndIsBelievedForTheLinesItKept)
{
    const std::string kLine = "c.txt\r\n";
    auto open = [](const std::string& log, const std::string& prior, const char* pszCarried = "") {
        RecordAnchor anchor = Kept("C:\\Demo");
        anchor.strDigest = OpenDigestText(CSha256::Of(log), log.size(), CSha256::Of(prior), prior.size());
        anchor.strCarriedLog = pszCarried;
        anchor.strCarriedPrior = *pszCarried ? kPrior : "";
        return anchor;
    };
    RecordAnchor badLength = open(kLog, kPrior);
    badLength.strDigest = CSha256::Of(kLog) + "/1e3 " + CSha256::Of(kPrior) + "/16";
    const struct {
        const char* pszRow;
        RecordAnchor anchor;
        std::string strLog, strPrior;
        AnchorVerdict expected;
        std::string expectedLog, expectedPrior;
    } rows[] = {
        {"killed after a line", open(kLog, kPrior), kLog, kPrior, AnchorVerdict::trusted, kLog, kPrior},
        {"killed inside a line", open(kLog, kPrior), std::string(kLog) + "c.t", std::string(kPrior) + "dire", AnchorVerdict::trusted,
         kLog, kPrior},
        {"the log emptied, nothing written yet", open("", ""), "", kPrior, AnchorVerdict::trusted, "", ""},
        {"with what was carried", open(kLine, kPrior, "old.txt\r\n"), kLine, kPrior, AnchorVerdict::trusted,
         "old.txt\r\n" + kLine, kPrior},
        {"emptied, only what was carried", open("", "", "old.txt\r\n"), "x", "y", AnchorVerdict::trusted,
         "old.txt\r\n", kPrior},
        {"the kept lines changed", open(kLog, kPrior), "Uninstal.exe\r\n[\\REGEDIT5]\r\n", kPrior,
         AnchorVerdict::otherRecord, "", ""},
        {"fewer lines than kept", open(kLog + kLine, kPrior), kLog, kPrior, AnchorVerdict::otherRecord, "", ""},
        {"a length that is no number", badLength, kLog, kPrior, AnchorVerdict::otherRecord, "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszRow);
        std::string log = row.strLog, prior = row.strPrior;
        EXPECT_EQ(row.expected, CheckRecordAnchor(row.anchor, "C:\\Demo", log, prior));
        if (row.expected != AnchorVerdict::trusted) continue;
        EXPECT_EQ(row.expectedLog, log);
        EXPECT_EQ(row.expectedPrior, prior);
    }
    EXPECT_TRUE(IsOpenDigest(open(kLog, kPrior).strDigest));
    EXPECT_FALSE(IsOpenDigest(Kept("C:\\Demo").strDigest));
}

// The value kept in the entry, as written and as read back: the digests, then after a blank the
// folder (which may hold blanks itself); a value of two fields only takes the entry's
// InstallLocation. What is read back decides the verdict on the genuine pair.
TEST(RecordAnchor, TheKeptValueReadsBackAsWritten)
{
    const std::string kClosed = RecordDigestText(kLog, kPrior);
    const std::string kOpen = OpenDigestText(CSha256::Of(kLog), sizeof kLog - 1, CSha256::Of(kPrior), sizeof kPrior - 1);
    const char kFolder[] = "C:\\Program Files\\Zorvan Demo";
    std::string upper = kClosed;
    for (char& ch : upper) ch = char(std::toupper(static_cast<unsigned char>(ch)));
    const struct {
        const char* pszRow;
        std::string strValue;
        const char* pszInstallLocation;
        bool bParsed;
        const char* pszLocation;  // null: not looked at
        AnchorVerdict expected;
    } rows[] = {
        {"closed digests and a folder with blanks", AnchorValueText(kClosed, kFolder), "C:\\Else", true, kFolder,
         AnchorVerdict::trusted},
        {"open digests", AnchorValueText(kOpen, kFolder), "", true, kFolder, AnchorVerdict::trusted},
        {"two fields only: the folder of InstallLocation", kClosed, kFolder, true, kFolder, AnchorVerdict::trusted},
        {"two fields, no InstallLocation", kClosed, "", true, "", AnchorVerdict::otherFolder},
        {"an empty folder after the blank", kClosed + " ", kFolder, true, "", AnchorVerdict::otherFolder},
        {"empty", "", kFolder, false, "", AnchorVerdict::noEntry},
        {"one digest only", CSha256::Of(kLog), kFolder, false, "", AnchorVerdict::noEntry},
        {"a leading blank", " " + kClosed, kFolder, false, "", AnchorVerdict::noEntry},
        {"two blanks between the digests", CSha256::Of(kLog) + "  " + CSha256::Of(kPrior) + " " + kFolder, kFolder, true,
         nullptr, AnchorVerdict::otherFolder},
        {"digests in upper case", AnchorValueText(upper, kFolder), "", true, kFolder, AnchorVerdict::otherRecord},
        {"a length beyond the file", AnchorValueText(CSha256::Of(kLog) + "/999 " + CSha256::Of(kPrior), kFolder), "",
         true, kFolder, AnchorVerdict::otherRecord},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszRow);
        RecordAnchor anchor;
        anchor.strCarriedLog = "stale";
        EXPECT_EQ(row.bParsed, ParseAnchorValue(row.strValue, row.pszInstallLocation, anchor));
        EXPECT_EQ(row.bParsed, anchor.bFound);
        if (row.bParsed && row.pszLocation) {
            EXPECT_EQ(row.pszLocation, anchor.strLocation.Str());
        }
        EXPECT_EQ("", anchor.strCarriedLog);
        std::string log = kLog, prior = kPrior;
        EXPECT_EQ(row.expected, CheckRecordAnchor(anchor, kFolder, log, prior));
    }
    EXPECT_EQ(CSha256::Of(kLog) + "/" + std::to_string(sizeof kLog - 1) + " " + CSha256::Of(kPrior) + "/" +
                  std::to_string(sizeof kPrior - 1),
              kOpen);
}
