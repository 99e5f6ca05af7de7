// zrvtool compress, decompress and verify as a user runs them: exact stdout and stderr, exit
// codes, and the files left in the directory afterwards (never a partial output).
#include "ArchiveCompressor.h"
#include "Crc32.h"

#include "../common/TempDir.h"
#include "../common/ToolRun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string RandomBytes(size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = char(rng());
    return s;
}

uint64_t CompressedSize(const std::string& input, int blockSize)
{
    struct Counter : zrv::IByteSink {
        uint64_t n = 0;
        void PutBytes(const uint8_t*, size_t size) override { n += size; }
    } counter;
    zrv::CArchiveCompressor c(blockSize, counter);
    c.Write(input.data(), input.size());
    c.Finish();
    return counter.n;
}

std::string Files()
{
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(".")) names.insert(e.path().filename().string());
    std::string all;
    for (const std::string& n : names) all += (all.empty() ? "" : " ") + n;
    return all;
}

void Corrupt(const char* path, long long offsetFromEnd)
{
    std::string bytes = ReadBytes(path);
    bytes[size_t((long long)bytes.size() + offsetFromEnd)] ^= 0x10;
    WriteBytes(path, bytes);
}

// The volume cut to dataSize bytes of data, with the CRC of what is left.
std::string WithCrc(std::string volume, size_t dataSize)
{
    volume.resize(12 + dataSize);
    uint32_t crc = zrv::Crc32(volume.data() + 12, dataSize);
    for (int k = 0; k < 4; ++k) volume[size_t(8 + k)] = char(crc >> (8 * k));
    return volume;
}

const std::string kInput = RandomBytes(5000, 42);

}  // namespace

TEST(CodecCli, Commands)
{
    const std::string size3 = std::to_string(CompressedSize(kInput, 9));
    const std::string memory9 = "the installer needs 5912000 bytes of memory for block size 9 (6 x 900000 + 512000)\n";
    const std::string made = "img.001: 3 volumes, 5000 bytes compressed to " + size3 + " bytes of data\n" + memory9;
    const std::string image = "compress in.bin img.001 --volume-size 2k";
    const std::function<void()> none = [] {};
    const std::function<void()> threeVolumes = [&] { ASSERT_EQ(Tool(image).out, made); };
    struct Case {
        const char* name;
        std::function<void()> setup;
        std::string args;
        int code;
        std::string out, err, files;
    } cases[] = {
        {"compress into volumes", none, image, 0, made, "", "img.001 img.002 img.003 in.bin"},
        {"compress one volume", [] { WriteBytes("abc.txt", "abc"); }, "compress abc.txt d.001 --block-size 1", 0,
         "d.001: 1 volume, 3 bytes compressed to 12 bytes of data\n"
         "the installer needs 1112000 bytes of memory for block size 1 (6 x 100000 + 512000)\n",
         "", "abc.txt d.001 in.bin"},
        {"compress with the largest blocks", none, "compress in.bin b.001 --block-size 255 --threads 3", 0,
         "b.001: 1 volume, 5000 bytes compressed to " + size3 + " bytes of data\n"
         "the installer needs 153512000 bytes of memory for block size 255 (6 x 25500000 + 512000)\n",
         "zrvtool: warning: block size 255 makes the installer need 153512000 bytes of memory, more than the "
         "5912000 bytes of the default block size 9\n",
         "b.001 in.bin"},
        {"compress from stdin", none, "compress - s.005 < in.bin", 0,
         "s.005: 1 volume, 5000 bytes compressed to " + size3 + " bytes of data\n" + memory9, "", "in.bin s.005"},
        {"compress usage", none, "compress in.bin", 1, "",
         "zrvtool: usage: zrvtool compress IN OUT.001 [--block-size 1-255] [--volume-size SIZE] [--threads N]\n",
         "in.bin"},
        {"compress missing input", none, "compress missing.bin img.001", 1, "",
         "zrvtool: missing.bin: cannot open: No such file or directory\n", "in.bin"},
        {"compress unnumbered output", none, "compress in.bin img.zrv", 1, "",
         "zrvtool: img.zrv: a volume name must end in three digits (for example disk.001)\n", "in.bin"},
        {"compress block size 0", none, "compress in.bin img.001 --block-size 0", 1, "",
         "zrvtool: --block-size must be 1 to 255, not '0'\n", "in.bin"},
        {"compress block size 256", none, "compress in.bin img.001 --block-size 256", 1, "",
         "zrvtool: --block-size must be 1 to 255, not '256'\n", "in.bin"},
        {"compress no threads", none, "compress in.bin img.001 --threads 0", 1, "",
         "zrvtool: --threads must be 1 to 256, not '0'\n", "in.bin"},
        {"compress option without value", none, "compress in.bin img.001 --threads", 1, "",
         "zrvtool: --threads needs a value\n", "in.bin"},
        {"compress volume of a header", none, "compress in.bin img.001 --volume-size 12", 1, "",
         "zrvtool: --volume-size must be more than 12 bytes (the volume header)\n", "in.bin"},
        {"compress bad size", none, "compress in.bin img.001 --volume-size 3G", 1, "",
         "zrvtool: '3G' is not a size (bytes, with k or M, or 'floppy')\n", "in.bin"},
        {"compress into a missing folder", none, "compress in.bin no/img.001", 1, "",
         "zrvtool: no/img.001: cannot create: No such file or directory\n", "in.bin"},
        {"verify", threeVolumes, "verify img.001", 0, "img.001: OK, 5000 bytes in 3 volumes\n", "",
         "img.001 img.002 img.003 in.bin"},
        {"decompress", threeVolumes, "decompress img.001 out.bin && cmp in.bin out.bin", 0, "", "",
         "img.001 img.002 img.003 in.bin out.bin"},
        {"decompress on one thread", threeVolumes, "decompress img.001 out.bin --threads 1 && cmp in.bin out.bin", 0,
         "", "", "img.001 img.002 img.003 in.bin out.bin"},
        {"decompress to stdout", [] { WriteBytes("abc.txt", "abc"); Tool("compress abc.txt a.001"); },
         "decompress a.001 -", 0, "abc", "", "a.001 abc.txt in.bin"},
        {"verify a missing volume", [&] { threeVolumes(); std::filesystem::remove("img.002"); }, "verify img.001", 1,
         "", "zrvtool: The file 'img.002' could not be found/opened\n", "img.001 img.003 in.bin"},
        {"decompress a missing volume", [&] { threeVolumes(); std::filesystem::remove("img.003"); },
         "decompress img.001 out.bin", 1, "", "zrvtool: The file 'img.003' could not be found/opened\n",
         "img.001 img.002 in.bin"},
        {"verify a corrupted first volume", [&] { threeVolumes(); Corrupt("img.001", -1); }, "verify img.001", 1, "",
         "zrvtool: FATAL: data integrity error. The file 'img.001' is probably corrupted.\n",
         "img.001 img.002 img.003 in.bin"},
        {"decompress a corrupted last volume", [&] { threeVolumes(); Corrupt("img.003", -1); },
         "decompress img.001 out.bin", 1, "",
         "zrvtool: FATAL: data integrity error. The file 'img.003' is probably corrupted.\n",
         "img.001 img.002 img.003 in.bin"},
        {"verify a wrong CRC in the last volume", [&] { threeVolumes(); Corrupt("img.003", 8 - (long long)ReadBytes("img.003").size()); },
         "verify img.001", 1, "", "zrvtool: FATAL: data integrity error. The file 'img.003' is probably corrupted.\n",
         "img.001 img.002 img.003 in.bin"},
        {"verify a truncated image", [] {
             WriteBytes("abc.txt", "abc");
             Tool("compress abc.txt a.001");
             std::string b = ReadBytes("a.001");
             WriteBytes("a.001", b.substr(0, b.size() - 3));
         },
         "verify a.001", 1, "", "zrvtool: FATAL: data integrity error. The file 'a.001' is probably corrupted.\n",
         "a.001 abc.txt in.bin"},
        {"verify a truncated image with a matching CRC", [] {
             WriteBytes("abc.txt", "abc");
             Tool("compress abc.txt a.001");
             WriteBytes("a.001", WithCrc(ReadBytes("a.001"), 9));
         },
         "verify a.001", 1, "", "zrvtool: The file 'a.002' could not be found/opened\n", "a.001 abc.txt in.bin"},
        {"verify data that ends with a full reader buffer", [] {
             WriteBytes("big.bin", RandomBytes(600000, 1));
             Tool("compress big.bin b.001");
             WriteBytes("b.001", WithCrc(ReadBytes("b.001"), 512000));
         },
         "verify b.001", 1, "", "zrvtool: FATAL: the file 'b.001' is cut short: its compressed data end too early\n",
         "b.001 big.bin in.bin"},
        {"verify not an image", [] { WriteBytes("x.001", "this is not an image at all"); }, "verify x.001", 1, "",
         "zrvtool: FATAL: the file 'x.001' is not a ZRV-Zip file\n", "in.bin x.001"},
        {"verify a short file", [] { WriteBytes("x.001", "ZRV"); }, "verify x.001", 1, "",
         "zrvtool: FATAL: the file 'x.001' is too short to be a ZRV-Zip volume\n", "in.bin x.001"},
        {"verify a missing image", none, "verify none.001", 1, "",
         "zrvtool: The file 'none.001' could not be found/opened\n", "in.bin"},
        {"decompress a missing image", none, "decompress none.001 out.bin", 1, "",
         "zrvtool: The file 'none.001' could not be found/opened\n", "in.bin"},
        {"verify usage", none, "verify", 1, "", "zrvtool: usage: zrvtool verify IN.001 [--threads 1|2]\n", "in.bin"},
        {"verify unknown option", none, "verify img.001 --fast", 1, "", "zrvtool: unknown option '--fast'\n", "in.bin"},
    };
    for (const Case& c : cases) {
        ScopedTempDir dir;
        WriteBytes("in.bin", kInput);
        c.setup();
        ToolRun r = Tool(c.args);
        EXPECT_EQ(r.code, c.code) << c.name;
        EXPECT_EQ(r.out, c.out) << c.name;
        EXPECT_EQ(r.err, c.err) << c.name;
        EXPECT_EQ(Files(), c.files) << c.name;
    }
}

// An interrupt while compressing from a pipe: the command ends with one line and removes the
// volumes it had begun.
TEST(CodecCli, InterruptLeavesNoVolumes)
{
    ScopedTempDir dir;
    ASSERT_EQ(mkfifo("in.fifo", 0600), 0);
    pid_t pid = fork();
    if (pid == 0) {
        std::string cmd = std::string("exec ") + ZRVTOOL + " compress in.fifo img.001 --block-size 1 >cli.out 2>cli.err";
        execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int fd = open("in.fifo", O_WRONLY);
    ASSERT_GE(fd, 0);
    // Once this much has gone into the pipe, blocks have been coded and a volume has begun.
    std::string data = RandomBytes(2 << 20, 5);
    for (size_t at = 0; at < data.size();) {
        ssize_t n = write(fd, data.data() + at, data.size() - at);
        ASSERT_GT(n, 0);
        at += size_t(n);
    }
    kill(pid, SIGINT);
    close(fd);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130) << "128 + SIGINT, as a shell reports it";
    EXPECT_EQ(ReadBytes("cli.out"), "");
    EXPECT_EQ(ReadBytes("cli.err"), "zrvtool: interrupted\n");
    std::filesystem::remove("cli.out");
    std::filesystem::remove("cli.err");
    EXPECT_EQ(Files(), "in.fifo");
}

namespace {

// A payload stream of one file entry, built byte by byte.
std::string OneFileStream(const std::string& name, const std::string& data)
{
    std::string s;
    auto u32 = [&s](uint32_t n) {
        for (int i = 0; i < 4; ++i) s += char(n >> (8 * i));
    };
    u32(uint32_t(data.size()));
    s += name;
    s += '\0';
    u32(uint32_t(data.size()));
    return s + data;
}

}  // namespace

// Names from an image reach the terminal only escaped: a hostile name cannot recolour it, move
// the cursor or start a terminal command.
TEST(CodecCli, MessagesEscapeWhatATerminalWouldActOn)
{
    ScopedTempDir dir;
    WriteBytes("stream.bin", OneFileStream("x\x1b]0;owned\x07\x1b[2J", "data"));
    ASSERT_EQ(Tool("compress stream.bin img.001").code, 0);
    ToolRun list = Tool("list img.001");
    EXPECT_EQ(list.code, 1);
    EXPECT_EQ(list.out, "");
    EXPECT_EQ(list.err, "zrvtool: 'img.001': bad entry name 'x\\x1b]0;owned\\x07\\x1b[2J': control character\n");
    ToolRun extract = Tool("extract img.001 out");
    EXPECT_EQ(extract.err, "zrvtool: 'img.001': bad entry name 'x\\x1b]0;owned\\x07\\x1b[2J': control character "
                           "(0 files extracted before the error)\n");
    EXPECT_TRUE(std::filesystem::is_empty("out"));
}

// What ini check shows of the file's text: control characters and the code page's own bytes
// (which are not UTF-8) escaped; a line break inside a value stays a line break.
TEST(CodecCli, IniCheckShowsSettingsSafely)
{
    ScopedTempDir dir;
    WriteBytes("plain.txt", "INSTALL4\r\n[Caf\xe9 \x1b[31mRed]\r\nAppDescription=\"two\r\nlines\"\r\n"
                            "DiskImage=demo.001\r\nDefaultDir=C:\\Caf\xe9\r\nFreeSpace=7\r\n");
    ASSERT_EQ(Tool("ini encode plain.txt Setup.ini").code, 0);
    ToolRun r = Tool("ini check Setup.ini");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Setup.ini: stored form\n"
                     "Code page: Windows-1252 (no CodePage line)\n"
                     "Product: Caf\\xe9 \\x1b[31mRed\n"
                     "AppDescription: two\\x0d\nlines\n"
                     "DiskImage: demo.001\n"
                     "DefaultDir: C:\\Caf\\xe9\n"
                     "FreeSpace: 7 MB\n"
                     "Registry script: none (no REGEDIT4 in the text; no uninstall entry is registered)\n");
}
