// zrvtool medium and --version as an author runs them: the files of a medium and their bytes,
// exact output, refusals that leave nothing behind.
#include "EmbeddedPrograms.h"
#include "LauncherVersion.h"
#include "ProgramVersion.h"

#include "../common/RegistryScriptRun.h"
#include "../common/ToolRun.h"

#include <gtest/gtest.h>

#include <csignal>
#include <set>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace zrvtool;

namespace {

const std::string kScript = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\Demo]\r\n\"Path\"=\"%INSTALLPATH%\"\r\n";

// Setup.ini text with DiskImage and FreeSpace as given.
std::string Config(const std::string& diskImage, const std::string& freeSpace, const std::string& script = kScript)
{
    return "INSTALL4\r\n[Demo]\r\nAppDescription=A demo\r\nDiskImage=" + diskImage + "\r\nDefaultDir=C:\\Demo\r\nFreeSpace=" +
           freeSpace + "\r\n" + script;
}

void MakeSource()
{
    fs::create_directories("src/docs");
    WriteBytes("src/readme.txt", "Hello\r\n");
    WriteBytes("src/docs/guide.txt", std::string(3000, 'g'));
}

}  // namespace

TEST(MediumCli, MakesAWholeMedium)
{
    ScopedTempDir dir;
    MakeSource();
    WriteBytes("Setup.ini.txt", Config("demo.001", "1"));
    ToolRun r = Tool("medium Setup.ini.txt src out");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const EmbeddedProgram& setup = EmbeddedSetup(WindowsArch::x86);
    const EmbeddedProgram& uninstaller = EmbeddedUninstaller(WindowsArch::x86);
    uint64_t payload = 7 + 3000 + uninstaller.nSize;
    uint64_t compressed = fs::file_size("out/demo.001");
    EXPECT_EQ(r.out, "out: Setup.exe, Setup.ini and 1 volume demo.001\n"
                     "payload: 1 directories, 3 files (Uninstal.exe among them), " + std::to_string(payload) + " bytes\n"
                     "compressed: " + std::to_string(compressed) + " bytes in the volumes, block size 9\n"
                     "memory the installer needs to unpack: 5912000 bytes\n"
                     "programs: x86 (32-bit Windows)\n");
    EXPECT_EQ(Tree("."), "Setup.ini.txt out/ out/Setup.exe out/Setup.ini out/demo.001 src/ src/docs/ src/docs/guide.txt src/readme.txt");
    EXPECT_TRUE(ReadBytes("out/Setup.exe") == std::string(reinterpret_cast<const char*>(setup.pData), setup.nSize));
    EXPECT_EQ(ReadBytes("out/Setup.ini"), ChainSetupIni(Config("demo.001", "1")));

    ToolRun list = Tool("list out/demo.001");
    EXPECT_EQ(list.out, "dir             docs/\n"
                        "file  " + std::string(10 - std::to_string(uninstaller.nSize).size(), ' ') +
                            std::to_string(uninstaller.nSize) + "  Uninstal.exe\n"
                        "file        3000  docs/guide.txt\n"
                        "file           7  readme.txt\n"
                        "1 directories, 3 files, " + std::to_string(payload) + " bytes\n");
}

TEST(MediumCli, VolumesAreNamedAfterDiskImage)
{
    ScopedTempDir dir;
    MakeSource();
    WriteBytes("src/noise.bin", [] {
        std::string s(200000, '\0');
        uint32_t x = 1;
        for (char& c : s) c = char((x = x * 1103515245u + 12345u) >> 24);
        return s;
    }());
    WriteBytes("Setup.ini.txt", Config("disk\\img.098", "1"));
    fs::create_directory("out");  // an empty directory is taken over
    ToolRun r = Tool("medium Setup.ini.txt src out --volume-size 90000 --block-size 2 --no-uninstaller");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "out: Setup.exe, Setup.ini and 3 volumes disk/img.098 to disk/img.100");
    EXPECT_EQ(Tree("out"), "Setup.exe Setup.ini disk/ disk/img.098 disk/img.099 disk/img.100");
    EXPECT_NE(r.out.find("3 files, 203007 bytes\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("memory the installer needs to unpack: 1712000 bytes\n"), std::string::npos);
    EXPECT_EQ(Tool("verify out/disk/img.098").code, 0);
}

// Blocks above the default: the memory figure and a warning; any number of threads makes the same
// image.
TEST(MediumCli, LargeBlocksAreWarnedOfAndThreadsChangeNothing)
{
    ScopedTempDir dir;
    MakeSource();
    WriteBytes("Setup.ini.txt", Config("demo.001", "1"));
    ToolRun one = Tool("medium Setup.ini.txt src one --block-size 20 --threads 1");
    ASSERT_EQ(one.code, 0) << one.err;
    EXPECT_EQ(one.err, "zrvtool: warning: block size 20 makes the installer need 12512000 bytes of memory, more than "
                       "the 5912000 bytes of the default block size 9\n");
    EXPECT_NE(one.out.find("memory the installer needs to unpack: 12512000 bytes\n"), std::string::npos) << one.out;
    ToolRun three = Tool("medium Setup.ini.txt src three --block-size 20 --threads 3");
    ASSERT_EQ(three.code, 0) << three.err;
    EXPECT_TRUE(ReadBytes("one/demo.001") == ReadBytes("three/demo.001"));
}

TEST(MediumCli, WarnsOfTooLittleFreeSpaceAndOfPitfalls)
{
    ScopedTempDir dir;
    MakeSource();
    WriteBytes("src/big.bin", std::string(1048577, 'b'));
    WriteBytes("Setup.ini.txt", Config("demo.001", "1", kScript + ";done\r\n"));
    ToolRun r = Tool("medium Setup.ini.txt src out --no-uninstaller");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "Setup.ini.txt:10: warning: a ; comment ends the script here: begin comments with #\n"
                     "Setup.ini.txt:6: warning: FreeSpace=1 is below the 2 MB that the payload takes unpacked: put FreeSpace=2\n");
}

TEST(MediumCli, RefusalsLeaveNothingBehind)
{
    struct Case {
        const char* pszWhat;
        std::string config;
        const char* pszArgs;
        const char* pszErr;
    } cases[] = {
        {"a failing script", Config("demo.001", "1", kScript + "\"Bad\"=DWORD:1\r\n"), "",
         "Setup.ini.txt:10: warning: the type fails the script: write dword: and hex: in lower case\n"
         "Setup.ini.txt:10: error: the registry script fails here: the value is neither a quoted string nor hex: nor "
         "dword:; nothing after it is applied, and the installation ends failed (exit code 2) with the product "
         "registered all the same\n"
         "zrvtool: Setup.ini.txt: the installer would not work with it; nothing is written\n"},
        {"settings the installer refuses", "INSTALL4\r\n[Demo]\r\n", "",
         "Setup.ini.txt: error: the text ends before four key lines were read (a value without its closing quote, "
         "or a last line without CR LF, does not count)\n"
         "zrvtool: Setup.ini.txt: the installer would not work with it; nothing is written\n"},
        {"an absolute image path", Config("D:\\demo.001", "1"), "",
         "zrvtool: Setup.ini.txt: DiskImage=D:\\demo.001: a medium holds its image beside Setup.exe: give a relative path\n"},
        {"an image without a volume number", Config("demo.img", "1"), "",
         "zrvtool: Setup.ini.txt: DiskImage=demo.img: the name must end in a three-digit volume number, such as demo.001\n"},
        {"an image path that climbs", Config("..\\demo.001", "1"), "",
         "zrvtool: Setup.ini.txt: DiskImage=..\\demo.001: every part of the path must be a name (no empty part, . or ..)\n"},
        {"an output directory in use", Config("demo.001", "1"), "--in-use",
         "zrvtool: 'out': exists and is not an empty directory; nothing is written\n"},
        {"a source tree that cannot be packed", Config("demo.001", "1"), "--bad-name",
         "zrvtool: 'CON.txt': the installer refuses this name (device name as path component)\n"},
        {"volumes too small", Config("demo.001", "1"), "--volume-size 12",
         "zrvtool: --volume-size must be more than 12 bytes (the volume header)\n"},
        {"an unknown option", Config("demo.001", "1"), "--fast",
         "zrvtool: unknown option '--fast'\n"},
        {"a block size past the format's byte", Config("demo.001", "1"), "--block-size 256",
         "zrvtool: --block-size must be 1 to 255, not '256'\n"},
        {"no threads", Config("demo.001", "1"), "--threads 0", "zrvtool: --threads must be 1 to 256, not '0'\n"},
        {"an architecture not built", Config("demo.001", "1"), "--arch arm64",
         "zrvtool: --arch 'arm64': give x86 (32-bit Windows, the default) or x64 (64-bit Windows)\n"},
        {"a shortcut to a file the tree lacks", Config("demo.001", "1", "Shortcut=Run|docs\\run.exe\r\n" + kScript), "",
         "Setup.ini.txt:7: error: the shortcut's target 'docs\\run.exe' is not a file of 'src'\n"
         "zrvtool: Setup.ini.txt: the installer would not work with it; nothing is written\n"},
        {"a shortcut to Uninstal.exe when it is left out",
         Config("demo.001", "1", "Shortcut=Remove|Uninstal.exe\r\n" + kScript), "--no-uninstaller",
         "Setup.ini.txt:7: error: the shortcut's target 'Uninstal.exe' is not a file of 'src'\n"
         "zrvtool: Setup.ini.txt: the installer would not work with it; nothing is written\n"},
        {"an output folder below a file", Config("demo.001", "1"), "--below-file",
         "zrvtool: 'Setup.ini.txt/out': cannot be made: 'Setup.ini.txt' is not a folder; nothing is written\n"},
        {"a bundle below a file", Config("demo.001", "1"), "--bundle Setup.ini.txt/b.exe",
         "zrvtool: 'Setup.ini.txt/b.exe': cannot be made: 'Setup.ini.txt' is not a folder; nothing is written\n"},
        {"UTF-8 that the code page cannot hold, Windows-1252 fixed", Config("demo.001", "1", "Publisher=\xce\xa9mega\r\n" + kScript),
         "--code-page 1252",
         "zrvtool: Setup.ini.txt:7: the line holds a character that the installer's code page (Windows-1252) lacks\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        // On Windows CON.txt is the console, never a file of a tree.
        if (LinuxToolOnly(c.pszWhat, {"a source tree that cannot be packed"})) continue;
        ScopedTempDir dir;
        MakeSource();
        WriteBytes("Setup.ini.txt", c.config);
        std::string args = c.pszArgs;
        if (args == "--in-use") {
            fs::create_directory("out");
            WriteBytes("out/keep.txt", "mine");
            args = "";
        } else if (args == "--bad-name") {
            WriteBytes("src/CON.txt", "x");
            args = "";
        }
        std::string out = "out";
        if (args == "--below-file") {
            out = "Setup.ini.txt/out";
            args = "";
        }
        std::string before = Tree(".");
        ToolRun r = Tool("medium Setup.ini.txt src " + out + " " + args);
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err, c.pszErr);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(Tree("."), before);
    }
}

// A plain text in UTF-8 is stored in the installer's code page; the extension lines go with it.
TEST(MediumCli, StoresUtf8TextInTheCodePage)
{
    ScopedTempDir dir;
    MakeSource();
    const std::string ext = "Shortcut=Lisez-moi|readme.txt\r\nShortcut=Remove|Uninstal.exe\r\nPublisher=Nex";
    // A shortcut to an accented file: the tree names it in UTF-8, the stored text in Windows-1252.
    WriteBytes("src/caf\xc3\xa9.txt", "x");
    WriteBytes("Setup.ini.txt", Config("demo.001", "1", "Shortcut=Caf\xc3\xa9|caf\xc3\xa9.txt\r\n" + ext + "\xc3\xa1l\r\n" + kScript));
    ToolRun r = Tool("medium Setup.ini.txt src out");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "Setup.ini.txt: note: the text is UTF-8; stored converted to Windows-1252\n");
    EXPECT_EQ(ReadBytes("out/Setup.ini"),
              ChainSetupIni(Config("demo.001", "1", "Shortcut=Caf\xe9|caf\xe9.txt\r\n" + ext + "\xe1l\r\n" + kScript)));
}

TEST(MediumCli, VersionNamesTheCarriedProgramsOfBothArchitectures)
{
    ScopedTempDir dir;
    ToolRun r = Tool("--version");
    EXPECT_EQ(r.code, 0);
    ASSERT_EQ(r.out.substr(0, r.out.find('\n')), "zrvtool v0.9");
    for (WindowsArch arch : {WindowsArch::x86, WindowsArch::x64}) {
        for (const EmbeddedProgram* p : {&EmbeddedSetup(arch), &EmbeddedUninstaller(arch), &EmbeddedLauncher(arch)}) {
            SCOPED_TRACE(std::string(p->pszName) + " " + ArchName(arch));
            // Each slot holds a program whose own header names the slot's machine.
            ASSERT_NE(p->pData, nullptr);
            EXPECT_EQ(MachineOf(p->pData, p->nSize), arch);
            std::string line = "\n" + std::string(p->pszName) + " (" + ArchName(arch) + "): v0.9, " +
                               std::to_string(p->nSize) + " bytes, CRC ";
            EXPECT_NE(r.out.find(line), std::string::npos) << r.out;
        }
    }
}

// A medium is all of one machine: Setup.exe, the Uninstal.exe in its image and the launcher of its
// bundle, as their own headers say.
TEST(MediumCli, ArchitectureChoosesEveryProgram)
{
    struct Case {
        const char* pszArgs;
        WindowsArch arch;
    } cases[] = {{"", WindowsArch::x86}, {"--arch x86", WindowsArch::x86}, {"--arch x64", WindowsArch::x64}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszArgs);
        ScopedTempDir dir;
        MakeSource();
        WriteBytes("Setup.ini.txt", Config("demo.001", "1"));
        ToolRun r = Tool(std::string("medium Setup.ini.txt src out --bundle app.exe ") + c.pszArgs);
        ASSERT_EQ(r.code, 0) << r.err;
        ASSERT_EQ(Tool("extract out/demo.001 payload").code, 0);
        EXPECT_EQ(MachineOfFile("out/Setup.exe"), c.arch);
        EXPECT_EQ(MachineOfFile("payload/Uninstal.exe"), c.arch);
        EXPECT_NE(Tool("ini check out/Setup.ini").out.find(std::string("\nSetup.exe beside it: ") + ArchName(c.arch) + " ("),
                  std::string::npos);
        const EmbeddedProgram& p = EmbeddedLauncher(c.arch);
        std::string launcher = WithProductVersion(std::string(reinterpret_cast<const char*>(p.pData), p.nSize), {"Demo", "", ""});
        EXPECT_EQ(ReadBytes("app.exe").compare(0, launcher.size(), launcher), 0);
        // The bundle command finds the launcher from the medium's Setup.exe alone.
        ToolRun bundle = Tool("bundle out again.exe");
        ASSERT_EQ(bundle.code, 0) << bundle.err;
        EXPECT_EQ(MachineOfFile("again.exe"), c.arch);
        EXPECT_NE(bundle.out.find(std::string(", for ") + ArchName(c.arch) + "\n"), std::string::npos) << bundle.out;
    }
}

TEST(MediumCli, AnInterruptLeavesNothingBehind)
{
    ScopedTempDir dir;
    MakeSource();
    std::string noise(24 << 20, '\0');
    uint32_t x = 7;
    for (char& c : noise) c = char((x = x * 1103515245u + 12345u) >> 24);
    WriteBytes("src/noise.bin", noise);
    WriteBytes("Setup.ini.txt", Config("demo.001", "30"));
    std::string before = Tree(".");
    pid_t pid = fork();
    if (pid == 0) {
        std::string cmd = std::string("exec ") + ZRVTOOL + " medium Setup.ini.txt src out >cli.out 2>cli.err";
        execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // Once the first volume has begun in the hidden folder, the medium is half made.
    bool begun = false;
    for (int i = 0; i < 20000 && !begun; ++i) {
        try {
            for (auto& e : fs::recursive_directory_iterator(".")) {
                std::string name = e.path().generic_string();
                if (name.find("/.out.tmp") != std::string::npos && name.find("demo.001") != std::string::npos) begun = true;
            }
        } catch (const fs::filesystem_error&) {
            // an entry came or went while the folder was read; look again
        }
        if (!begun) usleep(1000);
    }
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(begun) << "the medium was never begun";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130) << "128 + SIGINT, as a shell reports it";
    EXPECT_EQ(ReadBytes("cli.err"), "zrvtool: interrupted\n");
    fs::remove("cli.out");
    fs::remove("cli.err");
    EXPECT_EQ(Tree("."), before);
}
