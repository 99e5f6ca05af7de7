// The installation's Start-menu shortcuts in the running user's own Start menu: the product's
// folders made level by level and held, none of them ever a link, whatever stands in its place.
#include "AfxPath.h"
#include "AfxShell.h"
#include "ShortcutRules.h"
#include "Shortcuts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SymbolicLink.h"

namespace {

struct MemoryLog : CFile {
    void Write(const void* p, UINT n) override { text.append(static_cast<const char*>(p), n); }
    std::string text;
};

}  // namespace

TEST(Shortcuts, TheProductsFoldersAreMadeByHandleAndNeverThroughALink)
{
    CString programs;
    ASSERT_TRUE(AfxGetProgramsFolder(true, programs, true));
    const std::string base = "ZrvTest-" + std::to_string(GetCurrentProcessId());
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string target = std::string(temp) + base, elsewhere = target + "-elsewhere";
    CreateDirectoryA(target.c_str(), nullptr);
    CreateDirectoryA(elsewhere.c_str(), nullptr);
    HANDLE h = CreateFileA((target + "\\app.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    CloseHandle(h);
    SetupExtensions ext;
    ext.shortcuts.push_back({"Go", "app.txt", 1});
    struct Row {
        std::string product;
        std::string link;  // made a link to elsewhere first, below the Start menu; empty: none
        std::string failed;
    } rows[] = {
        {base + "\\Sub", "", ""},
        {base + "-L", base + "-L", "Go"},
        {base + "-U\\Sub", base + "-U", "Go"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.product);
        const std::string top = programs.Str() + "\\" + row.product.substr(0, row.product.find('\\'));
        if (!row.link.empty()) {
            ASSERT_TRUE(MakeSymbolicLink((programs.Str() + "\\" + row.link).c_str(), elsewhere.c_str(), true));
        }
        MemoryLog log;
        EXPECT_EQ(row.failed, CreateShortcuts(ext, row.product.c_str(), target.c_str(), true, log).Str());
        const bool bMade = GetFileAttributesA((programs.Str() + "\\" + row.product + "\\Go.lnk").c_str()) !=
                           INVALID_FILE_ATTRIBUTES;
        EXPECT_EQ(row.failed.empty(), bMade);
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((elsewhere + "\\*").c_str(), &found);
        int nEntries = 0;
        if (find != INVALID_HANDLE_VALUE) {
            do ++nEntries;
            while (FindNextFileA(find, &found));
            FindClose(find);
        }
        EXPECT_EQ(2, nEntries) << "something was made through the link";  // "." and ".."
        if (row.link.empty()) {
            DeleteFileA((programs.Str() + "\\" + row.product + "\\Go.lnk").c_str());
            const std::vector<CString> levels = ShortcutFolderLevels(row.product.c_str());
            for (auto it = levels.rbegin(); it != levels.rend(); ++it) RemoveDirectoryA(programs + "\\" + *it);
            continue;
        }
        // The link itself, not what it leads to: under Wine a Unix link, which its own rm takes away.
        const CString link = UnixPath(top.c_str());
        if (link.IsEmpty()) {
            RemoveDirectoryA(top.c_str());
        } else {
            RunUnix("/bin/rm", "-f \"" + link + "\"", [&] { return GetFileAttributesA(top.c_str()) == INVALID_FILE_ATTRIBUTES; });
        }
    }
    DeleteFileA((target + "\\app.txt").c_str());
    RemoveDirectoryA(target.c_str());
    RemoveDirectoryA(elsewhere.c_str());
}
