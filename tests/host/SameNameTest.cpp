// When two names the installation keeps are the same one: each kind of name by its own rule.
#include "SameName.h"

#include <gtest/gtest.h>

TEST(SameName, EachKindComparesByItsOwnRule)
{
    enum Kind { key, value, entry, folder };
    const struct {
        const char* pszRow;
        Kind kind;
        const char* a;
        const char* b;
        bool bSame;
    } rows[] = {
        {"key: case", key, "Software\\Zorvan", "SOFTWARE\\zorvan", true},
        {"key: backslashes at the ends and doubled", key, "\\Software\\\\Zorvan\\", "Software\\Zorvan", true},
        {"key: another key", key, "Software\\Zorvan", "Software\\Zorvan2", false},
        {"value: case", value, "InstallDir", "installdir", true},
        {"value: a backslash counts", value, "Dir\\", "Dir", false},
        {"entry: case", entry, "docs\\ReadMe.txt", "DOCS\\readme.TXT", true},
        {"entry: a doubled backslash counts", entry, "docs\\\\a", "docs\\a", false},
        {"folder: case and a closing backslash", folder, "C:\\Program Files\\Demo\\", "c:\\program files\\demo", true},
        {"folder: a drive's root keeps its backslash", folder, "C:\\", "C:", false},
        {"folder: a longer name", folder, "C:\\Demo", "C:\\Demo 2", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszRow);
        bool same = row.kind == key     ? SameKeyPath(row.a, row.b)
                    : row.kind == value ? SameValueName(row.a, row.b)
                    : row.kind == entry ? SameEntryPath(row.a, row.b)
                                        : SameFolder(row.a, row.b);
        EXPECT_EQ(row.bSame, same);
    }
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
    EXPECT_EQ("software\\zorvan", FoldedKeyPath("\\SOFTWARE\\\\Zorvan\\"));
}
