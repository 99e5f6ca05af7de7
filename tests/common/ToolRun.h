// Runs the built zrvtool (its path in ZRVTOOL) as a user runs it, in the current directory. The
// same tables also run against zrvtool.exe under Wine (ZRV_TOOL_UNDER_WINE, tests/host/zrvtool-wine.sh).
#pragma once

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <filesystem>
#include <string>
#include <sys/wait.h>

#include "TempDir.h"

struct ToolRun {
    int code;
    std::string out, err;
};

#ifdef ZRV_TOOL_UNDER_WINE
constexpr bool kWindowsTool = true;
#else
constexpr bool kWindowsTool = false;
#endif

// A path below the test's folder as the tool names it: with the Windows tool's backslashes.
inline std::string ToolPath(std::string path)
{
    if (kWindowsTool) std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// Whether the row what, one of rows, is passed over: rows that hold only where the tool runs on
// Linux (a name no Windows file system holds, a command line for /bin/sh), when the tool is the
// Windows one.
inline bool LinuxToolOnly(const std::string& what, std::initializer_list<const char*> rows)
{
    return kWindowsTool && std::find(rows.begin(), rows.end(), what) != rows.end();
}

// args are passed through the shell as written.
inline ToolRun Tool(const std::string& args)
{
    std::string cmd = std::string(ZRVTOOL) + " " + args + " >cli.out 2>cli.err";
    int status = std::system(cmd.c_str());
    ToolRun r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes("cli.out"), ReadBytes("cli.err")};
    std::filesystem::remove("cli.out");
    std::filesystem::remove("cli.err");
    return r;
}
