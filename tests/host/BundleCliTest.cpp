// zrvtool bundle and medium --bundle as an author runs them: the bundle's contents read back as the
// launcher reads them, refusals that leave nothing behind, and signing with a real certificate.
#include "BundleFormat.h"
#include "Crc32.h"
#include "EmbeddedPrograms.h"
#include "LauncherVersion.h"
#include "ProgramVersion.h"

#include "../common/ToolRun.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>

namespace fs = std::filesystem;
using namespace zrvtool;

namespace {

std::string Config(const std::string& diskImage)
{
    return "INSTALL4\r\n[Demo]\r\nAppDescription=A demo\r\nDiskImage=" + diskImage +
           "\r\nDefaultDir=C:\\Demo\r\nFreeSpace=1\r\nREGEDIT4\r\n";
}

// A source tree whose image takes three volumes of 40k.
void MakeSource()
{
    fs::create_directories("src/docs");
    WriteBytes("src/readme.txt", "Hello\r\n");
    std::mt19937 rng(5);
    std::string noise(90000, '\0');
    for (char& ch : noise) ch = char(rng());
    WriteBytes("src/docs/noise.bin", noise);
}

// The bundle's files by name and content, as the launcher finds them; empty when it finds none.
std::vector<std::pair<std::string, std::string>> Unbundle(const std::string& bytes)
{
    zrv::BundleRead read = [&bytes](uint32_t offset, void* buf, uint32_t n) {
        if (offset > bytes.size() || n > bytes.size() - offset) return false;
        std::memcpy(buf, bytes.data() + offset, n);
        return true;
    };
    std::vector<zrv::BundleEntry> entries;
    std::vector<std::pair<std::string, std::string>> files;
    if (zrv::ReadBundleTable(read, uint32_t(bytes.size()), entries) != zrv::BundleFault::none) return files;
    for (const zrv::BundleEntry& e : entries) {
        std::string data = bytes.substr(e.nOffset, e.nSize);
        EXPECT_EQ(zrv::Crc32(data.data(), data.size()), e.nCrc) << e.strName;
        files.emplace_back(e.strName, data);
    }
    return files;
}

// The volumes in folder, in order.
std::vector<std::string> Volumes(const fs::path& folder)
{
    std::set<std::string> names;
    for (auto& e : fs::directory_iterator(folder))
        if (e.path().extension() != ".exe" && e.path().extension() != ".ini") names.insert(e.path().filename().string());
    return {names.begin(), names.end()};
}

std::string Launcher()
{
    const EmbeddedProgram& p = EmbeddedLauncher(WindowsArch::x86);
    return std::string(reinterpret_cast<const char*>(p.pData), p.nSize);
}

}  // namespace

TEST(BundleCli, HoldsTheWholeMediumBehindTheLauncher)
{
    ScopedTempDir dir;
    ASSERT_NE(EmbeddedLauncher(WindowsArch::x86).pData, nullptr);
    MakeSource();
    WriteBytes("Setup.ini.txt", Config("disk\\demo.001"));
    ASSERT_EQ(Tool("medium Setup.ini.txt src out --volume-size 40k").code, 0);
    ToolRun r = Tool("bundle out app.exe");
    ASSERT_EQ(r.code, 0) << r.err;
    std::string bytes = ReadBytes("app.exe");
    std::vector<std::string> volumes = Volumes("out/disk");
    ASSERT_GE(volumes.size(), 3u);
    EXPECT_EQ(r.out, "app.exe: Setup.exe, Setup.ini and " + std::to_string(volumes.size()) +
                         " volumes in one program of " + std::to_string(bytes.size()) + " bytes, for x86\n");
    // The launcher comes first, its version information naming the product.
    std::string launcher = zrvtool::WithProductVersion(Launcher(), {"Demo", "", ""});
    EXPECT_EQ(bytes.compare(0, launcher.size(), launcher), 0);
    std::vector<std::pair<std::string, std::string>> expected = {{"Setup.exe", ReadBytes("out/Setup.exe")},
                                                                 {"Setup.ini", ReadBytes("out/Setup.ini")}};
    for (const std::string& v : volumes) expected.emplace_back("disk\\" + v, ReadBytes("out/disk/" + v));
    EXPECT_TRUE(Unbundle(bytes) == expected);

    // Made directly, with or without the medium's folder, the bundle is the same program.
    ToolRun direct = Tool("medium Setup.ini.txt src --volume-size 40k --bundle direct.exe");
    ASSERT_EQ(direct.code, 0) << direct.err;
    EXPECT_NE(direct.out.find("\nbundle: direct.exe, " + std::to_string(bytes.size()) + " bytes\n"), std::string::npos)
        << direct.out;
    EXPECT_TRUE(ReadBytes("direct.exe") == bytes);
    ASSERT_EQ(Tool("medium Setup.ini.txt src both --volume-size 40k --bundle both.exe").code, 0);
    EXPECT_TRUE(ReadBytes("both.exe") == bytes);
    EXPECT_TRUE(ReadBytes("both/disk/demo.002") == ReadBytes("out/disk/demo.002"));
    EXPECT_EQ(Tree("both"), Tree("out"));
    // Nothing else is left: no medium made for the bundle alone, no temporary file.
    std::set<std::string> top;
    for (auto& e : fs::directory_iterator(".")) top.insert(e.path().filename().string());
    EXPECT_TRUE(top == std::set<std::string>({"Setup.ini.txt", "app.exe", "both", "both.exe", "direct.exe", "out", "src"}))
        << Tree(".");
}

TEST(BundleCli, RefusesAndLeavesNothing)
{
    struct Case {
        const char* what;
        const char* diskImage;
        const char* setup;  // a shell command run in the medium's folder "out" first
        const char* args;
        const char* lastLine;  // the last line on stderr
        const char* altered = nullptr;  // a file of "out" with every bit of its byte 500 inverted
    };
    const Case cases[] = {
        {"no Setup.exe", "demo.001", "rm Setup.exe", "bundle out app.exe",
         "zrvtool: 'out': has no Setup.exe (the installer); not a medium, nothing is written"},
        {"no Setup.ini", "demo.001", "rm Setup.ini", "bundle out app.exe",
         "zrvtool: 'out': has no Setup.ini (its settings); not a medium, nothing is written"},
        {"a volume missing", "demo.001", "rm demo.002", "bundle out app.exe",
         "zrvtool: 'out/demo.001': the image is incomplete or damaged; nothing is written"},
        {"a volume altered", "demo.001", "", "bundle out app.exe",
         "zrvtool: 'out/demo.001': the image is incomplete or damaged; nothing is written", "demo.002"},
        {"the first volume missing", "demo.001", "rm demo.001", "bundle out app.exe",
         "zrvtool: 'out/demo.001': the image's first volume is missing; nothing is written"},
        {"not a folder", "demo.001", "", "bundle nowhere app.exe", "zrvtool: 'nowhere': not a directory"},
        {"a Setup.exe that is no program", "demo.001", "echo text >Setup.exe", "bundle out app.exe",
         "zrvtool: 'out/Setup.exe': not a 32-bit or 64-bit Windows program; nothing is written"},
        {"an image two folders down", "a\\b\\demo.001", "", "medium Setup.ini.txt src --bundle app.exe",
         "zrvtool: Setup.ini.txt: DiskImage=a\\b\\demo.001: a bundle holds the image beside Setup.exe or one folder "
         "below it"},
        {"medium with neither output", "demo.001", "", "medium Setup.ini.txt src",
         "zrvtool: medium: give OUT_DIR, --bundle OUT.exe or both"},
        {"an unknown option", "demo.001", "", "bundle out app.exe --fast", "zrvtool: unknown option '--fast'"},
        {"a sign command without its files", "demo.001", "", "bundle out app.exe --sign 'sign it'",
         "zrvtool: --sign: the command must name the file with {} (signed in place) or with {in} and {out}"},
        {"a failing sign command", "demo.001", "", "bundle out app.exe --sign 'false {}'",
         "zrvtool: --sign: the command failed (exit code 1) signing Setup.exe; nothing is written"},
        {"a sign command failing on the bundle", "demo.001", "",
         "bundle out app.exe --sign 'case {in} in *Setup*) cp {in} {out};; *) exit 4;; esac'",
         "zrvtool: --sign: the command failed (exit code 4) signing the bundle app.exe; nothing is written"},
        {"a sign command failing in medium", "demo.001", "", "medium Setup.ini.txt src new --bundle app.exe --sign 'true {}; false'",
         "zrvtool: --sign: the command failed (exit code 1) signing Uninstal.exe; nothing is written"},
        {"a sign command leaving no file", "demo.001", "", "medium Setup.ini.txt src new --bundle app.exe --sign 'echo {in} {out}'",
         "zrvtool: --sign: the command left no signed file (or an empty one) signing Uninstal.exe; nothing is written"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (LinuxToolOnly(c.what, {"a failing sign command", "a sign command failing on the bundle",
                                   "a sign command failing in medium", "a sign command leaving no file"}))
            continue;
        ScopedTempDir dir;
        MakeSource();
        WriteBytes("Setup.ini.txt", Config(c.diskImage));
        if (std::strchr(c.diskImage, '\\') == nullptr) {
            ASSERT_EQ(Tool("medium Setup.ini.txt src out --volume-size 40k").code, 0);
            if (*c.setup) {
                ASSERT_EQ(std::system((std::string("cd out && ") + c.setup).c_str()), 0);
            }
            if (c.altered) {
                // Inverted, not overwritten: a byte written over it could be the one already there.
                std::string bytes = ReadBytes(fs::path("out") / c.altered);
                bytes.at(500) = char(bytes.at(500) ^ 0xFF);
                WriteBytes(fs::path("out") / c.altered, bytes);
            }
        }
        std::string before = Tree(".");
        ToolRun r = Tool(c.args);
        EXPECT_EQ(r.code, 1);
        std::string err = r.err.substr(0, r.err.size() - 1);
        EXPECT_EQ(err.substr(err.rfind('\n') + 1), ToolPath(c.lastLine)) << r.err;
        EXPECT_EQ(Tree("."), before);
    }
}

// A throwaway code-signing certificate; osslsigncode signs with it and checks every program
// that goes out, and the launcher still finds the medium in the signed bundle.
TEST(BundleCli, SignsEveryProgramThatGoesOut)
{
    if (kWindowsTool) GTEST_SKIP() << "a /bin/sh command line; tool-signing.sh signs with zrvtool.exe";
    ScopedTempDir dir;
    MakeSource();
    WriteBytes("Setup.ini.txt", Config("demo.001"));
    ASSERT_EQ(std::system("openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 "
                          "-subj '/CN=Zorvan Test Signer' -addext extendedKeyUsage=codeSigning >/dev/null 2>&1 && "
                          "openssl pkcs12 -export -out key.pfx -inkey key.pem -in cert.pem -passout pass:pw >/dev/null 2>&1"),
              0);
    ToolRun r = Tool("medium Setup.ini.txt src out --volume-size 40k --bundle app.exe "
                     "--sign 'osslsigncode sign -pkcs12 key.pfx -pass pw -in {in} -out {out} >/dev/null'");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find(" bytes, signed\n"), std::string::npos) << r.out;
    ASSERT_EQ(Tool("extract out/demo.001 x").code, 0);
    for (const char* program : {"out/Setup.exe", "x/Uninstal.exe", "app.exe"}) {
        SCOPED_TRACE(program);
        std::string verify = std::string("osslsigncode verify -CAfile cert.pem -in ") + program + " >verify.log 2>&1";
        EXPECT_EQ(std::system(verify.c_str()), 0) << ReadBytes("verify.log");
    }
    std::vector<std::pair<std::string, std::string>> files = Unbundle(ReadBytes("app.exe"));
    ASSERT_EQ(files.size(), 2 + Volumes("out").size());
    EXPECT_TRUE(files[0].second == ReadBytes("out/Setup.exe"));
    EXPECT_TRUE(files[3].second == ReadBytes("out/demo.002"));

    // An unsigned program is refused by the same check: the test cannot pass by accident.
    EXPECT_NE(std::system("osslsigncode verify -CAfile cert.pem -in src/readme.txt >/dev/null 2>&1"), 0);

    // bundle signs the medium's Setup.exe in its copy only, in place with {}.
    ASSERT_EQ(Tool("medium Setup.ini.txt src plain").code, 0);
    std::string plainSetup = ReadBytes("plain/Setup.exe");
    ToolRun again = Tool("bundle plain again.exe --sign 'osslsigncode sign -pkcs12 key.pfx -pass pw -in {} -out {}.s "
                         ">/dev/null && mv {}.s {}'");
    ASSERT_EQ(again.code, 0) << again.err;
    EXPECT_EQ(std::system("osslsigncode verify -CAfile cert.pem -in again.exe >/dev/null 2>&1"), 0);
    files = Unbundle(ReadBytes("again.exe"));
    ASSERT_EQ(files.size(), 3u);
    EXPECT_TRUE(ReadBytes("plain/Setup.exe") == plainSetup);
    EXPECT_FALSE(files[0].second == plainSetup);
    EXPECT_NE(std::system("cp plain/Setup.exe s.exe && osslsigncode verify -CAfile cert.pem -in s.exe >/dev/null 2>&1"), 0);
}

// verify and list read the image a bundle carries; a bundle cut short or altered is named as such,
// and nothing of the unpacking is left in the temporary folder.
TEST(BundleCli, VerifyAndListReadABundle)
{
    ScopedTempDir dir;
    MakeSource();
    WriteBytes("Setup.ini.txt", Config("disk\\demo.001"));
    ASSERT_EQ(Tool("medium Setup.ini.txt src out --volume-size 40k --bundle app.exe").code, 0);
    std::string bytes = ReadBytes("app.exe");
    size_t volumes = Volumes("out/disk").size();
    std::string volume1 = ReadBytes("out/disk/demo.001");
    size_t at = bytes.find(volume1.substr(0, 4096));  // inside the first volume's data
    ASSERT_NE(at, std::string::npos);
    std::string altered = bytes;
    altered[at + 2000] = char(altered[at + 2000] ^ 1);
    struct Case {
        const char* what;
        std::string bundle;
        int nCode;
        std::string err;
    } cases[] = {
        {"whole", bytes, 0, ""},
        {"cut short by one byte", bytes.substr(0, bytes.size() - 1), 1,
         "zrvtool: 'b.exe': a program that carries no complete medium (a bundle cut short?)\n"},
        {"a byte of a volume changed", altered, 1,
         "zrvtool: 'b.exe': 'disk\\demo.001' does not match its CRC-32: the bundle is damaged\n"},
    };
    std::string tmp = fs::temp_directory_path().string();
    auto leftovers = [&tmp] {
        size_t n = 0;
        for (auto& e : fs::directory_iterator(tmp)) n += e.path().filename().string().rfind("zrvtool-bundle-", 0) == 0;
        return n;
    };
    size_t before = leftovers();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes("b.exe", c.bundle);
        ToolRun verify = Tool("verify b.exe");
        EXPECT_EQ(verify.code, c.nCode);
        EXPECT_EQ(verify.err, c.err);
        ToolRun list = Tool("list b.exe");
        EXPECT_EQ(list.code, c.nCode);
        EXPECT_EQ(list.err, c.err);
        if (c.nCode == 0) {
            EXPECT_EQ(verify.out.rfind("b.exe: OK, ", 0), 0u) << verify.out;
            EXPECT_NE(verify.out.find(" in " + std::to_string(volumes) + " volumes\n"), std::string::npos) << verify.out;
            EXPECT_EQ(list.out, Tool("list out/disk/demo.001").out);
        }
        EXPECT_EQ(leftovers(), before) << "the unpacked medium is left in " << tmp;
    }
}

// The tool's progress: on a terminal (a pseudo-terminal made by script(1)) a bar with the
// throughput for each long command; in a pipe, nothing of it.
TEST(BundleCli, ProgressOnlyOnATerminal)
{
    if (kWindowsTool) GTEST_SKIP() << "a Linux pseudo-terminal";
    ScopedTempDir dir;
    MakeSource();
    WriteBytes("Setup.ini.txt", Config("demo.001"));
    ASSERT_EQ(Tool("medium Setup.ini.txt src m0").code, 0);
    const char* commands[] = {"pack src p.001", "medium Setup.ini.txt src m1", "bundle m0 b.exe", "verify p.001", "verify b.exe"};
    for (bool bTerminal : {true, false}) {
        fs::remove_all("m1");
        fs::remove("p.001");
        fs::remove("b.exe");
        for (const char* command : commands) {
            SCOPED_TRACE(std::string(command) + (bTerminal ? " on a terminal" : " in a pipe"));
            if (!bTerminal) {
                ToolRun piped = Tool(command);
                EXPECT_EQ(piped.code, 0) << piped.err;
                EXPECT_EQ(piped.err.find("MB"), std::string::npos) << piped.err;
                continue;
            }
            std::string cmd = "script -qec '" + std::string(ZRVTOOL) + " " + command + "' /dev/null >tty.out 2>&1 </dev/null";
            ASSERT_EQ(std::system(cmd.c_str()), 0) << ReadBytes("tty.out");
            std::string tty = ReadBytes("tty.out");
            EXPECT_NE(tty.find(" MB/s"), std::string::npos) << tty;
            EXPECT_NE(tty.find("\r\033[K"), std::string::npos) << "the bar is wiped at the end";
        }
    }
}

// The bundle's version information names the product of its medium, in the code page's letters,
// and no longer the launcher's own name; the program is still one that signing tools accept.
TEST(BundleCli, VersionInformationNamesTheProduct)
{
    ScopedTempDir dir;
    MakeSource();
    auto utf16 = [](const std::string& latin1) {
        std::string out;
        for (char ch : latin1) out += ch, out += '\0';
        return out;
    };
    struct Case {
        const char* extra;     // extension lines
        const char* version;   // the ProductVersion found, "" for none
    } cases[] = {{"DisplayVersion=2.1.3 beta\r\nPublisher=Nexal\r\n", "2.1.3 beta"}, {"", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extra);
        std::string config = Config("demo.001");
        config.replace(config.find("[Demo]"), 6, "[Caf\xe9 Demo]");
        config.insert(config.find("REGEDIT4"), c.extra);
        WriteBytes("Setup.ini.txt", config);
        fs::remove("v.exe");
        ToolRun r = Tool("medium Setup.ini.txt src --bundle v.exe");
        ASSERT_EQ(r.code, 0) << r.err;
        std::string bytes = ReadBytes("v.exe");
        // The launcher is what precedes the first file of the table.
        zrv::BundleRead read = [&bytes](uint32_t offset, void* buf, uint32_t n) {
            if (offset > bytes.size() || n > bytes.size() - offset) return false;
            std::memcpy(buf, bytes.data() + offset, n);
            return true;
        };
        std::vector<zrv::BundleEntry> entries;
        ASSERT_EQ(zrv::ReadBundleTable(read, uint32_t(bytes.size()), entries), zrv::BundleFault::none);
        std::string launcher = bytes.substr(0, entries[0].nOffset);
        EXPECT_EQ(zrvtool::ProductVersionOf(reinterpret_cast<const unsigned char*>(launcher.data()), launcher.size()), c.version);
        EXPECT_NE(launcher.find(utf16("Caf\xe9 Demo Setup")), std::string::npos);
        EXPECT_EQ(launcher.find(utf16("Zorvan Installation System")), std::string::npos);
        EXPECT_EQ(Tool("verify v.exe").code, 0);
    }
}
