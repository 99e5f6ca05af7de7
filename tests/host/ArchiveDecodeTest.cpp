// The reader's decoding: the worked images, the arithmetic's rare cases, runs, block limits,
// damaged blocks, and Read / ReadString over any piece sizes.
#include "../common/ArchiveReaderFixture.h"
#include "../common/RandomBytes.h"
#include "../common/ZrvTestEncoder.h"
#include "ArchiveTransform.h"

#include <cstring>
#include <random>

using namespace zrvtest;

namespace {

std::string TextLike(size_t n)
{
    static const char* words[] = {"the ", "installer ", "reads ", "volume ", "of ", "a ", "disk ", "image\r\n",
                                  "block ", "sorting ", "and ", "arithmetic ", "coding ", "Zorvan ", "setup "};
    std::mt19937 rng(7);
    std::string s;
    while (s.size() < n) s += words[rng() % 15];
    s.resize(n);
    return s;
}

// No four equal bytes in a row, so run-length coding leaves it unchanged.
std::string NoRuns(size_t n)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = char((i * 7 + i / 251) % 251);
    return s;
}

}  // namespace

TEST_F(ArchiveReaderTest, WorkedImagesDecodeExactly)
{
    struct Case {
        std::string data;
        uint32_t crc;
        int32_t origin;
        std::vector<int> symbols;
        std::string output;
    } cases[] = {
        {WorkedImageAbc(), 0xFB155432u, -2,
         {99, 43, 98, 99, 259}, "abc"},
        {WorkedImageAaaaaaaab(), 0xDCF7FBF7u, -6,
         {97, 98, 1, 257, 44, 6, 259}, "aaaaaaab"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(zrv::Crc32(c.data.data(), c.data.size()), c.crc);
        // The test encoder writes these bytes but for the free bits of the last one, so it can be
        // trusted for the other cases.
        std::string ours = EncodeSymbolBlocks({{c.origin, c.symbols}});
        ASSERT_EQ(ours.size(), c.data.size());
        EXPECT_EQ(ours.substr(0, ours.size() - 1), c.data.substr(0, c.data.size() - 1));

        WriteBytes("img.001", MakeVolume(c.data));
        CArchiveFile reader(&prompt);
        CFileException err;
        ASSERT_TRUE(reader.Open("img.001", CFile::typeBinary, &err));
        char buf[10] = {};
        EXPECT_EQ(reader.Read(buf, 10), c.output.size());
        EXPECT_EQ(std::string(buf, c.output.size()), c.output);
        EXPECT_NO_THROW(reader.Close());  // every data byte taken, CRC as stored
        EXPECT_TRUE(boxes.empty()) << BoxTexts();
    }
}

TEST_F(ArchiveReaderTest, WorkedBlockRebuildsBanana)
{
    int32_t row = 0;
    EXPECT_EQ(Bwt("banana", row), "nnbaaa");
    EXPECT_EQ(row, 3);
    std::vector<int> symbols = {110, 258, 99, 99, 257, 259};
    EXPECT_EQ(MtfSymbols("nnbaaa"), symbols);

    std::string stream = EncodeSymbolBlocks({{4, symbols}, MakeBlock("*", true)});
    WriteBytes("img.001", MakeVolume(stream));
    DecodeResult r = Decode("img.001");
    EXPECT_FALSE(r.threw) << BoxTexts();
    EXPECT_EQ(r.data, "banana");
}

TEST_F(ArchiveReaderTest, RunDigitsAreBijectiveBaseTwo)
{
    const std::vector<std::vector<int>> expected = {
        {258}, {257}, {258, 258}, {258, 257}, {257, 258}, {257, 257}, {258, 258, 258}};
    for (size_t k = 1; k <= expected.size(); ++k) {
        std::vector<int> digits;
        AppendRunDigits(digits, k);
        EXPECT_EQ(digits, expected[k - 1]) << k;
    }
}

// Round trips through the independent test encoder, over shapes that reach the decoder's rare
// arithmetic cases and the block boundaries.
TEST_F(ArchiveReaderTest, RoundTripsOverManyShapes)
{
    std::string allBytes;
    for (int i = 0; i < 256; ++i) allBytes += char(i);
    struct Case {
        const char* name;
        std::string data;
        int blockSizeByte;
    } cases[] = {
        {"empty", "", 1},
        {"one byte", "x", 1},
        {"every byte value", allBytes + allBytes, 1},
        {"long runs", std::string(5000, 'a') + std::string(3, 'b') + std::string(4, 'c') + std::string(259, 'd') +
                          std::string(260, 'e') + std::string(263, 'f'),
         1},
        {"random", RandomBytes(30000, 1), 1},
        {"small alphabet", RandomBytes(50000, 2, 3), 1},
        {"text", TextLike(120000), 1},
        {"N - 1", NoRuns(99999), 1},
        {"N", NoRuns(100000), 1},
        {"N + 1", NoRuns(100001), 1},
        {"two blocks of size 2", NoRuns(400001), 2},
        {"past the altered positions", RandomBytes(9000, 3, 16), 1},
    };
    EncoderStats total;
    for (const Case& c : cases) {
        EncoderStats stats;
        WriteBytes("img.001", MakeVolume(Compress(c.data, c.blockSizeByte, &stats), c.blockSizeByte));
        DecodeResult r = Decode("img.001", 70001);
        EXPECT_FALSE(r.threw) << c.name << ": " << BoxTexts();
        EXPECT_TRUE(r.data == c.data) << c.name << ": " << r.data.size() << " of " << c.data.size() << " bytes";
        total.remainderUsed += stats.remainderUsed;
        total.exactBottom += stats.exactBottom;
        for (int i = 0; i < 8; ++i) total.halvings[i] += stats.halvings[i];
    }
    // The corpus did reach the cases a decoder most easily gets wrong.
    EXPECT_GT(total.remainderUsed, 0);
    EXPECT_GT(total.exactBottom, 0);
    // Halving happens only above the limit: "2-3", "64-127" and "128-255" can land on it exactly.
    for (int i : {0, 1, 6, 7}) EXPECT_GT(total.halvings[i], 0) << "model " << i;
}

TEST_F(ArchiveReaderTest, BasisHalvesAtItsSeventyThirdSymbol)
{
    // 72 symbols after the origin leave "basis" at 996; the 73rd takes it to 1008 and halves it.
    for (int count : {72, 73, 74, 200}) {
        std::string content;
        for (int i = 0; i < count - 1; ++i) content += char('A' + i % 50);
        content += '*';
        SymbolBlock b = MakeBlock(content, true);
        TestStreamEncoder enc;
        enc.Block(b);
        EXPECT_EQ(enc.Stats().halvings[0] > 0, b.symbols.size() >= 73) << count;
        WriteBytes("img.001", MakeVolume(enc.Finish()));
        DecodeResult r = Decode("img.001");
        EXPECT_FALSE(r.threw) << count << ": " << BoxTexts();
        EXPECT_EQ(r.data, content.substr(0, content.size() - 1)) << count;
    }
}

TEST_F(ArchiveReaderTest, CountBytesExpandExactly)
{
    struct Case {
        std::string content;  // one last block, marker included
        std::string output;
    } cases[] = {
        {std::string("aaaa\0*", 6), "aaaa"},
        {"aaaa\xff*", std::string(259, 'a')},
        // After a count the next equal byte starts a new group: the count follows the eighth.
        {std::string("aaaa\0aaaa\x01*", 11), std::string(9, 'a')},
        {"abbbb\x03" "c*", "abbbbbbbc"},
        {"aaa*", "aaa"},
        {"aabbbb\x02" "b*", "aabbbbbbb"},
    };
    for (const Case& c : cases) {
        WriteBytes("img.001", MakeVolume(EncodeContents({c.content})));
        for (size_t readSize : {size_t(1), size_t(2), size_t(5), size_t(300)}) {
            DecodeResult r = Decode("img.001", readSize);
            EXPECT_FALSE(r.threw) << BoxTexts();
            EXPECT_EQ(r.data, c.output) << "read size " << readSize;
        }
    }
}

TEST_F(ArchiveReaderTest, DamagedBlocksAreReportedAsCorrupt)
{
    const int n = 100000;
    auto block = [](std::string content, bool last) { return MakeBlock(std::move(content), last); };
    auto withOrigin = [](SymbolBlock b, int32_t origin) {
        b.origin = origin;
        return b;
    };
    auto run = [](int first, uint64_t count, std::vector<int> tail) {
        std::vector<int> s = {first};
        AppendRunDigits(s, count);
        s.insert(s.end(), tail.begin(), tail.end());
        return s;
    };
    struct Case {
        const char* name;
        std::vector<SymbolBlock> blocks;
        std::string message;
        std::string delivered;  // bytes that reach the caller before the error
    } cases[] = {
        {"one byte over N from a run", {{1, run(97, uint64_t(n), {259})}}, msg::kOverrun, ""},
        {"one byte over N from a position", {{1, run(97, uint64_t(n - 1), {98, 259})}}, msg::kOverrun, ""},
        {"a huge run count", {{1, run(97, uint64_t(1) << 50, {259})}}, msg::kOverrun, ""},
        {"origin past the block", {withOrigin(block("hello*", true), ~6)}, msg::kBadOrigin, ""},
        {"origin value 0", {withOrigin(block("hello", false), 0), block("*", true)}, msg::kBadOrigin, ""},
        {"origin value past a non-last block", {withOrigin(block("hello", false), 6), block("*", true)},
         msg::kBadOrigin, ""},
        {"empty last block", {{-1, {259}}}, msg::kUnblock, ""},
        {"last block without its marker", {block("abc", true)}, msg::kUnblock, "ab"},
        {"four equal bytes end the last block", {block("xaaaa*", true)}, msg::kMissingCount, "xaaaa"},
        {"four equal bytes end a block", {block("aaaa", false), block("*", true)}, msg::kMissingCount, "aaaa"},
    };
    for (const Case& c : cases) {
        boxes.clear();
        WriteBytes("img.001", MakeVolume(EncodeSymbolBlocks(c.blocks), 1));
        DecodeResult r = Decode("img.001", 1);
        EXPECT_TRUE(r.threw) << c.name;
        EXPECT_EQ(r.data, c.delivered) << c.name;
        ASSERT_EQ(boxes.size(), 1u) << c.name << ": " << BoxTexts();
        EXPECT_EQ(boxes[0].text, c.message) << c.name;
        EXPECT_EQ(boxes[0].type, UINT(MB_ICONHAND)) << c.name;
    }
}

TEST_F(ArchiveReaderTest, ValuePastTheModelDecodesItsLastSymbol)
{
    // With the first bit set, value starts at or above range: every origin byte decodes as 255
    // (origin value -1, the last block) and the class model yields its last symbol, the end of
    // the block, at once. The last block is empty and has no marker.
    WriteBytes("img.001", MakeVolume(std::string(8, '\xFF')));
    DecodeResult r = Decode("img.001", 1);
    EXPECT_TRUE(r.opened);
    EXPECT_TRUE(r.threw);
    EXPECT_TRUE(r.data.empty());
    ASSERT_EQ(boxes.size(), 1u) << BoxTexts();
    EXPECT_EQ(boxes[0].text, msg::kUnblock);

    // A reader that was never opened has nothing to deliver.
    CArchiveFile idle(&prompt);
    char ch;
    EXPECT_EQ(idle.Read(&ch, 1), 0u);
}

TEST_F(ArchiveReaderTest, BlockSizeZeroHoldsNoByte)
{
    WriteBytes("img.001", MakeVolume(EncodeContents({"*"}), 0));
    DecodeResult r = Decode("img.001");
    EXPECT_TRUE(r.threw);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, msg::kOverrun);
}

TEST_F(ArchiveReaderTest, EmptyBlocksBetweenOthersDeliverNothing)
{
    SymbolBlock empty{1, {259}};
    std::string stream =
        EncodeSymbolBlocks({empty, MakeBlock("ab", false), empty, empty, MakeBlock("cd", false), empty, MakeBlock("e*", true)});
    WriteBytes("img.001", MakeVolume(stream));
    for (size_t readSize : {size_t(1), size_t(5), size_t(6)}) {
        DecodeResult r = Decode("img.001", readSize);
        EXPECT_FALSE(r.threw) << BoxTexts();
        EXPECT_EQ(r.data, "abcde") << readSize;
    }
}

TEST_F(ArchiveReaderTest, ReadServesAnyPieceSize)
{
    std::string data = TextLike(150000) + std::string(3000, 'z') + RandomBytes(120000, 9, 40);
    WriteBytes("img.001", MakeVolume(Compress(data, 1), 1));
    for (size_t readSize : {size_t(1), size_t(3), size_t(4096), size_t(99999), size_t(100000), size_t(1) << 20}) {
        DecodeResult r = Decode("img.001", readSize);
        EXPECT_FALSE(r.threw) << readSize;
        EXPECT_TRUE(r.data == data) << readSize << ": " << r.data.size();
    }
}

TEST_F(ArchiveReaderTest, ReadAtTheEndOfTheStream)
{
    WriteBytes("img.001", MakeVolume(EncodeContents({"abc*"})));
    CArchiveFile reader(&prompt);
    CFileException err;
    ASSERT_TRUE(reader.Open("img.001", CFile::typeBinary, &err));
    char buf[8];
    EXPECT_EQ(reader.Read(buf, 0), 0u);
    EXPECT_EQ(reader.Read(buf, 3), 3u);  // fills the buffer with the block's last byte
    EXPECT_EQ(reader.Read(buf, 3), 0u);  // finds the block exhausted and the marker in place
    // Past the end there is nothing to decode: the image cannot hold what its reader asks for,
    // told once, then the read error.
    try {
        reader.Read(buf, 1);
        ADD_FAILURE() << "no error past the end";
    } catch (CFileException* e) {
        EXPECT_EQ(e, &err);
        EXPECT_EQ(e->m_cause, CFileException::generic);
    }
    ASSERT_EQ(boxes.size(), 1u) << BoxTexts();
    EXPECT_EQ(boxes[0].text, msg::StreamEnd("img.001"));
}

TEST_F(ArchiveReaderTest, ReadStringStopsAtItsLimit)
{
    std::string name255(255, 'n');
    std::string name256(256, 'm');
    std::string payload = name255 + '\0' + name256 + "tail";
    WriteBytes("img.001", MakeVolume(Compress(payload, 1), 1));
    CArchiveFile reader(&prompt);
    CFileException err;
    ASSERT_TRUE(reader.Open("img.001", CFile::typeBinary, &err));
    char buf[300];
    EXPECT_EQ(reader.ReadString(buf, 0), 1);  // reads nothing
    EXPECT_EQ(reader.ReadString(buf, 256), 256);
    EXPECT_EQ(std::string(buf), name255);
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(reader.ReadString(buf, 256), 257);
    EXPECT_EQ(std::string(buf, 256), name256);
    EXPECT_EQ(buf[256], '#');  // no terminator written
    EXPECT_EQ(reader.ReadString(buf, 2), 3);
    EXPECT_EQ(std::string(buf, 2), "ta");
}

TEST_F(ArchiveReaderTest, AlteredPositionsAreRestored)
{
    std::vector<int> expected = {8000, 15983, 23983, 32051, 40000, 48017, 56051, 64017, 71949, 79932, 87932, 96000};
    EXPECT_EQ(SpotPositions(96001), expected);
    EXPECT_TRUE(SpotPositions(8000).empty());
    EXPECT_EQ(SpotPositions(8001), std::vector<int>{8000});
    // Blocks whose last index sits on either side of an altered position, and a full cycle.
    for (size_t size : {size_t(8000), size_t(8001), size_t(8002), size_t(15984), size_t(15985), size_t(72000)}) {
        std::string content = RandomBytes(size - 1, uint32_t(size), 3) + '*';
        // Keep it free of runs so that it is its own expansion.
        for (size_t i = 3; i + 1 < content.size(); ++i)
            if (content[i] == content[i - 1] && content[i] == content[i - 2] && content[i] == content[i - 3])
                content[i] = 'q';
        WriteBytes("img.001", MakeVolume(EncodeContents({content})));
        DecodeResult r = Decode("img.001");
        EXPECT_FALSE(r.threw) << size << ": " << BoxTexts();
        EXPECT_TRUE(r.data == content.substr(0, size - 1)) << size;
    }
}

std::string TextBwt()
{
    int32_t row = 0;
    return Bwt(TextLike(70001), row);
}

// Every walk of the inverse transform gives the bytes of the plain backward walk, also for last
// columns that no block sorting produces (several cycles, which the two-way walk must notice).
TEST(ArchiveTransform, AllWalksAgree)
{
    std::mt19937 rng(17);
    struct Case {
        const char* name;
        std::string lastColumn;
    } cases[] = {
        {"one byte", "x"},
        {"banana", "nnbaaa"},
        {"periodic", "bbbbaaaa"},
        {"random 257", RandomBytes(257, 4)},
        {"random 1000 over 2 values", RandomBytes(1000, 5, 2)},
        {"random 4097", RandomBytes(4097, 6)},
        {"text", TextBwt()},
        {"one value", std::string(3000, 'q')},
        {"sparse values", RandomBytes(5000, 7, 256).substr(0, 300) + std::string(4700, 'z')},
    };
    for (const Case& c : cases) {
        const int n = int(c.lastColumn.size());
        for (int origin : {0, n / 3, n - 1}) {
            std::string expected;
            for (auto walk : {zrv::InverseWalk::plain, zrv::InverseWalk::fused, zrv::InverseWalk::twoWay}) {
                std::vector<uint8_t> last(c.lastColumn.begin(), c.lastColumn.end());
                std::vector<int32_t> links(size_t(n), -1);
                std::vector<uint8_t> block(size_t(n), 0xEE);
                zrv::InvertBlockTransform(last.data(), links.data(), block.data(), n, origin, walk);
                std::string got(block.begin(), block.end());
                if (walk == zrv::InverseWalk::plain)
                    expected = got;
                else
                    EXPECT_TRUE(got == expected) << c.name << ", origin " << origin << ", walk " << int(walk);
            }
        }
    }
    // The plain walk itself: banana from its last column.
    std::vector<uint8_t> last = {'n', 'n', 'b', 'a', 'a', 'a'};
    std::vector<int32_t> links(6);
    std::vector<uint8_t> block(6);
    zrv::InvertBlockTransform(last.data(), links.data(), block.data(), 6, 3, zrv::InverseWalk::plain);
    EXPECT_EQ(std::string(block.begin(), block.end()), "banana");
}
