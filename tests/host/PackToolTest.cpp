// zrvtool pack, list and extract: exact output, round trips through the real compressor and
// reader, refusals that name the file and leave no output behind.
#include "ArchiveCompressor.h"
#include "Commands.h"
#include "EmbeddedPrograms.h"
#include "Payload.h"
#include "VolumeWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <sstream>

#include "TempDir.h"

namespace fs = std::filesystem;
using namespace zrvtool;

namespace {

struct Outcome {
    int code;
    std::string out;  // stdout, or "error: " and the message
};

Outcome RunTool(const std::string& name, const Args& args)
{
    for (const Command& c : kPackCommands) {
        if (name != c.name) continue;
        std::ostringstream captured;
        std::streambuf* old = std::cout.rdbuf(captured.rdbuf());
        Outcome o;
        try {
            o.code = c.run(ParseCommandLine(c, args));
            o.out = captured.str();
        } catch (const ToolError& e) {
            o.code = 1;
            o.out = std::string("error: ") + e.what();
        }
        std::cout.rdbuf(old);
        return o;
    }
    return {-1, "no such command"};
}

void MakeFile(const fs::path& p, const std::string& bytes)
{
    fs::create_directories(p.parent_path());
    WriteBytes(p, bytes);
}

std::string Pattern(size_t n)
{
    std::string s(n, '\0');
    uint32_t x = 12345;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        s[i] = char(x >> 24);
    }
    return s;
}

// Every file below dir (relative, '/'-separated, directories with a trailing '/') and its bytes.
std::map<std::string, std::string> Snapshot(const fs::path& dir)
{
    std::map<std::string, std::string> m;
    for (auto& e : fs::recursive_directory_iterator(dir)) {
        std::string rel = e.path().lexically_relative(dir).generic_string();
        if (e.is_directory()) m[rel + "/"] = "";
        else m[rel] = ReadBytes(e.path());
    }
    return m;
}

TEST(PackTool, PacksListsAndExtractsATreeAcrossVolumes)
{
    ScopedTempDir tmp;
    MakeFile("src/readme.txt", "Hello\r\n");
    MakeFile("src/B/big.bin", Pattern(300000));
    MakeFile("src/a/sub/empty.txt", "");
    MakeFile("src/a/caf\xc3\xa9.txt", "x");
    MakeFile("src/a/sub/notes.TXT", "notes");
    MakeFile("src/Z.dat", "zz");
    MakeFile("src/.profile", "p");
    fs::create_directories("src/emptydir");

    Outcome pack = RunTool("pack", {"src", "out.001", "--volume-size", "20000", "--block-size", "2", "--no-uninstaller"});
    ASSERT_EQ(pack.code, 0) << pack.out;
    EXPECT_EQ(pack.out, "out.001: 4 directories, 7 files, 300016 bytes\n"
                        "the installer needs 1712000 bytes of memory for block size 2 (6 x 200000 + 512000)\n");
    EXPECT_TRUE(fs::exists("out.002"));

    Outcome list = RunTool("list", {"out.001"});
    ASSERT_EQ(list.code, 0) << list.out;
    EXPECT_EQ(list.out,
              "dir             B/\n"
              "dir             a/\n"
              "dir             a/sub/\n"
              "dir             emptydir/\n"
              "file           0  a/sub/empty.txt\n"
              "file           1  .profile\n"
              "file      300000  B/big.bin\n"
              "file           2  Z.dat\n"
              "file           1  a/caf\xc3\xa9.txt\n"
              "file           5  a/sub/notes.TXT\n"
              "file           7  readme.txt\n"
              "4 directories, 7 files, 300016 bytes\n");

    Outcome extract = RunTool("extract", {"out.001", "copy"});
    ASSERT_EQ(extract.code, 0) << extract.out;
    EXPECT_EQ(extract.out, "");
    EXPECT_EQ(Snapshot("copy"), Snapshot("src"));
}

// Every image carries the uninstaller as its first file, unless the author says otherwise; a tree
// with an uninstaller of its own at its root must say so.
TEST(PackTool, PutsTheUninstallerFirstUnlessTold)
{
    const EmbeddedProgram& program = EmbeddedUninstaller(WindowsArch::x86);
    const std::string size = std::to_string(program.nSize);
    const std::string padded = std::string(10 - size.size(), ' ') + size;
    struct Case {
        const char* what;
        std::vector<std::string> extra;
        bool ownUninstaller;
        std::string listing;  // empty: refused with error
        std::string error;
    } cases[] = {
        {"carried", {}, false,
         "dir             d/\n"
         "file  " + padded + "  Uninstal.exe\n"
         "file           0  d/empty\n"
         "file           2  a.txt\n"
         "1 directories, 3 files, " + std::to_string(program.nSize + 2) + " bytes\n", ""},
        {"left out", {"--no-uninstaller"}, false,
         "dir             d/\n"
         "file           0  d/empty\n"
         "file           2  a.txt\n"
         "1 directories, 2 files, 2 bytes\n", ""},
        {"tree has its own", {}, true, "",
         "error: 'uninstal.EXE': the tree has its own Uninstal.exe at its root; give --no-uninstaller to ship it "
         "instead of the one the tool carries"},
        {"tree has its own, told", {"--no-uninstaller"}, true,
         "dir             d/\n"
         "file           0  d/empty\n"
         "file           3  uninstal.EXE\n"
         "file           2  a.txt\n"
         "1 directories, 3 files, 5 bytes\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedTempDir tmp;
        MakeFile("src/a.txt", "hi");
        MakeFile("src/d/empty", "");
        if (c.ownUninstaller) MakeFile("src/uninstal.EXE", "own");
        std::vector<std::string> args = {"src", "out.001"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        Outcome pack = RunTool("pack", args);
        bool carried = std::find(c.extra.begin(), c.extra.end(), "--no-uninstaller") == c.extra.end();
        if (carried && !program.pData) {
            // A tool built without the Windows side says so instead of making an image without it.
            EXPECT_EQ(pack.code, 1);
            EXPECT_FALSE(fs::exists("out.001"));
            continue;
        }
        if (c.listing.empty()) {
            EXPECT_EQ(pack.out, c.error);
            EXPECT_FALSE(fs::exists("out.001"));
            continue;
        }
        ASSERT_EQ(pack.code, 0) << pack.out;
        EXPECT_EQ(RunTool("list", {"out.001"}).out, c.listing);
        ASSERT_EQ(RunTool("extract", {"out.001", "copy"}).code, 0);
        if (carried) {
            EXPECT_TRUE(ReadBytes("copy/Uninstal.exe") ==
                        std::string(reinterpret_cast<const char*>(program.pData), program.nSize));
        }
    }
}

TEST(PackTool, RefusesTreesTheInstallerCannotInstallAndLeavesNoOutput)
{
    struct Case {
        const char* what;
        std::function<void()> make;
        std::string error;
    } cases[] = {
        {"empty tree", [] { fs::create_directories("src/d"); },
         "error: 'src': holds no non-empty file; the installer would read no entry of it"},
        {"only empty files", [] { MakeFile("src/a", ""); },
         "error: 'src': holds no non-empty file; the installer would read no entry of it"},
        {"symlink", [] { MakeFile("src/a", "1"); fs::create_symlink("a", "src/link"); },
         "error: 'link': symbolic links cannot be packed; replace it by what it points to"},
        {"long name", [] { MakeFile("src/" + std::string(100, 'd') + "/" + std::string(100, 'e') + "/" + std::string(60, 'f'), "1"); },
         "error: '" + std::string(100, 'd') + "/" + std::string(100, 'e') + "/" + std::string(60, 'f') + "': stored name is longer than 255 bytes"},
        {"code page", [] { MakeFile("src/\xe4\xb8\xad.txt", "1"); },
         "error: '\xe4\xb8\xad.txt': name cannot be written in the installer's code page (Windows-1252); it needs "
         "UTF-8 (--code-page utf-8 or auto, CodePage=65001 in Setup.ini)"},
        {"invalid utf-8", [] { MakeFile("src/\xff.txt", "1"); },
         "error: '\xff.txt': name cannot be written in the installer's code page (Windows-1252)"},
        {"device", [] { MakeFile("src/docs/Nul.txt", "1"); },
         "error: 'docs/Nul.txt': the installer refuses this name (device name as path component)"},
        {"trailing dot", [] { MakeFile("src/x.", "1"); },
         "error: 'x.': the installer refuses this name (path component ends in a dot)"},
        {"colon", [] { MakeFile("src/a:b", "1"); },
         "error: 'a:b': the installer refuses this name (drive or colon)"},
        {"backslash", [] { MakeFile("src/a\\b", "1"); },
         "error: 'a\\b': a backslash in a name would split it into directories on Windows"},
        {"case", [] { MakeFile("src/Read.me", "1"); MakeFile("src/read.ME", "2"); },
         "error: 'read.ME' and 'Read.me': names that differ only in letter case are the same on Windows"},
        {"over 32 bits", [] {
             MakeFile("src/a", "1");
             MakeFile("src/b", "");
             fs::resize_file("src/b", 0xFFFFFFFFull);
         },
         "error: 'b': the payload would exceed 4294967295 bytes, the most one image can hold"},
    };
    for (const Case& c : cases) {
        ScopedTempDir tmp;
        c.make();
        // Windows-1252 fixed: a name that only UTF-8 can hold is refused too.
        Outcome o = RunTool("pack", {"src", "out.001", "--code-page", "1252"});
        EXPECT_EQ(o.code, 1) << c.what;
        EXPECT_EQ(o.out, c.error) << c.what;
        std::vector<std::string> left;
        for (auto& e : fs::directory_iterator(".")) left.push_back(e.path().filename().string());
        EXPECT_EQ(left, std::vector<std::string>{"src"}) << c.what;
    }
}

TEST(PackTool, RefusesBadArguments)
{
    ScopedTempDir tmp;
    MakeFile("src/a", "1");
    EXPECT_EQ(RunTool("pack", {"src", "out.img"}).out,
              "error: 'out.img': an image name must end in a three-digit volume number, such as disk.001");
    EXPECT_EQ(RunTool("pack", {"src", "out.001", "--block-size", "0"}).out, "error: --block-size must be 1 to 255, not '0'");
    EXPECT_EQ(RunTool("pack", {"src", "out.001", "--volume-size", "12"}).out,
              "error: --volume-size must be more than 12 bytes (the volume header)");
    EXPECT_EQ(RunTool("pack", {"src"}).code, 1);
    EXPECT_EQ(RunTool("list", {"missing.001"}).out, "error: The file 'missing.001' could not be found/opened");
    EXPECT_FALSE(fs::exists("out.001"));
}

void WriteImage(const std::string& path, const std::string& stream)
{
    zrv::CVolumeWriter writer(path, 1, 0);
    zrv::CArchiveCompressor compressor(1, writer);
    compressor.Write(stream.data(), stream.size());
    compressor.Finish();
    writer.Commit();
}

const std::string kNone = " (0 files extracted before the error)";

// An image of file entries only: each name with the given data, which may be cut short of the size
// it claims (nSize, or the data's length when 0).
struct RawFile {
    std::string name, data;
    uint32_t nSize = 0;
};
void WriteFilesImage(uint32_t nTotal, const std::vector<RawFile>& files)
{
    std::string s;
    PayloadBuilder::AppendTotal(s, nTotal);
    for (const RawFile& f : files) {
        PayloadBuilder::AppendFileHeader(s, f.name, f.nSize ? f.nSize : uint32_t(f.data.size()));
        s += f.data;
    }
    WriteImage("img.001", s);
}

TEST(PackTool, ExtractKeepsEverythingInsideItsDirectory)
{
    struct Case {
        std::string name;
        std::string error;
    } cases[] = {
        {"..\\out.txt", "error: 'img.001': bad entry name '..\\out.txt': path component ends in a dot" + kNone},
        {"C:\\out.txt", "error: 'img.001': bad entry name 'C:\\out.txt': drive or colon" + kNone},
        {"/tmp/out.txt", "error: 'img.001': bad entry name '/tmp/out.txt': forward slash" + kNone},
        {"\\\\out", "error: 'img.001': bad entry name '\\\\out': empty path component" + kNone},
    };
    for (const Case& c : cases) {
        ScopedTempDir tmp;
        std::string s;
        PayloadBuilder::AppendTotal(s, 1);
        PayloadBuilder::AppendFileHeader(s, c.name, 1);
        s += "X";
        WriteImage("img.001", s);
        Outcome o = RunTool("extract", {"img.001", "dir"});
        EXPECT_EQ(o.out, c.error);
        EXPECT_TRUE(fs::is_empty("dir")) << c.name;
        EXPECT_FALSE(fs::exists("out.txt"));
    }
    // An existing symbolic link inside the directory is not followed.
    ScopedTempDir tmp;
    std::string s;
    PayloadBuilder::AppendTotal(s, 1);
    PayloadBuilder::AppendFileHeader(s, "sub\\f.txt", 1);
    s += "X";
    WriteImage("img.001", s);
    fs::create_directories("dir");
    fs::create_directories("elsewhere");
    fs::create_directory_symlink("../elsewhere", "dir/sub");
    Outcome o = RunTool("extract", {"img.001", "dir"});
    EXPECT_EQ(o.out, "error: '" + (fs::path("dir") / "sub").string() + "': is a symbolic link; nothing is extracted through one" + kNone);
    EXPECT_TRUE(fs::is_empty("elsewhere"));
}

// Files already in DIR are replaced, never written through: a hard link to a file outside keeps
// that file as it was. A stream that breaks off inside a file leaves the files completed before it
// and nothing of the one in hand, under its name or a temporary one.
TEST(PackTool, ExtractReplacesWholeFilesOnly)
{
    ScopedTempDir tmp;
    WriteFilesImage(10, {{"a.txt", "new"}, {"b.txt", "12", 7}});
    fs::create_directories("dir");
    fs::create_directories("outside");
    WriteBytes("outside/a.txt", "kept outside");
    fs::create_hard_link("outside/a.txt", "dir/a.txt");
    WriteBytes("dir/b.txt", "old b");

    Outcome o = RunTool("extract", {"img.001", "dir"});
    EXPECT_EQ(o.code, 1);
    EXPECT_EQ(o.out, "error: 'img.001': the payload ends inside the data of 'b.txt' (1 file extracted before the "
                     "error; '" + (fs::path("dir") / "b.txt").string() + "', cut short, was removed)");
    EXPECT_EQ(ReadBytes("outside/a.txt"), "kept outside");
    EXPECT_EQ(Snapshot("dir"), (std::map<std::string, std::string>{{"a.txt", "new"}, {"b.txt", "old b"}}));
}

// The five bytes the code page leaves undefined stay distinct on the host: each name its own file,
// listed with what a terminal would act on escaped.
TEST(PackTool, UndefinedCodePageBytesStayDistinct)
{
    ScopedTempDir tmp;
    WriteFilesImage(5, {{"a\x81", "1"}, {"a\x8d", "2"}, {"a\x8f", "3"}, {"a\x90", "4"}, {"a\x9d", "5"}});
    Outcome list = RunTool("list", {"img.001"});
    EXPECT_EQ(list.out,
              "file           1  a\\xc2\\x81\n"
              "file           1  a\\xc2\\x8d\n"
              "file           1  a\\xc2\\x8f\n"
              "file           1  a\\xc2\\x90\n"
              "file           1  a\\xc2\\x9d\n"
              "0 directories, 5 files, 5 bytes\n");
    ASSERT_EQ(RunTool("extract", {"img.001", "dir"}).code, 0);
    EXPECT_EQ(Snapshot("dir"), (std::map<std::string, std::string>{{"a\xc2\x81", "1"},
                                                                    {"a\xc2\x8d", "2"},
                                                                    {"a\xc2\x8f", "3"},
                                                                    {"a\xc2\x90", "4"},
                                                                    {"a\xc2\x9d", "5"}}));
}

TEST(PackTool, ListReportsPayloadsWhoseSizesDoNotAddUp)
{
    ScopedTempDir tmp;
    WriteFilesImage(9, {{"a", "12"}});
    EXPECT_EQ(RunTool("list", {"img.001"}).out, "error: 'img.001': the payload ends inside an entry name");
}

}  // namespace
