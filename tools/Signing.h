// The author's own signing command (--sign COMMAND), run once for each program that goes out.
//
// COMMAND is a shell command line in which {in} and {out} stand for the unsigned file and the file
// to write, or {} alone for the file to sign in place. The tool runs the line through /bin/sh -c
// in the current directory with the tool's stdin, the paths passed as the shell's positional
// parameters and each placeholder replaced by an expansion of one, so that no name, however
// quoted in COMMAND, can change what the shell runs.
#pragma once

#include "CommandLine.h"

#include <string>

namespace zrvtool {

class SignCommand {
public:
    // Throws ToolError unless command names its files with {} alone or with both {in} and {out},
    // none of them inside single quotes.
    explicit SignCommand(const std::string& command);

    // The line given to the shell: {} and {in} become "${1}", {out} "${2}" (without the quotes
    // inside double quotes).
    std::string For() const;

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
