// zrvtool's commands and their one option parser. Each command is one table entry: its name, its
// operands, its options (name, value, check) and what it does. The usage texts of --help, of the
// command list and of a wrong call are all made from that entry.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace zrvtool {

using Args = std::vector<std::string>;

// One option: its name ("--block-size"), the name of its value in the usage text ("1-255"; null
// for an option that takes none) and the check its value must pass (throws ToolError; may be null).
struct Option {
    const char* name;
    const char* value;
    void (*check)(const std::string& value);
};

// A command's arguments after parsing: the operands in order and each option given (the last of
// an option given twice; an option without a value maps to "").
struct CommandLine {
    Args positional;
    std::map<std::string, std::string> options;
    std::vector<std::pair<std::string, std::string>> given;  // every option given, in order
    bool Has(const char* name) const { return options.count(name) != 0; }
    // The option's value, or "" when it was not given.
    std::string Value(const char* name) const;
    // Every value of an option that may be given more than once, in the order given.
    std::vector<std::string> Values(const char* name) const;
};

// A command: its name path ("ini check"), its operands ("CONFIG SRC_DIR [OUT_DIR]": optional ones
// in brackets, after the required ones), its options, one or more lines of what it does, and the
// function that runs it; the function returns the exit code.
struct Command {
    const char* name;
    const char* operands;
    std::vector<Option> options;
    const char* description;
    int (*run)(const CommandLine& line);
};

// "compress IN OUT.001 [--block-size 1-255] ...", wrapped at about 100 columns.
std::string Synopsis(const Command& command);
// The synopsis and the description as --help and the command list show them.
std::string UsageText(const Command& command);

// Splits args by the command's table. An argument of two or more characters starting with '-' is
// an option ("-" alone is an operand, standing for stdin or stdout). Throws ToolError: "unknown
// option 'X'", "X needs a value", the check's message, or "usage: zrvtool SYNOPSIS" for a wrong
// number of operands.
CommandLine ParseCommandLine(const Command& command, const Args& args);

}  // namespace zrvtool
