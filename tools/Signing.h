// The author's own signing command (--sign COMMAND), run once for each program that goes out.
//
// COMMAND is a command line in which {in} and {out} stand for the unsigned file and the file to
// write, or {} alone for the file to sign in place. On Linux the tool runs the line through
// /bin/sh -c in the current directory with the tool's stdin, the paths passed as the shell's
// positional parameters and each placeholder replaced by an expansion of one; on Windows it starts
// the line as a program's command line (CreateProcess, no cmd.exe) with each placeholder replaced
// by its path as one quoted argument. Either way no name, however quoted in COMMAND, can change
// what runs (ToolSystem.h).
#pragma once

#include "CommandLine.h"

#include <string>

namespace zrvtool {

class SignCommand {
public:
    // Throws ToolError unless command names its files with {} alone or with both {in} and {out},
    // none of them inside single quotes.
    explicit SignCommand(const std::string& command);

    // The line that runs for the files in and out: on Linux, given to the shell, {} and {in}
    // become "${1}", {out} "${2}" (without the quotes inside double quotes), whatever the names;
    // on Windows each placeholder becomes its name, quoted.
    std::string For(const std::string& in = "", const std::string& out = "") const;

    // Signs the file at path, which then holds the signed program. what names it in messages.
    // Throws ToolError, after the command's output on stderr, when the command fails or leaves
    // no file or an empty one; a file it wrote beside path is removed then.
    void Sign(const std::string& path, const std::string& what) const;

private:
    std::string m_command;
    bool m_bInPlace;
};

// The option --sign COMMAND of medium and bundle, checked as SignCommand does.
Option SignOption();

}  // namespace zrvtool
