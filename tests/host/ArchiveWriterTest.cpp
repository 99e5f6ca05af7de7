// The compressor and volume writer on their own: the published example images byte for byte, the
// rotation sort against a plain reference on small blocks, the altered positions, volume names
// and the volume cut rule.
#include "ArchiveCompressor.h"
#include "BlockSorter.h"
#include "Crc32.h"
#include "VolumeWriter.h"

#include "../common/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (!out.empty()) out += ' ';
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string CompressToImage(const std::string& input, int blockSize)
{
    zrv::CVolumeWriter writer("img.001", blockSize, 0);
    zrv::CArchiveCompressor compressor(blockSize, writer);
    compressor.Write(input.data(), input.size());
    compressor.Finish();
    writer.Commit();
    return ReadBytes("img.001");
}

}  // namespace

TEST(ArchiveWriter, ExampleImagesByteForByte)
{
    struct Case {
        std::string input;
        std::string data;
        uint32_t crc;
    } cases[] = {
        {"abc", "7F FF FF FF 63 90 EA FF 0B 20 77 04", 0xFB155432u},
        {"aaaaaaab", "7F FF FF FD 63 3A 79 7E B3 9B 43 90 08", 0xDCF7FBF7u},
    };
    ScopedTempDir dir;
    for (const Case& c : cases) {
        std::string image = CompressToImage(c.input, 9);
        ASSERT_GE(image.size(), 12u);
        EXPECT_EQ(Hex(image.substr(0, 8)), "5A 52 56 00 09 00 00 00") << c.input;
        uint32_t stored = uint32_t(uint8_t(image[8])) | uint32_t(uint8_t(image[9])) << 8 |
                          uint32_t(uint8_t(image[10])) << 16 | uint32_t(uint8_t(image[11])) << 24;
        EXPECT_EQ(stored, c.crc) << c.input;
        EXPECT_EQ(Hex(image.substr(12)), c.data) << c.input;
        EXPECT_EQ(zrv::Crc32(image.data() + 12, image.size() - 12), c.crc) << c.input;
    }
}

// The reference: every rotation spelled out and sorted; the row of rotation 0 is any row equal to it.
TEST(ArchiveWriter, RotationSortMatchesReference)
{
    std::vector<std::string> blocks = {"a", "ab", "ba", "banana", "abab", "aaaa", "abcabcabc", "mississippi",
                                       "abc*", "zyxwvu", "aabaab", "baabaa", std::string("\0\xff\0\xff\x01", 5)};
    std::mt19937 rng(7);
    for (int k = 0; k < 300; ++k) {
        std::string s(1 + rng() % (k < 200 ? 40 : 300), 'a');
        int alphabet = 1 + int(rng() % 3);
        for (char& ch : s) ch = char('a' + rng() % unsigned(alphabet));
        blocks.push_back(s);
    }
    for (const std::string& b : blocks) {
        int32_t n = int32_t(b.size());
        std::vector<std::string> rotations;
        for (int32_t i = 0; i < n; ++i) rotations.push_back(b.substr(size_t(i)) + b.substr(0, size_t(i)));
        std::sort(rotations.begin(), rotations.end(), [](const std::string& x, const std::string& y) {
            return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(),
                                                [](char p, char q) { return uint8_t(p) < uint8_t(q); });
        });
        std::string expected;
        for (const std::string& r : rotations) expected += r.back();

        zrv::CBlockSorter sorter(n);
        std::string last(size_t(n), '\0');
        int32_t origin = sorter.Sort(reinterpret_cast<const uint8_t*>(b.data()), n, reinterpret_cast<uint8_t*>(&last[0]));
        EXPECT_EQ(last, expected) << b;
        ASSERT_GE(origin, 0) << b;
        ASSERT_LT(origin, n) << b;
        EXPECT_EQ(rotations[size_t(origin)], b) << b;
    }
}

TEST(ArchiveWriter, LeastRotation)
{
    struct Case {
        std::string block;
        int32_t start;
    } cases[] = {
        {"a", 0}, {"ba", 1}, {"banana", 5}, {"aaaa", 0}, {"cabab", 1}, {"bbbab", 3}, {"abab", 0}, {"zza", 2},
        // Common stretches longer than a machine word, with and without wrapping.
        {std::string(100, 'a') + "b" + std::string(50, 'a'), 101},
        {"c" + std::string(40, 'a') + "b" + std::string(41, 'a'), 42},
        {[] { std::string s; for (int k = 0; k < 30; ++k) s += "zxy"; return s; }(), 1},
    };
    for (const Case& c : cases) {
        int32_t got = zrv::LeastRotation(reinterpret_cast<const uint8_t*>(c.block.data()), int32_t(c.block.size()));
        EXPECT_EQ(got, c.start) << c.block;
    }
}

TEST(ArchiveWriter, AlteredPositions)
{
    struct Case {
        int32_t lastIndex;
        std::vector<int32_t> altered;
    } cases[] = {
        {8000, {}},
        {8001, {8000}},
        {15983, {8000}},
        {15984, {8000, 15983}},
        {96001, {8000, 15983, 23983, 32051, 40000, 48017, 56051, 64017, 71949, 79932, 87932, 96000}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> block(size_t(c.lastIndex) + 1, 0xFF);
        zrv::AlterBlock(block.data(), c.lastIndex);
        std::vector<int32_t> altered;
        for (size_t i = 0; i < block.size(); ++i)
            if (block[i] != 0xFF) {
                EXPECT_EQ(block[i], 0x00) << i;  // 0xFF + 1 wraps to 0
                altered.push_back(int32_t(i));
            }
        EXPECT_EQ(altered, c.altered) << c.lastIndex;
    }
}

TEST(ArchiveWriter, VolumeNames)
{
    struct Case {
        std::string path, next;
    } cases[] = {
        {"disk.001", "disk.002"}, {"disk.009", "disk.010"}, {"x.099", "x.100"},
        {"disk.999", "disk.1000"}, {"disk.1000", "disk.1001"}, {"d/a.b.000", "d/a.b.001"},
    };
    for (const Case& c : cases) EXPECT_EQ(zrv::NextVolumeName(c.path), c.next);
    for (const char* bad : {"disk", "disk.01", "disk.0a1", "", "disk.001 "}) EXPECT_FALSE(zrv::HasVolumeNumber(bad)) << bad;
    EXPECT_TRUE(zrv::HasVolumeNumber("001"));
}

TEST(ArchiveWriter, LaterVolumeNamesAreThoseTheChainReaches)
{
    struct Case {
        const char* first;
        const char* path;
        bool later;
    } cases[] = {
        {"disk.001", "disk.002", true},     {"disk.001", "disk.999", true},    {"disk.001", "disk.1000", true},
        {"disk.001", "disk.1999", true},    {"disk.001", "disk.11000", true},  {"disk.001", "disk.111234", true},
        {"disk.001", "disk.001", false},    {"disk.001", "disk.000", false},   {"disk.005", "disk.004", false},
        {"disk.001", "disk.0001", false},   {"disk.001", "disk.2000", false},  {"disk.001", "disk.10000", false},
        {"disk.001", "disk.12000", false},  {"disk.001", "disk.00", false},    {"disk.001", "disk.a02", false},
        {"disk.001", "disc.002", false},    {"disk.001", "disk.002x", false},  {"data.zrv", "data.001", false},
        {"disk1.500", "disk1.1000", true},  {"disk1.500", "disk1.499", false}, {"d/x.999", "d/x.1000", true},
    };
    for (const Case& c : cases) EXPECT_EQ(zrv::IsLaterVolumeName(c.first, c.path), c.later) << c.first << " " << c.path;

    // Of all names with three or four digits after the stem, exactly those the chain forms.
    for (const char* first : {"v.000", "v.001", "v.998", "v1.111"}) {
        std::set<std::string> chain;
        std::string name = first;
        for (int i = 0; i < 2500; ++i) chain.insert(name = zrv::NextVolumeName(name));
        const size_t stem = std::strlen(first) - 3;
        for (size_t len = 3; len <= 4; ++len)
            for (int n = 0; std::to_string(n).size() <= len; ++n) {
                std::string digits = std::to_string(n);
                std::string path = std::string(first).substr(0, stem) + std::string(len - digits.size(), '0') + digits;
                EXPECT_EQ(zrv::IsLaterVolumeName(first, path), chain.count(path) == 1) << first << " " << path;
            }
    }
}

TEST(ArchiveWriter, VolumeCutNeverLeavesAFullReaderBuffer)
{
    struct Case {
        uint64_t fileSize, data;
    } cases[] = {
        {0, 0}, {13, 1}, {1000, 988}, {512011, 511999}, {512012, 511999}, {512013, 512001},
        {1024012, 1023999}, {1457664, 1457652}, {5120012, 5119999},
    };
    for (const Case& c : cases) EXPECT_EQ(zrv::DataPerVolume(c.fileSize), c.data) << c.fileSize;
    EXPECT_THROW(zrv::DataPerVolume(12), std::invalid_argument);
    EXPECT_THROW(zrv::DataPerVolume(1), std::invalid_argument);
}

TEST(ArchiveWriter, FailedWriterLeavesNoFiles)
{
    ScopedTempDir dir;
    {
        zrv::CVolumeWriter writer("img.001", 1, 100);
        zrv::CArchiveCompressor compressor(1, writer);
        std::string data(5000, '\0');
        std::mt19937 rng(3);
        for (char& ch : data) ch = char(rng());
        compressor.Write(data.data(), data.size());
        compressor.Finish();
        EXPECT_GT(writer.Paths().size(), 10u);
        // No Commit: the writer is abandoned, as after an error.
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    EXPECT_THROW(zrv::CVolumeWriter("img.zrv", 1, 0), zrv::VolumeWriteError);
    struct NullSink : zrv::IByteSink {
        void PutBytes(const uint8_t*, size_t) override {}
    } sink;
    EXPECT_THROW(zrv::CArchiveCompressor(0, sink), std::invalid_argument);
    EXPECT_THROW(zrv::CArchiveCompressor(256, sink), std::invalid_argument);
    EXPECT_THROW(zrv::CArchiveCompressor(1, sink, 0), std::invalid_argument);
}
