// Relative paths of a command line taken against the caller's directory.
#include "AfxCallerDir.h"

#include <gtest/gtest.h>

namespace {

TEST(CallerDir, PathsAgainstTheCallersDirectory)
{
    const struct {
        const char* dir;
        const char* path;
        const char* expected;
    } cases[] = {
        // Relative to the directory itself.
        {"C:\\Admin", "setup.log", "C:\\Admin\\setup.log"},
        {"C:\\Admin", "My Product\\v 1", "C:\\Admin\\My Product\\v 1"},
        {"C:\\Admin", "..\\Product", "C:\\Admin\\..\\Product"},
        {"C:\\Admin", ".\\x.log", "C:\\Admin\\.\\x.log"},
        {"C:\\", "x.log", "C:\\x.log"},
        {"C:\\Admin\\", "x.log", "C:\\Admin\\x.log"},
        {"\\\\server\\share\\dir", "x.log", "\\\\server\\share\\dir\\x.log"},
        // Relative to the directory's drive or share.
        {"D:\\Admin", "\\Product", "D:\\Product"},
        {"D:\\Admin", "/Product", "D:/Product"},
        {"\\\\server\\share\\dir\\sub", "\\Product", "\\\\server\\share\\Product"},
        {"\\\\server\\share", "\\Product", "\\\\server\\share\\Product"},
        // A drive of its own: the directory when it is the same drive, else that drive's root.
        {"C:\\Admin", "C:x.log", "C:\\Admin\\x.log"},
        {"C:\\Admin", "c:x.log", "C:\\Admin\\x.log"},
        {"C:\\Admin", "E:x.log", "E:\\x.log"},
        {"\\\\server\\share", "E:x.log", "E:\\x.log"},
        {"C:\\Admin", "C:", "C:\\Admin"},
        // Full paths and empty ones stay as they are.
        {"C:\\Admin", "E:\\Product", "E:\\Product"},
        {"C:\\Admin", "e:/Product", "e:/Product"},
        {"C:\\Admin", "\\\\server\\share\\x.log", "\\\\server\\share\\x.log"},
        {"C:\\Admin", "\\\\?\\C:\\x.log", "\\\\?\\C:\\x.log"},
        {"C:\\Admin", "", ""},
        {"", "x.log", "x.log"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.dir) + " + " + c.path);
        EXPECT_EQ(AfxPathAgainst(c.dir, c.path), CString(c.expected));
    }
}

}  // namespace
