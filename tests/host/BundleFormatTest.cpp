// The bundle's table as the launcher finds it: in a plain bundle, behind a certificate table, and
// the faults of a download cut short or altered.
#include "BundleFormat.h"
#include "CommandTail.h"
#include "Crc32.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// The first bytes of a 32-bit PE program whose security directory says offset and size.
std::string PeHead(uint32_t certOffset, uint32_t certSize)
{
    std::string head(0x200, '\0');
    head[0] = 'M';
    head[1] = 'Z';
    auto put32 = [&head](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) head[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    put32(0x3C, 0x80);
    std::memcpy(&head[0x80], "PE\0\0", 4);
    size_t optional = 0x80 + 24;
    head[optional] = 0x0B;
    head[optional + 1] = 0x01;
    put32(optional + 92, 16);
    put32(optional + 96 + 4 * 8, certOffset);
    put32(optional + 96 + 4 * 8 + 4, certSize);
    return head;
}

struct File {
    std::string name, data;
};

std::string Contents(const std::vector<File>& files)
{
    std::string out;
    std::vector<zrv::BundleEntry> entries;
    for (const File& f : files) {
        out += f.data;
        zrv::BundleEntry e;
        e.strName = f.name;
        e.nSize = uint32_t(f.data.size());
        e.nCrc = zrv::Crc32(f.data.data(), f.data.size());
        entries.push_back(e);
    }
    return out + zrv::BundleTail(entries);
}

const std::vector<File> kMedium = {
    {"Setup.exe", std::string(3000, 's')}, {"Setup.ini", "INSTALL4\r\n"}, {"disk\\demo.001", std::string(70000, 'd')},
    {"demo.002", ""}};

// A signed bundle: padded to 8 bytes, then a certificate table that the head points at.
std::string Signed(const std::vector<File>& files)
{
    std::string body = PeHead(0, 0) + Contents(files);
    body.append((8 - body.size() % 8) % 8, '\0');
    std::string cert(1234, 'c');
    return PeHead(uint32_t(body.size()), uint32_t(cert.size())) + body.substr(0x200) + cert;
}

zrv::BundleFault Read(const std::string& bytes, std::vector<zrv::BundleEntry>& entries)
{
    zrv::BundleRead read = [&bytes](uint32_t offset, void* buf, uint32_t n) {
        if (offset > bytes.size() || n > bytes.size() - offset) return false;
        std::memcpy(buf, bytes.data() + offset, n);
        return true;
    };
    return zrv::ReadBundleTable(read, uint32_t(bytes.size()), entries);
}

}  // namespace

TEST(BundleFormat, FindsEveryFileWithOrWithoutASignature)
{
    struct Case {
        const char* what;
        std::string bytes;
        size_t start;  // where file 1's data begins
    };
    std::string plain = PeHead(0, 0) + Contents(kMedium);
    std::string notPe = std::string(100, 'x') + Contents(kMedium);
    const Case cases[] = {
        {"unsigned", plain, 0x200},
        {"signed", Signed(kMedium), 0x200},
        {"before anything but a program", notPe, 100},
        {"padded without a signature", plain + std::string(7, '\0'), 0x200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<zrv::BundleEntry> entries;
        ASSERT_EQ(Read(c.bytes, entries), zrv::BundleFault::none);
        ASSERT_EQ(entries.size(), kMedium.size());
        size_t at = c.start;
        for (size_t i = 0; i < kMedium.size(); ++i) {
            EXPECT_EQ(entries[i].strName, kMedium[i].name);
            EXPECT_EQ(entries[i].nOffset, at);
            EXPECT_EQ(c.bytes.substr(entries[i].nOffset, entries[i].nSize), kMedium[i].data);
            EXPECT_EQ(entries[i].nCrc, zrv::Crc32(kMedium[i].data.data(), kMedium[i].data.size()));
            at += kMedium[i].data.size();
        }
    }
}

TEST(BundleFormat, TellsACutShortDownloadFromAnAlteredOne)
{
    using F = zrv::BundleFault;
    std::string plain = PeHead(0, 0) + Contents(kMedium);
    std::string sig = Signed(kMedium);
    size_t tableAt = 0x200 + 3000 + 10 + 70000;
    auto flip = [](std::string s, size_t at) {
        s[at] = char(s[at] ^ 0x20);
        return s;
    };
    struct Case {
        const char* what;
        std::string bytes;
        F fault;
    };
    const Case cases[] = {
        {"cut by one byte", plain.substr(0, plain.size() - 1), F::incomplete},
        {"cut in the middle", plain.substr(0, plain.size() / 2), F::incomplete},
        {"only the program", PeHead(0, 0), F::incomplete},
        {"empty", "", F::incomplete},
        {"signed, cut by one byte", sig.substr(0, sig.size() - 1), F::incomplete},
        {"signed, the certificate table gone", sig.substr(0, sig.size() - 1234), F::incomplete},
        {"a byte of the table changed", flip(plain, tableAt + 12), F::damaged},
        {"the file count changed", flip(plain, plain.size() - 24), F::damaged},
        {"the contents size changed", flip(plain, plain.size() - 12), F::damaged},
        {"the contents size beyond the file", flip(plain, plain.size() - 9), F::damaged},
        {"signed, a byte of the table changed", flip(sig, tableAt + 12), F::damaged},
        {"no Setup.exe", PeHead(0, 0) + Contents({{"Setup.ini", "x"}}), F::damaged},
        {"a name twice", PeHead(0, 0) + Contents({{"Setup.exe", "a"}, {"SETUP.EXE", "b"}}), F::damaged},
        {"a name that climbs", PeHead(0, 0) + Contents({{"Setup.exe", "a"}, {"..\\evil.dll", "b"}}), F::damaged},
        {"two folder levels", PeHead(0, 0) + Contents({{"Setup.exe", "a"}, {"a\\b\\c.001", "b"}}), F::damaged},
        {"an absolute name", PeHead(0, 0) + Contents({{"Setup.exe", "a"}, {"C:\\x.dll", "b"}}), F::damaged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<zrv::BundleEntry> entries;
        entries.resize(1);
        EXPECT_EQ(Read(c.bytes, entries), c.fault);
        EXPECT_TRUE(entries.empty());
    }
}

TEST(BundleFormat, NamesThatMayBeUnpacked)
{
    struct Case {
        const char* name;
        bool ok;
    };
    const Case cases[] = {
        {"Setup.exe", true},    {"disk\\demo.001", true},  {"Disk 1\\Demo.001", true}, {"", false},
        {"..", false},          {"a\\..", false},          {"\\Setup.exe", false},     {"a\\", false},
        {"a\\b\\c", false},     {"C:x", false},            {"a/b", false},             {"con", false},
        {"NUL.txt", false},     {"com1.001", false},       {"com0.001", true},         {"console.txt", true},
        {"name.", false},       {"name ", false},          {"tab\there", false},       {"a?b", false},
        {"lpt9\\x.001", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(zrv::CheckBundleName(c.name) == nullptr, c.ok);
    }
    EXPECT_NE(zrv::CheckBundleName(std::string(201, 'a')), nullptr);
}

TEST(LauncherCommandLine, PassesItsArgumentsOnAndHearsSlashS)
{
    struct Case {
        const char* line;
        const char* passed;
        bool silent;
    };
    const Case cases[] = {
        {"setup.exe", "", false},
        {"\"C:\\My Downloads\\demo setup.exe\"", "", false},
        {"\"C:\\My Downloads\\demo setup.exe\"   /S /D=C:\\Program Files\\Demo", "/S /D=C:\\Program Files\\Demo", true},
        {"demo.exe /LOG=\"C:\\a b\\log.txt\" /s", "/LOG=\"C:\\a b\\log.txt\" /s", true},
        {"demo.exe\t\"/S\"", "\"/S\"", true},
        {"demo.exe /SILENT", "/SILENT", false},
        // /D= takes the rest of the line, as Setup.exe reads it: the /S is part of the folder.
        {"demo.exe /D=C:\\x /S", "/D=C:\\x /S", false},
        {"demo.exe \"/S x\"", "\"/S x\"", false},
        {"demo.exe /Sx", "/Sx", false},
        {"/S", "", false},
        {"\"/S\" other", "other", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_STREQ(AfxArgumentsOf(c.line), c.passed);
        EXPECT_EQ(HasSilentSwitch(c.line), c.silent);
    }
}
