// When two names the installation keeps are the same one: the letters as Windows folds them, and
// each kind of name by its own rule for separators.
#include "AfxCodePage.h"
#include "AfxNameCase.h"
#include "CarriedRecord.h"
#include "SameName.h"

#include <gtest/gtest.h>

#include "../common/NamePairs.h"

namespace {

bool Same(const NamePair& row)
{
    switch (row.kind) {
    case NameKind::key: return SameKeyPath(row.a, row.b);
    case NameKind::value: return SameValueName(row.a, row.b);
    case NameKind::entry: return SameEntryPath(row.a, row.b);
    case NameKind::folder: return SameFolder(row.a, row.b);
    }
    return false;
}

}  // namespace

TEST(SameName, EveryPairAsTheSystemTakesIt)
{
    for (const NamePair& row : kNamePairs) {
        SCOPED_TRACE(row.pszRow);
        EXPECT_EQ(row.bSame, Same(row));
        EXPECT_EQ(row.bSame, Same({row.pszRow, row.kind, row.b, row.a, row.bSame, row.bLettersOnly}));
        // A pair of mere letters is the same name to every kind.
        if (row.bLettersOnly) {
            EXPECT_EQ(row.bSame, AfxSameName(row.a, row.b));
        }
    }
}

TEST(SameName, APathLiesInAFolderByTheSameRule)
{
    const struct {
        const char* pszPath;
        const char* pszFolder;
        bool bIn;
    } rows[] = {
        {"C:\\\xC5\x81\xC3\xB3\x64\xC5\xBA\\a.txt", "c:\\\xC5\x82\xC3\xB3\x64\xC5\xBA\\", true},
        {"C:\\Prod", "C:\\PROD", true},
        {"C:\\Prod 2\\a.txt", "C:\\Prod", false},
        {"C:\\Prod\\\\sub", "C:/prod", true},
        {"D:\\x", "C:\\", false},
        {"C:\\x", "C:\\", true},
        {"C:\\x", "", false},
    };
    for (const auto& row : rows) EXPECT_EQ(row.bIn, IsInFolder(row.pszPath, row.pszFolder)) << row.pszPath;
}

TEST(SameName, AKeyPathIsTrimmedOfItsOuterBackslashesOnly)
{
    const struct {
        const char* pszKey;
        const char* pszTrimmed;
    } rows[] = {
        {"Software\\Zorvan", "Software\\Zorvan"},
        {"\\\\Software\\Zorvan\\", "Software\\Zorvan"},
        {"Software\\\\Zorvan", "Software\\\\Zorvan"},
        {"\\\\", ""},
        {"", ""},
    };
    for (const auto& row : rows) EXPECT_EQ(std::string(row.pszTrimmed), TrimmedKeyPath(row.pszKey).Str()) << row.pszKey;
}

// An upgrade retires what the earlier version listed and the new one does not: a name the new
// run lists again in any spelling the system takes for the same is never retired.
TEST(SameName, TheRetireStepKeepsWhatTheRunListsInAnySpelling)
{
    const struct {
        const char* pszRow;
        const char* pszEarlier;  // the earlier log's registry part, after its marker
        const char* pszOwn;      // the run's own
        size_t nRetired;
    } rows[] = {
        {"a closing backslash", "\\[HKEY_LOCAL_MACHINE\\Software\\Hello\\]\r\nInstallDir\r\n",
         "\\[HKEY_LOCAL_MACHINE\\Software\\Hello]\r\nInstallDir\r\n", 0},
        {"a key in other letters", "\\[HKEY_LOCAL_MACHINE\\Software\\Ustawienia \xC5\xBB\xC3\xB3\xC5\x82\xC4\x87]\r\nA\r\n",
         "\\[HKEY_LOCAL_MACHINE\\software\\ustawienia \xC5\xBC\xC3\xB3\xC5\x82\xC4\x87]\r\na\r\n", 0},
        {"a value in other letters", "\\[HKEY_LOCAL_MACHINE\\Software\\Hello]\r\n\xC5\xBB\xC3\xB3\xC5\x82w\r\n",
         "\\[HKEY_LOCAL_MACHINE\\Software\\Hello]\r\n\xC5\xBC\xC3\xB3\xC5\x82w\r\n", 0},
        {"a value the run dropped", "\\[HKEY_LOCAL_MACHINE\\Software\\Hello]\r\nOld\r\nNew\r\n",
         "\\[HKEY_LOCAL_MACHINE\\Software\\Hello]\r\nNew\r\n", 1},
        {"a value in NFD is another", "\\[HKEY_LOCAL_MACHINE\\Software\\Hello]\r\ncaf\xC3\xA9\r\n",
         "\\[HKEY_LOCAL_MACHINE\\Software\\Hello]\r\ncafe\xCC\x81\r\n", 1},
    };
    struct AllThere : CarriedItemProbe {
        bool Exists(const LogItem&) const override { return true; }
    } probe;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszRow);
        const std::string earlier = std::string(kUtf8Mark) + kLogRegistryMarker + "\r\n" + row.pszEarlier;
        InstallRecord record;
        LogDamage damage;
        ASSERT_TRUE(ParseInstallLog(earlier.data(), earlier.size(), record, damage));
        CarriedRecord carried = CarryForward(record, PriorState(), probe);
        std::vector<LogItem> retired =
            RetiredItems(carried, std::string(kUtf8Mark) + kLogRegistryMarker + "\r\n" + row.pszOwn);
        EXPECT_EQ(row.nRetired, retired.size());
    }
}
