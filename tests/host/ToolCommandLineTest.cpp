// zrvtool's one option parser and the --sign command: what a table accepts, the messages of what
// it refuses, the usage text made from it; the signing command's quoting and its failures; what
// is made beside its final name and what reaches that name.
#include "CommandLine.h"
#include "Signing.h"
#include "ToolCommon.h"

#include "../common/TempDir.h"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <unistd.h>

using namespace zrvtool;
namespace fs = std::filesystem;

namespace {

int Nothing(const CommandLine&) { return 0; }

const Command kDemo = {"demo run", "IN OUT [EXTRA]",
                       {{"--block-size", "1-255", [](const std::string& v) { ParseBlockSize(v); }},
                        {"--fast", nullptr, nullptr},
                        {"--name", "NAME", nullptr}},
                       "does a demo\nin two lines", Nothing};

// The parsed line as text: operands, then options (sorted), or "error: MESSAGE".
std::string Parse(const Command& command, const Args& args)
{
    try {
        CommandLine line = ParseCommandLine(command, args);
        std::string out;
        for (const std::string& p : line.positional) out += p + " ";
        for (const auto& [name, value] : line.options) out += name + "=" + value + " ";
        return out;
    } catch (const ToolError& e) {
        return std::string("error: ") + e.what();
    }
}

}  // namespace

TEST(ToolCommandLine, ParsesByTheCommandsTable)
{
    struct Case {
        Args args;
        std::string expected;
    };
    const std::string usage = "error: usage: zrvtool demo run IN OUT [EXTRA] [--block-size 1-255] [--fast] [--name NAME]";
    const Case cases[] = {
        {{"a", "b"}, "a b "},
        {{"a", "b", "c"}, "a b c "},
        {{"--fast", "a", "--block-size", "9", "b"}, "a b --block-size=9 --fast= "},
        {{"-", "b"}, "- b "},
        {{"a", "b", "--name", "x", "--name", "y"}, "a b --name=y "},
        {{"a", "b", "--name", "--fast"}, "a b --name=--fast "},
        {{"a"}, usage},
        {{"a", "b", "c", "d"}, usage},
        {{}, usage},
        {{"a", "b", "--slow"}, "error: unknown option '--slow'"},
        {{"a", "b", "-x"}, "error: unknown option '-x'"},
        {{"a", "b", "--name"}, "error: --name needs a value"},
        {{"a", "b", "--block-size", "0"}, "error: --block-size must be 1 to 255, not '0'"},
        {{"--block-size", "256", "a"}, "error: --block-size must be 1 to 255, not '256'"},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const std::string& a : c.args) joined += a + " ";
        SCOPED_TRACE(joined);
        EXPECT_EQ(Parse(kDemo, c.args), c.expected);
    }
}

TEST(ToolCommandLine, UsageTextComesFromTheTable)
{
    EXPECT_EQ(UsageText(kDemo), "demo run IN OUT [EXTRA] [--block-size 1-255] [--fast] [--name NAME]\n"
                                "                            does a demo\n"
                                "                            in two lines");
    const Command shortOne = {"list", "IN.001", {}, "list it", Nothing};
    EXPECT_EQ(UsageText(shortOne), "list IN.001               list it");
    // A long synopsis wraps before an option that would pass 100 columns.
    std::vector<Option> many(12, Option{"--option", "VALUE", nullptr});
    const Command longOne = {"long", "A B", many, "x", Nothing};
    std::string synopsis = Synopsis(longOne);
    size_t wrap = synopsis.find('\n');
    ASSERT_NE(wrap, std::string::npos);
    EXPECT_LE(wrap, 100u);
    EXPECT_EQ(synopsis.substr(wrap, 9), "\n       [");
}

TEST(SignCommand, ChecksAndFillsInTheFiles)
{
    struct Case {
        const char* command;
        const char* expected;  // the line for in "a b.exe" and out "it's.exe", or the error
    };
    const Case cases[] = {
        {"sign -in {in} -out {out}", "sign -in \"${1}\" -out \"${2}\""},
        {"sign {}", "sign \"${1}\""},
        {"sign {} && check {}", "sign \"${1}\" && check \"${1}\""},
        {"sign \"{in}\" \"x{out}\\\"\" '\"' {out}", "sign \"${1}\" \"x${2}\\\"\" '\"' \"${2}\""},
        {"sign {in}", "error"},
        {"sign {out}", "error"},
        {"sign {} {out}", "error"},
        {"sign", "error"},
        {"sign '{}'", "quoted"},
        {"sign \"'\"{in} 'a\"{out}'", "quoted"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        try {
            SignCommand sign(c.command);
            EXPECT_EQ(sign.For(), c.expected);
        } catch (const ToolError& e) {
            if (std::string(c.expected) == "quoted")
                EXPECT_STREQ(e.what(), "--sign: {}, {in} and {out} cannot stand inside single quotes, where the shell "
                                       "would not fill them in; write them bare or inside double quotes");
            else {
                EXPECT_STREQ("error", c.expected);
                EXPECT_STREQ(e.what(), "--sign: the command must name the file with {} (signed in place) or with {in} and {out}");
            }
        }
    }
}

// However COMMAND quotes its placeholders, no name can make the shell run a part of it.
TEST(SignCommand, NoNameRunsAnything)
{
    const char* names[] = {"x'; touch pwned; echo '.exe", "x\"; touch pwned; echo \".exe", "$(touch pwned).exe",
                           "`touch pwned`.exe", "a\ntouch pwned\n.exe", "a-$(touch${IFS}pwned)\\.exe"};
    const char* commands[] = {"cp {in} {out}", "cp \"{in}\" \"{out}\"", "cp -- \"./{in}\" ./{out}",
                              "printf +sig >> \"{}\"", "sh -c 'cat \"$0\" > \"$1\"' {in} \"{out}\""};
    for (const char* name : names)
        for (const char* command : commands) {
            SCOPED_TRACE(std::string(name) + " | " + command);
            ScopedTempDir dir;
            WriteBytes(name, "program");
            EXPECT_NO_THROW(SignCommand(command).Sign(name, "Setup.exe"));
            EXPECT_EQ(ReadBytes(name).substr(0, 7), "program");
            EXPECT_FALSE(fs::exists("pwned"));
        }
}

TEST(SignCommand, RunsTheCommandAndRefusesWhatItLeaves)
{
    struct Case {
        const char* what;
        const char* command;
        const char* error;   // "" when it signs
        const char* result;  // the file's content afterwards
        const char* output;  // what the command said, on stderr after a failure
    };
    const Case cases[] = {
        {"in and out", "{ cat {in}; printf +sig; } > {out}", "", "program+sig", ""},
        {"in place", "printf +sig >> {}", "", "program+sig", ""},
        {"fails", "echo no key >&2; test -f {}; exit 3", "--sign: the command failed (exit code 3) signing Setup.exe; nothing is written",
         "program", "no key\n"},
        {"leaves no file", "echo done; true {in} {out}",
         "--sign: the command left no signed file (or an empty one) signing Setup.exe; nothing is written", "program",
         "done\n"},
        {"leaves an empty file", ": > {out}; echo {in} >/dev/null",
         "--sign: the command left no signed file (or an empty one) signing Setup.exe; nothing is written", "program", ""},
        {"empties it in place", ": > {}",
         "--sign: the command left no signed file (or an empty one) signing Setup.exe; nothing is written", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedTempDir dir;
        // A name that would run a command if it were not quoted.
        std::string path = "x'; touch pwned; echo '.exe";
        WriteBytes(path, "program");
        std::ostringstream err;
        std::streambuf* old = std::cerr.rdbuf(err.rdbuf());
        std::string error;
        try {
            SignCommand(c.command).Sign(path, "Setup.exe");
        } catch (const ToolError& e) {
            error = e.what();
        }
        std::cerr.rdbuf(old);
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(ReadBytes(path), c.result);
        EXPECT_EQ(err.str(), c.output);
        // Nothing but the file itself is left, and the name ran nothing.
        size_t n = 0;
        for (const auto& e : fs::directory_iterator(".")) n += e.path().filename() == path ? 0 : 1;
        EXPECT_EQ(n, 0u);
    }
}

// What lies under the final name afterwards, and that nothing else is left beside it: a link
// planted under the first hidden name is passed over, never written through.
TEST(BesidePath, PutsInPlaceOnlyWhatIsCommitted)
{
    enum Before { kNothing, kFile, kEmptyFolder, kFullFolder, kPlantedLink };
    struct Case {
        const char* what;
        BesidePath::Kind kind;
        Before before;
        const char* path;
        bool bCommit;
        const char* error;  // "" when made and committed, or not committed
        const char* after;  // under "out": "new", "old", "kept" (the full folder) or "none"
    } cases[] = {
        {"a new file", BesidePath::kFile, kNothing, "out", true, "", "new"},
        {"a file over a file", BesidePath::kFile, kFile, "out", true, "", "new"},
        {"a file not committed", BesidePath::kFile, kFile, "out", false, "", "old"},
        {"a link at the hidden name", BesidePath::kFile, kPlantedLink, "out", true, "", "new"},
        {"a folder over an empty one", BesidePath::kFolder, kEmptyFolder, "out", true, "", "new"},
        {"a folder over a full one", BesidePath::kFolder, kFullFolder, "out", true,
         "out: cannot create: Directory not empty", "kept"},
        {"a folder not committed", BesidePath::kFolder, kNothing, "out", false, "", "none"},
        {"in a folder not there", BesidePath::kFile, kNothing, "no/out", true,
         "no/out: cannot create: No such file or directory", "none"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedTempDir dir;
        WriteBytes("victim", "safe");
        if (c.before == kPlantedLink) fs::create_symlink(fs::absolute("victim"), ".out.tmp" + std::to_string(getpid()));
        if (c.before == kFile) WriteBytes("out", "old");
        if (c.before == kEmptyFolder || c.before == kFullFolder) fs::create_directory("out");
        if (c.before == kFullFolder) WriteBytes("out/keep", "keep");
        std::string error;
        try {
            BesidePath part(c.path, c.kind);
            WriteBytes(c.kind == BesidePath::kFile ? part.Path() : part.Path() / "new", "new");
            if (c.bCommit) part.Commit();
        } catch (const ToolError& e) {
            error = e.what();
        }
        EXPECT_EQ(error, c.error);
        std::string after = !fs::exists("out")        ? "none"
                            : fs::exists("out/keep")  ? "kept"
                            : fs::is_directory("out") ? ReadBytes("out/new")
                                                      : ReadBytes("out");
        EXPECT_EQ(after, c.after);
        EXPECT_EQ(ReadBytes("victim"), "safe");
        size_t n = 0;
        for (const auto& e : fs::directory_iterator(".")) n += fs::is_symlink(e.symlink_status()) ? 0 : 1;
        EXPECT_EQ(n, fs::exists("out") ? 2u : 1u) << "the hidden name outlives its owner";
    }
}
