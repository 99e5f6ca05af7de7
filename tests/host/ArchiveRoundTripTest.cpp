// Round trips: every shape of input through the compressor and volume writer, then back through
// the reader CArchiveFile, with reads of many sizes, the final CRC check in Close, and no message.
#include "ArchiveCompressor.h"
#include "ArchiveFile.h"
#include "VolumeWriter.h"

#include "../common/RandomBytes.h"
#include "../common/RecordingPrompt.h"
#include "../common/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>

namespace {

using zrvtest::RandomBytes;

// Bytes with no two equal neighbours, so run-length coding leaves the length unchanged.
std::string NoRuns(size_t n, uint32_t seed) { return zrvtest::WithoutRuns(RandomBytes(n, seed), 1); }

std::string TextLike(size_t n, uint32_t seed)
{
    static const char* words[] = {"the ", "volume ", "installer ", "of ", "a ", "block ", "\r\n", "Setup ",
                                  "#define ", "WINAPI ", "(void) ", "typedef ", "struct ", "int ", "{\n", "}\n"};
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < n) s += words[rng() % 16];
    s.resize(n);
    return s;
}

std::string AllBytes()
{
    std::string s;
    for (int r = 0; r < 3; ++r)
        for (int b = 0; b < 256; ++b) s.push_back(char(r == 1 ? 255 - b : b));
    return s;
}

std::string Runs(uint32_t seed)
{
    // Runs of every length around the count limits (3, 4, 5, 258, 259, 260, 263, 518, ...).
    std::mt19937 rng(seed);
    std::string s;
    for (int len : {1, 2, 3, 4, 5, 6, 7, 8, 9, 258, 259, 260, 261, 262, 263, 264, 517, 518, 519, 1000, 70000}) {
        s.append(size_t(len), char(rng()));
        s.push_back(char(rng()));
    }
    return s;
}

struct Image {
    std::vector<std::string> paths;
};

Image Compress(const std::string& input, int blockSize, uint64_t volumeSize, size_t chunk, int threads = 1,
               std::vector<uint64_t>* progress = nullptr)
{
    zrv::CVolumeWriter writer("img.001", blockSize, volumeSize);
    zrv::CArchiveCompressor compressor(blockSize, writer, threads);
    if (progress) compressor.SetProgress([progress](uint64_t coded) { progress->push_back(coded); });
    for (size_t at = 0; at < input.size(); at += chunk)
        compressor.Write(input.data() + at, std::min(chunk, input.size() - at));
    compressor.Finish();
    writer.Commit();
    return Image{writer.Paths()};
}

// Reads the whole image with CArchiveFile in pieces of readSize and closes it (the CRC check).
std::string Decompress(const char* path, size_t expectedSize, UINT readSize, std::string* messages)
{
    RecordingPrompt boxes;
    CFileException error;
    std::string out;
    try {
        CArchiveFile file(&boxes);
        if (!file.Open(path, CFile::typeBinary, &error)) {
            *messages = "open failed|" + boxes.Texts();
            return out;
        }
        std::vector<char> buf(readSize);
        // One read more than the data needs shows the short read at the end.
        for (;;) {
            UINT got = file.Read(buf.data(), readSize);
            out.append(buf.data(), got);
            if (got < readSize || out.size() > expectedSize) break;
        }
        file.Close();
    } catch (CFileException* e) {
        *messages = "thrown|" + boxes.Texts();
        if (e != &error) e->Delete();
        return out;
    }
    *messages = boxes.Texts();
    return out;
}

}  // namespace

TEST(ArchiveRoundTrip, Shapes)
{
    const int32_t n1 = 100000, n2 = 200000;
    struct Case {
        const char* name;
        std::function<std::string()> make;
        int blockSize;
        uint64_t volumeSize;
        UINT readSize;
    } cases[] = {
        {"empty", [] { return std::string(); }, 9, 0, 10},
        {"one byte", [] { return std::string("x"); }, 9, 0, 1},
        {"one zero byte", [] { return std::string(1, '\0'); }, 1, 0, 4096},
        {"every byte value", AllBytes, 1, 0, 7},
        {"four equal bytes", [] { return std::string(4, 'q'); }, 1, 0, 3},
        {"long run", [] { return std::string(1000000, 'x'); }, 1, 0, 4096},
        {"runs around the count limits", [] { return Runs(5); }, 1, 0, 1000},
        {"random", [] { return RandomBytes(300000, 1); }, 2, 0, 4096},
        {"text", [] { return TextLike(700000, 2); }, 3, 0, 65536},
        {"longer than 8001", [] { return TextLike(8002, 3); }, 1, 0, 8002},
        {"N - 2 (block size 1)", [=] { return NoRuns(n1 - 2, 4); }, 1, 0, 4096},
        {"N - 1 (block size 1)", [=] { return NoRuns(n1 - 1, 4); }, 1, 0, 4096},
        {"N (block size 1)", [=] { return NoRuns(n1, 4); }, 1, 0, 4096},
        {"N + 1 (block size 1)", [=] { return NoRuns(n1 + 1, 4); }, 1, 0, 4096},
        {"N - 1 (block size 2)", [=] { return NoRuns(n2 - 1, 5); }, 2, 0, 1 << 20},
        {"N (block size 2)", [=] { return NoRuns(n2, 5); }, 2, 0, 333},
        {"N + 1 (block size 2)", [=] { return NoRuns(n2 + 1, 5); }, 2, 0, 1},
        {"N - 1 (block size 9)", [] { return NoRuns(900000 - 1, 10); }, 9, 0, 65536},
        {"N + 1 (block size 9)", [] { return NoRuns(900000 + 1, 10); }, 9, 0, 65536},
        {"two full blocks and one byte", [=] { return NoRuns(2 * n1 + 1, 6); }, 1, 0, 99999},
        {"a run across the block end",
         [=] { return NoRuns(n1 - 3, 7) + std::string(300, '\x55') + NoRuns(10, 8); }, 1, 0, 4096},
        {"a run that fills the block exactly",
         [=] { return NoRuns(n1 - 5, 9) + std::string(4, '\x01'); }, 1, 0, 4096},
        {"blocks of one repeated value", [] { return std::string(3 * n1, '\0'); }, 1, 0, 4096},
        {"periodic", [] { std::string s; while (s.size() < 250000) s += "abcab"; return s; }, 1, 0, 4096},
    };
    for (const Case& c : cases) {
        ScopedTempDir dir;
        std::string input = c.make();
        Image image = Compress(input, c.blockSize, c.volumeSize, 65536);
        std::string messages;
        std::string output = Decompress(image.paths[0].c_str(), input.size(), c.readSize, &messages);
        EXPECT_EQ(messages, "") << c.name;
        EXPECT_TRUE(output == input) << c.name << ": " << output.size() << " bytes back of " << input.size();
    }
}

// Volume sizes that cut the stream at every kind of place, including data sizes that are
// multiples of the reader's 512000-byte buffer, and more than 999 volumes.
TEST(ArchiveRoundTrip, Volumes)
{
    struct Case {
        const char* name;
        size_t inputSize;
        uint64_t volumeSize;
    } cases[] = {
        {"one data byte per volume, past .999", 1100, 13},
        {"two bytes per volume", 2000, 14},
        {"17 bytes per volume", 5000, 29},
        {"data of exactly one buffer", 1100000, 512012},
        {"one byte short of a buffer", 1100000, 512011},
        {"one byte over a buffer", 1100000, 512013},
        {"data of exactly two buffers", 1100000, 1024012},
        {"floppy", 1500000, 1457664},
    };
    for (const Case& c : cases) {
        ScopedTempDir dir;
        std::string input = RandomBytes(c.inputSize, uint32_t(c.inputSize));
        Image image = Compress(input, 9, c.volumeSize, 4096);
        ASSERT_GT(image.paths.size(), 1u) << c.name;
        if (c.volumeSize == 13) {
            ASSERT_GT(image.paths.size(), 1000u);
            EXPECT_EQ(image.paths[999], "img.1000");
        }
        uint64_t perVolume = zrv::DataPerVolume(c.volumeSize);
        for (size_t i = 0; i < image.paths.size(); ++i) {
            uint64_t data = std::filesystem::file_size(image.paths[i]) - 12;
            if (i + 1 < image.paths.size()) {
                EXPECT_EQ(data, perVolume) << c.name << " " << image.paths[i];
                EXPECT_NE(data % 512000, 0u) << c.name << " " << image.paths[i];
            } else {
                EXPECT_GE(data, 1u) << c.name;
                EXPECT_LE(data, perVolume) << c.name;
            }
        }
        std::string messages;
        std::string output = Decompress(image.paths[0].c_str(), input.size(), 65536, &messages);
        EXPECT_EQ(messages, "") << c.name;
        EXPECT_TRUE(output == input) << c.name << ": " << output.size() << " bytes back of " << input.size();
    }
}

// The last volume may hold a whole number of reader buffers: the decoder asks for no byte after it.
TEST(ArchiveRoundTrip, LastVolumeOfExactlyOneBuffer)
{
    ScopedTempDir dir;
    std::string input = RandomBytes(1100000, 21);
    Compress(input, 9, 0, 65536);
    uint64_t total = std::filesystem::file_size("img.001") - 12;
    ASSERT_GT(total, 512000u + 1);
    uint64_t first = total - 512000;
    ASSERT_NE(first % 512000, 0u);
    Image image = Compress(input, 9, first + 12, 65536);
    ASSERT_EQ(image.paths.size(), 2u);
    EXPECT_EQ(std::filesystem::file_size(image.paths[1]), 512000u + 12);
    std::string messages;
    std::string output = Decompress(image.paths[0].c_str(), input.size(), 4096, &messages);
    EXPECT_EQ(messages, "");
    EXPECT_TRUE(output == input);
}

// The same input fed in pieces of any size gives the same image.
TEST(ArchiveRoundTrip, ImageDoesNotDependOnWriteSizes)
{
    ScopedTempDir dir;
    std::string input = TextLike(150000, 11) + std::string(1000, 'z') + RandomBytes(60000, 12);
    Compress(input, 1, 0, input.size() + 1);
    std::string whole = ReadBytes("img.001");
    for (size_t chunk : {1, 3, 4, 5, 259, 4096}) {
        Compress(input, 1, 0, chunk);
        EXPECT_TRUE(ReadBytes("img.001") == whole) << chunk;
    }
}

// Sorting threads change nothing in the image, whatever the number of threads, the number of
// blocks in flight against it, or a last block that is only the marker; the progress reported
// grows block by block to the whole input.
TEST(ArchiveRoundTrip, ImageDoesNotDependOnThreads)
{
    ScopedTempDir dir;
    const std::string mixed = TextLike(430000, 21) + std::string(70000, 'q') + RandomBytes(160000, 22);
    // Exactly two full blocks at block size 1: the marker forms a third block of its own.
    const std::string full = RandomBytes(200000, 23);
    struct Case {
        const char* name;
        const std::string* input;
        int blockSize;
        uint64_t volumeSize;
    } cases[] = {{"mixed, block size 1", &mixed, 1, 0},
                 {"mixed, block size 2, volumes", &mixed, 2, 100000},
                 {"full blocks", &full, 1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> single;
        for (const std::string& p : Compress(*c.input, c.blockSize, c.volumeSize, 65536, 1).paths)
            single.push_back(ReadBytes(p.c_str()));
        for (int threads : {2, 3, 8}) {
            std::vector<uint64_t> progress;
            Image image = Compress(*c.input, c.blockSize, c.volumeSize, 65536, threads, &progress);
            ASSERT_EQ(image.paths.size(), single.size()) << threads;
            for (size_t i = 0; i < single.size(); ++i)
                EXPECT_TRUE(ReadBytes(image.paths[i].c_str()) == single[i]) << threads << " threads, volume " << i;
            ASSERT_FALSE(progress.empty());
            EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
            EXPECT_EQ(progress.back(), c.input->size());
        }
    }
}
