// Runs the built zrvtool (its path in ZRVTOOL) as a user runs it, in the current directory.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>

#include "TempDir.h"

struct ToolRun {
    int code;
    std::string out, err;
};

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
