// The folders that an installation made on the way to its target: after the target, the uninstaller
// takes away those that are then empty, deepest first, and nothing else: not a folder that holds
// something, not one that is not on the way to the target, never through a link.
#include "PriorRecord.h"
#include "Removal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../common/TempDir.h"
#include "SymbolicLink.h"

namespace {

bool IsDir(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

TEST(MadeFolders, TheEmptyOnesOnTheWayGoAfterTheTarget)
{
    struct Row {
        const char* what;
        std::vector<const char*> there;    // folders below the test's folder B, before ("=name": a file)
        std::vector<const char*> made;     // the record's made folders, below B
        const char* target;                // the removed target, below B
        std::vector<const char*> gone;     // folders below B that must be gone afterwards
        std::vector<const char*> stay;     // and those that must stay
        int nRemoved;
    } rows[] = {
        {"all empty", {"a", "a\\b", "a\\b\\c"}, {"a", "a\\b", "a\\b\\c"}, "a\\b\\c\\P", {"a"}, {}, 3},
        {"listed outermost last", {"a", "a\\b"}, {"a\\b", "a"}, "a\\b\\P", {"a"}, {}, 2},
        {"one holds a file", {"a", "a\\b", "=a\\b\\mine.txt", "a\\b\\c"}, {"a", "a\\b", "a\\b\\c"}, "a\\b\\c\\P",
         {"a\\b\\c"}, {"a", "a\\b"}, 1},
        {"one holds another product", {"a", "a\\Other", "a\\P2"}, {"a", "a\\P2"}, "a\\P2\\P", {"a\\P2"}, {"a", "a\\Other"}, 1},
        {"the one above was there before", {"a", "a\\b"}, {"a\\b"}, "a\\b\\P", {"a\\b"}, {"a"}, 1},
        {"not on the way to the target", {"a", "x"}, {"a", "x"}, "a\\P", {"a"}, {"x"}, 1},
        {"the target and below it", {"a", "a\\P", "a\\P\\s"}, {"a\\P", "a\\P\\s"}, "a\\P", {}, {"a", "a\\P", "a\\P\\s"}, 0},
        {"a name that only starts alike", {"a", "ab"}, {"a"}, "ab\\P", {}, {"a", "ab"}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScopedTempDir dir;
        const std::string b = dir.path().string() + "\\";
        for (const char* p : row.there) {
            if (*p == '=') WriteBytes(b + (p + 1), "x");
            else ASSERT_TRUE(CreateDirectoryA((b + p).c_str(), nullptr)) << p;
        }
        PriorState prior;
        for (const char* p : row.made) prior.madeFolders.push_back(b + p);
        EXPECT_EQ(RemoveMadeFolders(prior, (b + row.target).c_str()), row.nRemoved);
        for (const char* p : row.gone) EXPECT_FALSE(IsDir(b + p)) << p << " is still there";
        for (const char* p : row.stay) EXPECT_TRUE(IsDir(b + p)) << p << " was removed";
    }
}

// A made folder reached through a link (a symbolic link to a folder put in place of one on the way)
// stays, and so does the folder the link leads to.
TEST(MadeFolders, NothingGoesThroughALink)
{
    ScopedTempDir dir;
    const std::string b = dir.path().string() + "\\";
    ASSERT_TRUE(CreateDirectoryA((b + "real").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((b + "real\\m").c_str(), nullptr));
    ASSERT_TRUE(MakeSymbolicLink((b + "link").c_str(), (b + "real").c_str(), true)) << "no symbolic link can be made here";
    ASSERT_TRUE(IsDir(b + "link\\m"));
    PriorState prior;
    prior.madeFolders = {b + "link\\m", b + "link"};
    EXPECT_EQ(RemoveMadeFolders(prior, (b + "link\\m\\P").c_str()), 0);
    EXPECT_TRUE(IsDir(b + "real\\m"));
    EXPECT_TRUE(IsDir(b + "link\\m"));
    // The link itself, not what it leads to: under Wine a Unix link, which its own rm takes away.
    const CString link = UnixPath((b + "link").c_str());
    if (link.IsEmpty()) RemoveDirectoryA((b + "link").c_str());
    else RunUnix("/bin/rm", "-f \"" + link + "\"", [&] { return !IsDir(b + "link"); });
}
