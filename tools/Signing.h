// The author's own signing command (--sign COMMAND), run once for each program that goes out.
//
// COMMAND is a shell command line in which {in} and {out} stand for the unsigned file and the file
// to write, or {} alone for the file to sign in place. The tool puts each path in single quotes,
// so that no name can change what the shell runs, and runs the line through /bin/sh -c in the
// current directory with the tool's stdin.
#pragma once

#include "CommandLine.h"

#include <string>

namespace zrvtool {

// path in single quotes for /bin/sh, its own single quotes written as '\''.
std::string ShellQuoted(const std::string& path);

class SignCommand {
public:
    // Throws ToolError unless command names its files with {} alone or with both {in} and {out}.
    explicit SignCommand(const std::string& command);

    // The command line with every {}, {in} and {out} replaced by the quoted path.
    std::string For(const std::string& in, const std::string& out) const;

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
