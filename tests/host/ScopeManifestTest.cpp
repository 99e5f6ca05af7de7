// The programs a medium ships, read back from what zrvtool wrote: Setup.exe, the Uninstal.exe in
// the payload and a bundle's launcher ask for administrator rights for a product installed for
// every user, and run as the invoker for one that may be installed for one user; each stays the
// same Windows program, of the same size.
#include "BundleFormat.h"
#include "EmbeddedPrograms.h"
#include "SetupText.h"
#include "ProgramManifest.h"
#include "ProgramVersion.h"
#include "ToolCommon.h"

#include "../common/ToolRun.h"

#include <gtest/gtest.h>

#include <cstring>

namespace fs = std::filesystem;
using namespace zrvtool;

namespace {

const std::string kAsAdministrator = "level=\"requireAdministrator\"";
const std::string kAsInvoker = "level=\"asInvoker\"" + std::string(11, ' ');  // padded to the same length

std::string Config(const std::string& extension, const std::string& script = "REGEDIT4\r\n")
{
    return "INSTALL4\r\n[Demo]\r\nAppDescription=A demo\r\nDiskImage=demo.001\r\nDefaultDir=C:\\Demo\r\nFreeSpace=1\r\n" +
           extension + script;
}

std::string Bytes(const EmbeddedProgram& p) { return std::string(reinterpret_cast<const char*>(p.pData), p.nSize); }

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The program at the start of a bundle: what precedes the first file of its table.
std::string LauncherOf(const std::string& bundle)
{
    zrv::BundleRead read = [&bundle](uint32_t offset, void* buf, uint32_t n) {
        if (offset > bundle.size() || n > bundle.size() - offset) return false;
        std::memcpy(buf, bundle.data() + offset, n);
        return true;
    };
    std::vector<zrv::BundleEntry> entries;
    if (zrv::ReadBundleTable(read, uint32_t(bundle.size()), entries) != zrv::BundleFault::none) return "";
    return bundle.substr(0, entries[0].nOffset);
}

// A shipped program against the one the tool carries: the same machine, the manifest asking for
// what is expected, and for a same-size copy, nothing changed but the level attribute.
void ExpectProgram(const std::string& what, const std::string& shipped, const std::string& carried, WindowsArch arch,
                   bool bAsInvoker, bool bSameSize)
{
    SCOPED_TRACE(what);
    std::optional<WindowsArch> machine = MachineOf(reinterpret_cast<const unsigned char*>(shipped.data()), shipped.size());
    ASSERT_TRUE(machine.has_value());
    EXPECT_EQ(*machine, arch);
    std::string manifest = ManifestOf(shipped, what);
    EXPECT_EQ(Count(manifest, kAsAdministrator), bAsInvoker ? 0u : 1u) << manifest;
    EXPECT_EQ(Count(manifest, kAsInvoker + " uiAccess=\"false\"/>"), bAsInvoker ? 1u : 0u) << manifest;
    // No copy of the old manifest left anywhere in the program either.
    if (bAsInvoker) {
        EXPECT_EQ(Count(shipped, kAsAdministrator), 0u);
    }
    if (!bSameSize) return;
    ASSERT_EQ(shipped.size(), carried.size());
    // Only the level attribute changed, and the header's checksum when the program has one.
    size_t at = carried.find(kAsAdministrator);
    size_t checksum = zrv::PeHeaderOffset(reinterpret_cast<const unsigned char*>(carried.data()), carried.size()) + 24 + 64;
    size_t nDiffer = 0;
    for (size_t i = 0; i < shipped.size(); ++i) {
        if (shipped[i] == carried[i]) continue;
        ++nDiffer;
        bool bAttribute = i >= at && i < at + kAsAdministrator.size();
        bool bChecksum = i >= checksum && i < checksum + 4;
        EXPECT_TRUE(bAsInvoker && (bAttribute || bChecksum)) << "byte " << i << " changed";
    }
    EXPECT_EQ(nDiffer > 0, bAsInvoker);
    if (bAsInvoker) {
        EXPECT_EQ(shipped.compare(at, kAsInvoker.size(), kAsInvoker), 0);
    }
}

}  // namespace

// The manifest the tool reads is the resource the build put in.
TEST(ScopeManifest, ReadsTheManifestTheProgramsWereBuiltWith)
{
    std::string manifest = ReadBytes(fs::path(ZRV_SOURCE_DIR) / "res" / "Program.manifest");
    ASSERT_FALSE(manifest.empty());
    for (WindowsArch arch : {WindowsArch::x86, WindowsArch::x64})
        for (const EmbeddedProgram* p : {&EmbeddedSetup(arch), &EmbeddedUninstaller(arch), &EmbeddedLauncher(arch)}) {
            SCOPED_TRACE(std::string(p->pszName) + " " + ArchName(arch));
            ASSERT_NE(p->pData, nullptr);
            EXPECT_EQ(ManifestOf(Bytes(*p), p->pszName), manifest);
        }
}

TEST(ScopeManifest, EachScopeShipsItsPrograms)
{
    ScopedTempDir dir;
    fs::create_directories("src");
    WriteBytes("src/readme.txt", "Hello\r\n");
    struct Case {
        const char* pszLine;  // the Scope line, "" for none
        bool bAsInvoker;
    } cases[] = {{"", false}, {"Scope=machine\r\n", false}, {"Scope=user\r\n", true},
                 {"Scope=either\r\n", true}, {"Scope=either|user\r\n", true}, {"Scope=either|machine\r\n", true}};
    for (WindowsArch arch : {WindowsArch::x86, WindowsArch::x64}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(ArchName(arch)) + " " + c.pszLine);
            fs::remove_all("out");
            fs::remove_all("x");
            fs::remove("direct.exe");
            fs::remove("app.exe");
            WriteBytes("Setup.ini.txt", Config(c.pszLine));
            ToolRun r = Tool(std::string("medium Setup.ini.txt src out --bundle direct.exe --arch ") + ArchName(arch));
            ASSERT_EQ(r.code, 0) << r.err;
            ExpectProgram("Setup.exe", ReadBytes("out/Setup.exe"), Bytes(EmbeddedSetup(arch)), arch, c.bAsInvoker, true);
            ASSERT_EQ(Tool("extract out/demo.001 x").code, 0);
            ExpectProgram("Uninstal.exe", ReadBytes("x/Uninstal.exe"), Bytes(EmbeddedUninstaller(arch)), arch,
                          c.bAsInvoker, true);
            // The launcher gets the product's version information too, so it grows.
            std::string bundle = ReadBytes("direct.exe");
            ExpectProgram("the launcher", LauncherOf(bundle), Bytes(EmbeddedLauncher(arch)), arch, c.bAsInvoker, false);
            // A bundle made later from the medium is the same program.
            ToolRun later = Tool("bundle out app.exe");
            ASSERT_EQ(later.code, 0) << later.err;
            EXPECT_TRUE(ReadBytes("app.exe") == bundle);
        }
    }
}

// Signing comes after the change: the signing command is given the program that runs as the invoker.
TEST(ScopeManifest, SigningSeesTheProgramAsItShips)
{
    ScopedTempDir dir;
    fs::create_directories("src");
    WriteBytes("src/readme.txt", "Hello\r\n");
    WriteBytes("Setup.ini.txt", Config("Scope=user\r\n"));
    // The signing stand-in copies only a program whose manifest was already changed.
    ToolRun r = Tool("medium Setup.ini.txt src out --bundle app.exe --sign \"grep -q asInvoker {in} && cp {in} {out}\"");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find(", signed\n"), std::string::npos) << r.out;
    WriteBytes("Setup.ini.txt", Config(""));
    r = Tool("medium Setup.ini.txt src machine --sign \"grep -q asInvoker {in} && cp {in} {out}\"");
    EXPECT_NE(r.code, 0) << "a product for every user ships its programs asking for administrator rights";
}

// A medium for one user whose Setup.exe asks for administrator rights would install for the
// administrator: bundle refuses it, as medium refuses a script that writes for every user.
TEST(ScopeManifest, RefusesWhatWouldInstallForTheWrongUser)
{
    ScopedTempDir dir;
    fs::create_directories("src");
    WriteBytes("src/readme.txt", "Hello\r\n");
    WriteBytes("Setup.ini.txt", Config(""));
    ASSERT_EQ(Tool("medium Setup.ini.txt src out").code, 0);
    WriteBytes("out/Setup.ini", ChainSetupIni(Config("# for one user\r\nScope=user\r\n")));
    ToolRun r = Tool("bundle out app.exe");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "zrvtool: 'out/Setup.exe': asks for administrator rights, but Setup.ini's line 8 (Scope=user) "
                     "lets it install for the user who runs it: make the medium again with zrvtool medium; nothing "
                     "is written\n");
    EXPECT_FALSE(fs::exists("app.exe"));

    WriteBytes("Setup.ini.txt", Config("Scope=either\r\n", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n[HKEY_LOCAL_MACHINE\\B]\r\n"));
    r = Tool("medium Setup.ini.txt src mine --bundle mine.exe");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Setup.ini.txt:10: error: a key under HKEY_LOCAL_MACHINE or HKEY_USERS, which a product installed "
                     "for one user does not write: with Scope=either, an installation for one user refuses the whole "
                     "script and registers no uninstall entry\n"
                     "zrvtool: Setup.ini.txt: the installer would not work with it; nothing is written\n");
    EXPECT_FALSE(fs::exists("mine"));
    EXPECT_FALSE(fs::exists("mine.exe"));
}

// What the change refuses, each with the program named.
TEST(ScopeManifest, ChangeRefusesWhatItCannotDoExactly)
{
    const std::string setup = Bytes(EmbeddedSetup(WindowsArch::x86));
    ASSERT_FALSE(setup.empty());
    std::string twice = setup;
    const std::string os = "<supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/>";
    size_t at = twice.find(os);
    ASSERT_NE(at, std::string::npos);
    std::string second = "<x " + kAsAdministrator;
    second.resize(os.size() - 2, ' ');
    twice.replace(at, os.size(), second + "/>");
    std::string sig = setup;
    size_t pe = zrv::PeHeaderOffset(reinterpret_cast<const unsigned char*>(sig.data()), sig.size());
    ASSERT_NE(pe, 0u);
    sig[pe + 24 + 92 + 4 + 4 * 8 + 4] = 0x10;  // a certificate table of 16 bytes (PE32)
    struct Case {
        const char* pszWhat;
        std::string program;
        const char* pszError;
    } cases[] = {
        {"no program", "just text", "p: is not a Windows program"},
        {"cut short", setup.substr(0, 1024), "p: is cut short or malformed"},
        {"changed already", RunningAsInvoker(setup, "p"),
         "p: its manifest holds level=\"requireAdministrator\" nowhere, so it cannot be made to run without "
         "administrator rights"},
        {"asked twice", twice,
         "p: its manifest holds level=\"requireAdministrator\" more than once, so it cannot be made to run without "
         "administrator rights"},
        {"signed", sig, "p: is signed: its manifest cannot change"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        try {
            RunningAsInvoker(c.program, "p");
            ADD_FAILURE() << "accepted";
        } catch (const ToolError& e) {
            EXPECT_STREQ(e.what(), c.pszError);
        }
    }
}
