// The reader on two threads against the reader on one, over images whose trouble lies in a block
// that is decoded ahead: the same bytes from every Read, the same messages, and every message and
// error at the same Read.
#include "../common/ArchiveReaderFixture.h"
#include "../common/RandomBytes.h"
#include "../common/ZrvTestEncoder.h"

#include "ArchiveCompressor.h"

#include <filesystem>
#include <random>

using namespace zrvtest;

namespace {

std::string Sample(size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < n) {
        s += "item " + std::to_string(rng() % 5000) + (rng() % 3 ? ' ' : '\n');
        if (rng() % 9 == 0) s += std::string(rng() % 300, char('a' + rng() % 4));
        if (rng() % 5 == 0) s += char(rng());
    }
    s.resize(n);
    return s;
}

// The stream of the tool's own compressor (fast, for images of many blocks).
std::string ToolStream(const std::string& data, int blockSize)
{
    struct Sink : zrv::IByteSink {
        std::string out;
        void PutBytes(const uint8_t* p, size_t n) override { out.append(reinterpret_cast<const char*>(p), n); }
    } sink;
    zrv::CArchiveCompressor compressor(blockSize, sink);
    compressor.Write(data.data(), data.size());
    compressor.Finish();
    return sink.out;
}

void WriteVolumes(const std::string& stream, const std::vector<size_t>& cuts)
{
    std::vector<std::string> pieces = SplitStream(stream, cuts);
    for (size_t i = 0; i < pieces.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "img.%03d", int(i) + 1);
        WriteBytes(name, MakeVolume(pieces[i], 1));
    }
}

// Block contents of the test encoder: n bytes without four equal ones in a row.
std::string Plain(size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < n) {
        char c = char('a' + rng() % 20);
        if (s.size() < 3 || !(s[s.size() - 1] == c && s[s.size() - 2] == c && s[s.size() - 3] == c)) s += c;
    }
    return s;
}

struct Scenario {
    const char* name;
    std::function<void()> write;                      // writes the image's volumes
    std::function<int(const std::string&, UINT)> answer;  // answers the message boxes
    std::vector<size_t> readSizes;
    int closeAfter = -1;  // reads before Close; -1: read to the end
};

}  // namespace

class ArchivePipelineTest : public ArchiveReaderTest {
protected:
    std::string Trace(const Scenario& s, bool secondThread, size_t readSize)
    {
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) std::filesystem::remove(entry);
        s.write();
        answer = s.answer;
        return TraceReads("img.001", secondThread, readSize, s.closeAfter);
    }
};

TEST_F(ArchivePipelineTest, SameBytesMessagesAndErrorsAsOneThread)
{
    const std::string text = Sample(450000, 1);
    const std::string textStream = ToolStream(text, 1);
    // Random bytes give a stream longer than the reader's buffer, for a volume that holds a full
    // buffer and a few bytes more.
    const std::string random = RandomBytes(620000, 2, 251);
    const std::string randomStream = ToolStream(random, 1);
    ASSERT_GT(randomStream.size(), 512003u);
    const std::vector<std::string> good = {Plain(30000, 3), Plain(30000, 4), Plain(30000, 5), Plain(30000, 6)};
    auto withBlock = [&](size_t at, const std::string& content) {
        std::vector<std::string> blocks = good;
        blocks.back() += '*';
        blocks[at] = content;
        return blocks;
    };
    const auto cancel = [](const std::string&, UINT) { return IDCANCEL; };
    int tries = 0;
    // The disk is inserted at the second prompt.
    auto retryTwice = [&tries](const std::string& volume, const std::string& bytes) {
        return [&tries, volume, bytes](const std::string&, UINT) {
            if (++tries == 2) WriteBytes(volume, bytes);
            return IDRETRY;
        };
    };
    const std::string lastPiece = SplitStream(textStream, {textStream.size() / 3, textStream.size() / 3})[2];
    const std::string tailPiece = SplitStream(randomStream, {512003})[1];

    const Scenario scenarios[] = {
        {"three volumes", [&] { WriteVolumes(textStream, {textStream.size() / 3, textStream.size() / 3}); }, cancel,
         {4096, 70001, 1}},
        {"third volume missing, then inserted",
         [&] {
             tries = 0;
             WriteVolumes(textStream, {textStream.size() / 3, textStream.size() / 3});
             std::filesystem::remove("img.003");
         },
         retryTwice("img.003", MakeVolume(lastPiece, 1)), {4096, 250000}},
        {"second volume missing, cancelled",
         [&] {
             WriteVolumes(textStream, {textStream.size() / 2});
             std::filesystem::remove("img.002");
         },
         cancel, {4096}},
        {"a full buffer and three bytes, the next volume inserted late",
         [&] {
             tries = 0;
             WriteVolumes(randomStream, {512003});
             std::filesystem::remove("img.002");
         },
         retryTwice("img.002", MakeVolume(tailPiece, 1)), {4096, 99999}},
        {"closed in the middle of a volume", [&] { WriteVolumes(textStream, {textStream.size() / 2}); }, cancel,
         {4096, 100000}, 3},
        {"closed after the first volume", [&] { WriteVolumes(textStream, {textStream.size() / 2}); }, cancel,
         {225000}, 1},
        {"corrupt byte in the first volume",
         [&] {
             WriteVolumes(textStream, {textStream.size() / 2});
             std::string v = ReadBytes("img.001");
             v[v.size() - 100] ^= 0x04;
             WriteBytes("img.001", v);
         },
         cancel, {4096}},
        {"stream ends inside the third block",
         [&] {
             std::string stream = EncodeContents(withBlock(3, good[3] + "*"));
             WriteBytes("img.001", MakeVolume(stream.substr(0, stream.size() * 5 / 8), 1));
         },
         cancel, {4096, 1}},
        {"overrun in the third block",
         [&] { WriteBytes("img.001", MakeVolume(EncodeContents(withBlock(2, Plain(100001, 7))), 1)); }, cancel,
         {4096}},
        {"origin outside the second block",
         [&] {
             std::vector<SymbolBlock> blocks;
             for (const std::string& c : withBlock(3, good[3] + "*")) blocks.push_back(MakeBlock(c, false));
             blocks.back().origin = ~0;
             blocks[1].origin = 30000 + 5;
             WriteBytes("img.001", MakeVolume(EncodeSymbolBlocks(blocks), 1));
         },
         cancel, {4096}},
        {"count missing in the second block, overrun in the third",
         [&] {
             std::vector<std::string> blocks = withBlock(1, Plain(20000, 8) + "zzzz");
             blocks[2] = Plain(100001, 9);
             WriteBytes("img.001", MakeVolume(EncodeContents(blocks), 1));
         },
         cancel, {4096}},
    };
    for (const Scenario& s : scenarios) {
        for (size_t readSize : s.readSizes) {
            SCOPED_TRACE(std::string(s.name) + ", reads of " + std::to_string(readSize));
            std::string one = Trace(s, false, readSize);
            std::string two = Trace(s, true, readSize);
            EXPECT_EQ(two, one);
        }
    }
}
