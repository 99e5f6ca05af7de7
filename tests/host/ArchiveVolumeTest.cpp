// The reader's volumes: names, headers, chaining, the retry prompt, CRCs and Close.
#include "../common/ArchiveReaderFixture.h"
#include "../common/RandomBytes.h"
#include "../common/ZrvTestEncoder.h"
#include "AfxText.h"

#include <atomic>
#include <filesystem>
#include <new>
#include <random>

using namespace zrvtest;

// Array allocations of exactly this many bytes fail, as the system's would when memory runs out;
// every other one is served as usual.
static std::atomic<size_t> g_failArrayBytes{0};
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept
{
    if (n == g_failArrayBytes.load()) return nullptr;
    try {
        return ::operator new[](n);
    } catch (...) {
        return nullptr;
    }
}

namespace {

// Random bytes without four equal ones in a row: their own run-length coding, so blocks hold
// exactly 100000 bytes of them and the stream is spread evenly.
std::string RandomNoRuns(size_t n) { return WithoutRuns(RandomBytes(n, 3), 3); }

std::string Sample(size_t n)
{
    std::mt19937 rng(11);
    std::string s;
    while (s.size() < n) {
        s += "entry " + std::to_string(rng() % 1000) + ' ';
        if (rng() % 7 == 0) s += std::string(rng() % 40, char('a' + rng() % 3));
    }
    s.resize(n);
    return s;
}

// Writes the stream as volumes name.001, name.002, ... cut after the given data sizes.
void WriteVolumes(const std::string& stream, const std::vector<size_t>& cuts, int blockSizeByte = 1,
                  const char* base = "img", int first = 1)
{
    std::vector<std::string> pieces = SplitStream(stream, cuts);
    for (size_t i = 0; i < pieces.size(); ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "%s.%03d", base, first + int(i));
        WriteBytes(name, MakeVolume(pieces[i], blockSizeByte));
    }
}

}  // namespace

TEST_F(ArchiveReaderTest, VolumesCutAnywhereFormOneStream)
{
    std::string data = Sample(260000);
    std::string stream = Compress(data, 1);
    const size_t len = stream.size();
    const std::vector<std::vector<size_t>> cutsList = {
        {1}, {2, 1}, {3}, {4}, {len / 2}, {len - 1}, {1000, 1, 1, 5000}, {len / 3, len / 3}, {len}};
    for (const auto& cuts : cutsList) {
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) std::filesystem::remove(entry);
        WriteVolumes(stream, cuts);
        DecodeResult r = Decode("img.001", 65536);
        EXPECT_FALSE(r.threw) << cuts.size() << " cuts, first " << cuts[0] << ": " << BoxTexts();
        EXPECT_TRUE(r.data == data) << cuts.size() << " cuts, first " << cuts[0];
        EXPECT_TRUE(boxes.empty()) << BoxTexts();
    }
}

TEST_F(ArchiveReaderTest, VolumeNumberGrowsPast999)
{
    std::string stream = Compress("nine hundred and ninety-nine", 1);
    WriteVolumes(stream, {3}, 1, "img", 999);
    ASSERT_TRUE(std::filesystem::exists("img.1000"));
    DecodeResult r = Decode("img.999");
    EXPECT_FALSE(r.threw) << BoxTexts();
    EXPECT_EQ(r.data, "nine hundred and ninety-nine");
}

TEST_F(ArchiveReaderTest, MissingVolumeRetryContinuesTheStream)
{
    std::string data = Sample(50000);
    WriteVolumes(Compress(data, 1), {700});
    std::string second = ReadBytes("img.002");
    std::filesystem::remove("img.002");
    int prompts = 0;
    answer = [&](const std::string& text, UINT type) {
        EXPECT_EQ(text, msg::NotFound("img.002"));
        EXPECT_EQ(type, UINT(MB_RETRYCANCEL));
        // The user retries once without the disk, then inserts it and retries again.
        if (++prompts == 2) WriteBytes("img.002", second);
        return IDRETRY;
    };
    DecodeResult r = Decode("img.001", 333);
    EXPECT_EQ(prompts, 2);
    EXPECT_FALSE(r.threw) << BoxTexts();
    EXPECT_TRUE(r.data == data);
}

TEST_F(ArchiveReaderTest, MissingVolumeCancelEndsWithTheReadError)
{
    std::string data = Sample(50000);
    WriteVolumes(Compress(data, 1), {700});
    std::filesystem::remove("img.002");
    answer = [](const std::string&, UINT) { return IDCANCEL; };
    DecodeResult r = Decode("img.001", 1);
    EXPECT_TRUE(r.threw);
    ASSERT_EQ(boxes.size(), 1u) << BoxTexts();
    EXPECT_EQ(boxes[0].text, msg::NotFound("img.002"));
    EXPECT_LT(r.data.size(), data.size());
    EXPECT_EQ(r.data, data.substr(0, r.data.size()));
}

TEST_F(ArchiveReaderTest, MissingFirstVolume)
{
    struct Case {
        const char* path;
        bool prompted;
        int cause;
    } cases[] = {
        {"img.001", true, CFileException::fileNotFound},
        {"nodir/img.001", true, CFileException::badPath},
        {"adir.001", false, CFileException::accessDenied},  // a directory: refused without a prompt
    };
    std::filesystem::create_directory("adir.001");
    for (const Case& c : cases) {
        boxes.clear();
        CArchiveFile reader(&prompt);
        CFileException err;
        EXPECT_FALSE(reader.Open(c.path, CFile::typeBinary, &err)) << c.path;
        EXPECT_EQ(err.m_cause, c.cause) << c.path;
        EXPECT_EQ(boxes.size(), c.prompted ? 1u : 0u) << c.path;
        if (c.prompted && !boxes.empty()) {
            EXPECT_EQ(boxes[0].text, msg::NotFound(c.path));
        }
    }

    // Retry after the file has appeared opens it.
    answer = [](const std::string&, UINT) {
        WriteBytes("img.001", MakeVolume(EncodeContents({"ok*"})));
        return IDRETRY;
    };
    DecodeResult r = Decode("img.001");
    EXPECT_TRUE(r.opened);
    EXPECT_EQ(r.data, "ok");
}

TEST_F(ArchiveReaderTest, BadHeadersAndNames)
{
    std::string good = MakeVolume(EncodeContents({"ok*"}));
    std::string wrongMagic = good;
    wrongMagic[2] = 'X';
    std::string zeroMagic = good;
    zeroMagic[3] = 1;
    struct Case {
        const char* name;
        const char* path;
        std::string bytes;
        bool opened;
        bool threw;
        std::string box;
    } cases[] = {
        {"short header", "img.001", good.substr(0, 11), false, false, msg::ShortHeader("img.001")},
        {"empty file", "img.001", "", false, false, msg::ShortHeader("img.001")},
        {"wrong magic", "img.001", wrongMagic, false, false, msg::NotZrv("img.001")},
        {"fourth magic byte", "img.001", zeroMagic, false, false, msg::NotZrv("img.001")},
        {"header only", "img.001", good.substr(0, 12), false, true, msg::DataEnd("img.001")},
        // Its data ends before 26 bits, and what was taken does not match the stored CRC.
        {"too short to start the decoder", "img.001", good.substr(0, 15), false, true, msg::Integrity("img.001")},
        // A one-volume image needs no volume number: no next name is ever formed.
        {"name without a number", "image.zrv", good, true, false, ""},
        {"letter among the digits", "img.0a1", good, true, false, ""},
        {"name too short", "01", good, true, false, ""},
    };
    for (const Case& c : cases) {
        boxes.clear();
        std::filesystem::remove("img.001");
        WriteBytes(c.path, c.bytes);
        DecodeResult r = Decode(c.path);
        EXPECT_EQ(r.opened, c.opened) << c.name;
        EXPECT_EQ(r.threw, c.threw) << c.name;
        EXPECT_FALSE(r.foreignException) << c.name;
        if (c.box.empty()) {
            EXPECT_TRUE(boxes.empty()) << c.name << ": " << BoxTexts();
        } else {
            ASSERT_EQ(boxes.size(), 1u) << c.name;
            EXPECT_EQ(boxes[0].text, c.box) << c.name;
            EXPECT_EQ(boxes[0].type, UINT(MB_ICONHAND)) << c.name;
        }
    }
}

TEST_F(ArchiveReaderTest, BadLaterVolumeEndsTheData)
{
    std::string data = Sample(20000);
    std::string stream = Compress(data, 1);
    struct Case {
        const char* name;
        std::string second;  // contents of img.002
        std::string box;
    } cases[] = {
        {"short header", MakeVolume(stream.substr(500), 1).substr(0, 11), msg::ShortHeader("img.002")},
        {"empty file", "", msg::ShortHeader("img.002")},
        {"wrong magic", "ZRW" + MakeVolume(stream.substr(500), 1).substr(3), msg::NotZrv("img.002")},
        {"header only", MakeVolume("", 1), msg::DataEnd("img.002")},
        {"a directory", "<dir>", msg::CannotOpen("img.002")},
    };
    for (const Case& c : cases) {
        boxes.clear();
        std::filesystem::remove("img.002");
        WriteBytes("img.001", MakeVolume(stream.substr(0, 500), 1));
        if (c.second == "<dir>")
            std::filesystem::create_directory("img.002");
        else
            WriteBytes("img.002", c.second);
        DecodeResult r = Decode("img.001", 1);
        EXPECT_TRUE(r.threw) << c.name;
        EXPECT_EQ(r.data, data.substr(0, r.data.size())) << c.name;
        ASSERT_EQ(boxes.size(), 1u) << c.name << ": " << BoxTexts();
        EXPECT_EQ(boxes[0].text, c.box) << c.name;
        EXPECT_EQ(boxes[0].type, UINT(MB_ICONHAND)) << c.name;
    }
}

// A first volume without a volume number is read while its data last; the name is refused only
// when the stream runs on into a next volume.
TEST_F(ArchiveReaderTest, NameWithoutNumberFailsOnlyWhenANextVolumeIsNeeded)
{
    std::string data = Sample(20000);
    std::string stream = Compress(data, 1);
    WriteBytes("whole.zrv", MakeVolume(stream, 1));
    DecodeResult whole = Decode("whole.zrv");
    EXPECT_FALSE(whole.threw) << BoxTexts();
    EXPECT_TRUE(whole.data == data);
    EXPECT_TRUE(boxes.empty()) << BoxTexts();

    WriteBytes("split.zrv", MakeVolume(stream.substr(0, 500), 1));
    DecodeResult split = Decode("split.zrv");
    EXPECT_TRUE(split.threw);
    ASSERT_EQ(boxes.size(), 1u) << BoxTexts();
    EXPECT_EQ(boxes[0].text, msg::BadName("split.zrv"));
}

// Reading on after a short Read, or a string that the stream ends inside, is a corrupt image
// named in its message.
TEST_F(ArchiveReaderTest, AskingPastTheEndOfTheStreamIsReported)
{
    WriteBytes("img.001", MakeVolume(EncodeContents({"ab*"})));
    for (int reads : {1, 2}) {
        boxes.clear();
        CArchiveFile reader(&prompt);
        CFileException err;
        ASSERT_TRUE(reader.Open("img.001", CFile::typeBinary, &err));
        char buf[8] = {};
        bool threw = false;
        try {
            if (reads == 2) {
                EXPECT_EQ(reader.Read(buf, 8), 2u);
                reader.Read(buf, 1);
            } else {
                reader.ReadString(buf, 256);
            }
        } catch (CFileException* e) {
            threw = e == &err && err.m_cause == CFileException::generic;
        }
        EXPECT_TRUE(threw) << reads;
        ASSERT_EQ(boxes.size(), 1u) << BoxTexts();
        EXPECT_EQ(boxes[0].text, msg::StreamEnd("img.001"));
    }
}

TEST_F(ArchiveReaderTest, CorruptByteInEarlierVolumeIsReportedWhenPassingIt)
{
    // The first block is delivered from volume 1; the corruption shows only when the reader
    // moves on to volume 2.
    std::string data = RandomNoRuns(230000);
    std::string stream = Compress(data, 1);
    WriteVolumes(stream, {stream.size() - 40});
    std::string v1 = ReadBytes("img.001");
    // Stream bit 32 is the lowest bit of the first origin value: the first block is then taken
    // from its neighbouring row, which decodes without error into different bytes.
    uint8_t low = uint8_t(v1[12 + 3] << 1 | uint8_t(v1[12 + 4]) >> 7);
    ASSERT_TRUE(low != 0xFF && low != 0xFE && low != 0 && low != 1);
    v1[12 + 4] = char(uint8_t(v1[12 + 4]) ^ 0x80);
    WriteBytes("img.001", v1);

    CArchiveFile reader(&prompt);
    CFileException err;
    ASSERT_TRUE(reader.Open("img.001", CFile::typeBinary, &err));
    std::string buf(50000, '\0');
    bool threwEarly = false;
    try {
        reader.Read(&buf[0], UINT(buf.size()));
    } catch (CFileException*) {
        threwEarly = true;
    }
    ASSERT_FALSE(threwEarly) << BoxTexts();
    EXPECT_NE(buf, data.substr(0, buf.size()));
    EXPECT_TRUE(boxes.empty());
    buf.assign(data.size(), '\0');
    try {
        reader.Read(&buf[0], UINT(buf.size()));
        ADD_FAILURE() << "no integrity error";
    } catch (CFileException* e) {
        EXPECT_EQ(e, &err);
        EXPECT_EQ(err.m_cause, CFileException::generic);
    }
    ASSERT_EQ(boxes.size(), 1u) << BoxTexts();
    EXPECT_EQ(boxes[0].text, msg::Integrity("img.001"));
    EXPECT_EQ(boxes[0].type, UINT(MB_ICONHAND));
}

TEST_F(ArchiveReaderTest, CloseComparesTheBytesTakenSoFar)
{
    // Three blocks; the second one ends inside the second volume, which holds more after it.
    std::string data = RandomNoRuns(250000);
    std::string stream = Compress(data, 1);
    WriteVolumes(stream, {stream.size() / 2});
    struct Case {
        const char* name;
        size_t readBytes;
        bool passes;
        std::string volume;
    } cases[] = {
        {"right after Open", 0, false, "img.001"},
        {"in the middle of the second volume", 150000, false, "img.002"},
        {"after the last byte", data.size() + 1, true, ""},
    };
    for (const Case& c : cases) {
        boxes.clear();
        CArchiveFile reader(&prompt);
        CFileException err;
        ASSERT_TRUE(reader.Open("img.001", CFile::typeBinary, &err));
        std::string buf(c.readBytes, '\0');
        if (c.readBytes) reader.Read(&buf[0], UINT(buf.size()));
        bool threw = false;
        try {
            reader.Close();
        } catch (CFileException* e) {
            threw = e == &err && err.m_cause == CFileException::generic;
        }
        EXPECT_EQ(threw, !c.passes) << c.name;
        if (c.passes) {
            EXPECT_TRUE(boxes.empty()) << c.name << ": " << BoxTexts();
        } else {
            ASSERT_EQ(boxes.size(), 1u) << c.name;
            EXPECT_EQ(boxes[0].text, msg::Integrity(c.volume)) << c.name;
        }
    }
}

TEST_F(ArchiveReaderTest, FullBufferVolumeEndsTheData)
{
    // A non-final volume holding a multiple of the 512000-byte input buffer looks exhausted only
    // after an empty refill, which ends the data instead of moving on. The stream is one long
    // block of random positions (no block-sorting needed to build it) and a last block.
    std::mt19937 rng(5);
    SymbolBlock big{1, {}};
    for (int i = 0; i < 600000; ++i) big.symbols.push_back(int(1 + rng() % 255));
    big.symbols.push_back(kSymEnd);
    std::string stream = EncodeSymbolBlocks({big, MakeBlock("*", true)});
    ASSERT_GT(stream.size(), 512000u);
    WriteVolumes(stream, {}, 9);
    DecodeResult whole = Decode("img.001", 100000);
    ASSERT_FALSE(whole.threw) << BoxTexts();
    ASSERT_GE(whole.data.size(), 600000u);

    WriteVolumes(stream, {512000}, 9);
    DecodeResult r = Decode("img.001", 100000);
    EXPECT_TRUE(r.threw);
    ASSERT_EQ(boxes.size(), 1u) << BoxTexts();
    EXPECT_EQ(boxes[0].text, msg::DataEnd("img.001"));
    boxes.clear();

    // One byte more in the first volume and the stream is read across both.
    WriteVolumes(stream, {512001}, 9);
    r = Decode("img.001", 100000);
    EXPECT_FALSE(r.threw);
    EXPECT_TRUE(r.data == whole.data);
}

// Only the first volume's block-size byte sizes the blocks: a later volume's byte, whatever it
// says, changes nothing in how the blocks that follow are read.
TEST_F(ArchiveReaderTest, ALaterVolumesBlockSizeByteIsIgnored)
{
    std::string data = RandomNoRuns(250000);
    std::string stream = Compress(data, 1);
    std::vector<std::string> pieces = SplitStream(stream, {500});
    for (int later : {0, 1, 9, 255}) {
        boxes.clear();
        WriteBytes("img.001", MakeVolume(pieces[0], 1));
        WriteBytes("img.002", MakeVolume(pieces[1], later));
        DecodeResult r = Decode("img.001", 4096);
        EXPECT_FALSE(r.threw) << later << ": " << BoxTexts();
        EXPECT_TRUE(r.data == data) << later;
    }
}

// No memory for the input buffer, or for one of the three block arrays: the message gives the
// bytes asked for and the block size, as its two number pairs say.
TEST_F(ArchiveReaderTest, TheMemoryMessageNamesWhatWasAskedFor)
{
    WriteBytes("img.001", MakeVolume(EncodeContents({"ok*"}), 9));
    const std::string head = "FATAL:\tunable to allocate enough memory for decompression.\n\tRequested ";
    struct Case {
        size_t failing;
        std::string message;
    } cases[] = {
        {512000, head + "512000 bytes for a block size of 9.\n"},
        {900000, head + "5400000 bytes for a block size of 900000.\n"},      // block, last column
        {4 * 900000, head + "5400000 bytes for a block size of 900000.\n"},  // links
    };
    for (const Case& c : cases) {
        boxes.clear();
        g_failArrayBytes = c.failing;
        DecodeResult r = Decode("img.001");
        g_failArrayBytes = 0;
        EXPECT_TRUE(r.threw) << c.failing;
        EXPECT_FALSE(r.opened) << c.failing;
        ASSERT_EQ(boxes.size(), 1u) << BoxTexts();
        EXPECT_EQ(boxes[0].text, c.message);
        EXPECT_EQ(boxes[0].type, UINT(MB_ICONHAND));
    }
}

// The prompt's answer alone decides whether a missing volume, first or later, is looked for again;
// a reader without a prompt gives it up at once, as at Cancel, with the same cause.
TEST_F(ArchiveReaderTest, ThePromptDecidesWhetherAMissingVolumeIsLookedForAgain)
{
    std::string data = Sample(50000);
    const int dontCare = -1;
    struct Case {
        const char* name;
        const char* missing;
        bool withPrompt;
        int retries;   // questions answered Retry before the rest are answered Cancel
        int insertAt;  // the question at which the volume appears; 0: never
        int asks;      // questions expected
        bool opened;
        bool threw;
        int cause;
        bool whole;    // every byte delivered
    } cases[] = {
        {"no prompt, first volume", "img.001", false, 0, 0, 0, false, false, CFileException::fileNotFound, false},
        {"no prompt, later volume", "img.002", false, 0, 0, 0, true, true, CFileException::generic, false},
        {"Cancel, first volume", "img.001", true, 0, 0, 1, false, false, CFileException::fileNotFound, false},
        {"Cancel, later volume", "img.002", true, 0, 0, 1, true, true, CFileException::generic, false},
        {"Retry once, then Cancel, first volume", "img.001", true, 1, 0, 2, false, false,
         CFileException::fileNotFound, false},
        {"Retry once, then Cancel, later volume", "img.002", true, 1, 0, 2, true, true, CFileException::generic,
         false},
        {"Retry, inserted, first volume", "img.001", true, 1, 1, 1, true, false, dontCare, true},
        {"Retry twice, inserted at the second, later volume", "img.002", true, 2, 2, 2, true, false, dontCare,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        WriteVolumes(Compress(data, 1), {700});
        const std::string saved = ReadBytes(c.missing);
        std::filesystem::remove(c.missing);
        int asks = 0;
        answer = [&](const std::string& text, UINT type) {
            EXPECT_EQ(text, msg::NotFound(c.missing));
            EXPECT_EQ(type, UINT(MB_RETRYCANCEL));
            if (++asks == c.insertAt) WriteBytes(c.missing, saved);
            return asks <= c.retries ? IDRETRY : IDCANCEL;
        };
        DecodeResult r = DecodeWith(c.withPrompt ? &prompt : nullptr, "img.001", 333);
        EXPECT_EQ(asks, c.asks);
        EXPECT_EQ(int(boxes.size()), c.asks) << BoxTexts();
        EXPECT_EQ(r.opened, c.opened);
        EXPECT_EQ(r.threw, c.threw);
        EXPECT_FALSE(r.foreignException);
        if (c.cause != dontCare) {
            EXPECT_EQ(r.cause, c.cause);
        }
        EXPECT_EQ(r.data == data, c.whole) << r.data.size();
        EXPECT_EQ(r.data, data.substr(0, r.data.size()));
    }
}

// A reader without a prompt fails at the same point and in the same way as one with a prompt,
// and shows nothing: no message box (the fixture checks), no text anywhere.
TEST_F(ArchiveReaderTest, AReaderWithoutAPromptTellsNothing)
{
    std::string data = Sample(20000);
    std::string stream = Compress(data, 1);
    std::string notZrv = MakeVolume(stream, 1);
    notZrv[0] = 'Q';
    // Its stored CRC is wrong: found when the reader moves on to the second volume.
    std::string damaged = MakeVolume(stream.substr(0, 500), 1);
    damaged[8] = char(damaged[8] ^ 0x10);
    struct Case {
        const char* name;
        std::string first;
        std::string second;  // "": no second volume
        std::string told;    // what a reader with a prompt tells
    } cases[] = {
        {"not a ZRV-Zip file", notZrv, "", msg::NotZrv("img.001")},
        {"a first volume with a wrong CRC", damaged, MakeVolume(stream.substr(500), 1), msg::Integrity("img.001")},
        {"a later volume too short", MakeVolume(stream.substr(0, 500), 1), "ZRV", msg::ShortHeader("img.002")},
        {"the data end early", MakeVolume(stream.substr(0, 500), 1), MakeVolume("", 1), msg::DataEnd("img.002")},
        {"a block too long for its size", MakeVolume(EncodeContents({"*"}), 0), "", msg::kOverrun},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove("img.002");
        WriteBytes("img.001", c.first);
        if (!c.second.empty()) WriteBytes("img.002", c.second);
        boxes.clear();
        DecodeResult told = Decode("img.001", 1000);
        EXPECT_EQ(BoxTexts(), c.told + "|");
        boxes.clear();
        DecodeResult silent = DecodeWith(nullptr, "img.001", 1000);
        EXPECT_TRUE(boxes.empty()) << BoxTexts();
        EXPECT_EQ(silent.opened, told.opened);
        EXPECT_EQ(silent.threw, told.threw);
        EXPECT_EQ(silent.cause, told.cause);
        EXPECT_EQ(silent.cause, CFileException::generic);
        EXPECT_TRUE(silent.data == told.data) << silent.data.size() << " and " << told.data.size();
    }
}

// The reader's messages are looked up in the language spoken: a chosen table's text, with the
// path or numbers in it, or exact English without a table. A key the table lacks, or a text whose
// conversions differ from the English ones, is said in English.
TEST_F(ArchiveReaderTest, TheMessagesSpeakTheChosenLanguage)
{
    const std::string table = "Language=xx\nLanguageName=Test\n"
                              "archive.not_found=xx: wo ist '%s'?\n"
                              "archive.not_zrv=xx:\t'%s' ist kein ZRV\n"
                              "archive.integrity=xx: '%s' kaputt\n"
                              "archive.overrun=xx: Block zu lang\n"
                              "archive.no_memory=xx: %d Bytes für Block %d\n"
                              "archive.short_header=xx: '%d' zu kurz\n";
    struct RestoreEnglish {
        ~RestoreEnglish() { AfxSetTextTables({}); }
    } restore;
    std::string good = MakeVolume(EncodeContents({"ok*"}));
    std::string wrongMagic = good;
    wrongMagic[2] = 'X';
    struct Case {
        const char* name;
        std::string bytes;  // img.001; "" leaves it out
        size_t failing;     // an array allocation of this size fails; 0: none
        std::string chosen;
        std::string english;
    } cases[] = {
        {"a missing volume", "", 0, "xx: wo ist 'img.001'?", msg::NotFound("img.001")},
        {"not a ZRV-Zip file", wrongMagic, 0, "xx:\t'img.001' ist kein ZRV", msg::NotZrv("img.001")},
        {"a wrong CRC", good.substr(0, 15), 0, "xx: 'img.001' kaputt", msg::Integrity("img.001")},
        {"a block too long for its size", MakeVolume(EncodeContents({"*"}), 0), 0, "xx: Block zu lang", msg::kOverrun},
        {"no memory for the input", good, 512000, "xx: 512000 Bytes für Block 9",
         "FATAL:\tunable to allocate enough memory for decompression.\n\tRequested 512000 bytes for a block size of 9.\n"},
        {"a key the table lacks", MakeVolume("", 1), 0, msg::DataEnd("img.001"), msg::DataEnd("img.001")},
        {"a text with other conversions", good.substr(0, 11), 0, msg::ShortHeader("img.001"), msg::ShortHeader("img.001")},
    };
    for (bool chosen : {true, false}) {
        std::vector<CTextTable> tables;
        if (chosen) {
            ASSERT_TRUE(AfxParseTextTables(table.data(), table.size(), tables, nullptr));
        }
        AfxSetTextTables(tables);
        AfxSetLanguage(chosen ? 0 : -1);
        ASSERT_STREQ(AfxGetLanguage(), chosen ? "xx" : "en");
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (chosen ? ", table xx" : ", English"));
            std::filesystem::remove("img.001");
            if (!c.bytes.empty()) WriteBytes("img.001", c.bytes);
            boxes.clear();
            g_failArrayBytes = c.failing;
            Decode("img.001");
            g_failArrayBytes = 0;
            ASSERT_EQ(boxes.size(), 1u) << BoxTexts();
            EXPECT_EQ(boxes[0].text, chosen ? c.chosen : c.english);
        }
    }
}
