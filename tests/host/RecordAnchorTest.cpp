// The anchor of a record: a log and record read from a folder are believed only when the product's
// entry keeps their digests and names that folder.
#include "RecordAnchor.h"

#include <gtest/gtest.h>

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
        EXPECT_EQ(row.expected, CheckRecordAnchor(row.anchor, row.pszFolder, row.strLog, row.strPrior));
        EXPECT_EQ(row.expected == AnchorVerdict::trusted, *AnchorVerdictReason(row.expected) == '\0');
    }
}
