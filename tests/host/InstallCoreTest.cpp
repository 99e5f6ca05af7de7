// The portable parts of the installation engine: entry name rules, the payload stream reader,
// the status text buffers, and the code page of stored names.
#include "AfxCodePage.h"
#include "EntryName.h"
#include "Payload.h"
#include "StatusText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <thread>
#include <vector>

namespace {

const char* Check(const std::string& name)
{
    std::string buffer = name;
    buffer.resize(kEntryNameBufferSize, '\0');
    return CheckEntryName(buffer.data(), buffer.size());
}

TEST(EntryName, AcceptsPlainNamesAndRefusesEscapes)
{
    struct Case {
        std::string name;
        bool ok;
    } cases[] = {
        {"readme.txt", true},        {"\\docs", true},            {"docs\\sub\\a.b.c", true},
        {"\\docs\\sub", true},       {"nullify.txt", true},       {"CONSOLE", true},
        {"com10.txt", true},         {"lpt0", true},              {"caf\xe9.txt", true},
        {".profile", true},          {"a b", true},               {"...x", true},
        {"..", false},               {"\\..", false},             {"a\\..\\..\\b", false},
        {".", false},                {"\\docs\\.", false},        {"C:\\x", false},
        {"C:x", false},              {"x:stream", false},         {"/etc/passwd", false},
        {"a/b", false},              {"\\\\server", false},       {"a\\\\b", false},
        {"a\\", false},              {"\\", false},               {"", false},
        {"CON", false},              {"con.txt", false},          {"Nul.tar.gz", false},
        {"\\aux", false},            {"sub\\PRN", false},         {"COM1", false},
        {"lpt9.log", false},         {"COM\xb9", false},          {"conout$", false},
        {"NUL .txt", false},         {"name.", false},            {"name ", false},
        {"dir \\x", false},          {"a\tb", false},             {"a?b", false},
        {"a*b", false},              {"a<b", false},              {"a|b", false},
        {"a\"b", false},             {std::string(255, 'n'), true},
    };
    for (const Case& c : cases) EXPECT_EQ(Check(c.name) == nullptr, c.ok) << "'" << c.name << "'";
}

TEST(EntryName, NeedsItsZeroByteWithinTheBuffer)
{
    std::string full(kEntryNameBufferSize, 'A');
    EXPECT_STREQ(CheckEntryName(full.data(), full.size()), "no end within 256 bytes");
    full[255] = '\0';
    EXPECT_EQ(CheckEntryName(full.data(), full.size()), nullptr);
    // The check never looks past the size it is given.
    EXPECT_NE(CheckEntryName("abc\0", 3), nullptr);
}

// A path held as text meets the same rule, and its length is the buffer's less the zero byte.
TEST(EntryName, APathAsTextMeetsTheSameRule)
{
    const struct {
        const char* pszRow;
        std::string strPath;
        const char* pszWhy;  // null: accepted
    } rows[] = {
        {"a plain path", "docs\\readme.txt", nullptr},
        {"255 bytes", std::string(255, 'a'), nullptr},
        {"256 bytes", std::string(256, 'a'), kEntryPathTooLong},
        {"a zero byte inside, which would cut the name short", std::string("a\0b", 3), "refused"},
        {"a parent component", "a\\..\\b", "refused"},
        {"a device", "nul.txt", "refused"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszRow);
        const char* why = CheckEntryPath(row.strPath);
        if (!row.pszWhy) {
            EXPECT_EQ(why, nullptr);
            continue;
        }
        ASSERT_NE(why, nullptr);
        if (row.pszWhy == kEntryPathTooLong) EXPECT_EQ(why, kEntryPathTooLong);
        else EXPECT_NE(why, kEntryPathTooLong);
    }
}

// A CFile over a byte string, for feeding the stream reader.
class MemoryFile : public CFile {
public:
    explicit MemoryFile(std::string bytes) : m_bytes(std::move(bytes)) {}
    UINT Read(void* p, UINT n) override
    {
        size_t k = std::min<size_t>(n, m_bytes.size() - m_pos);
        std::memcpy(p, m_bytes.data() + m_pos, k);
        m_pos += k;
        return UINT(k);
    }

private:
    std::string m_bytes;
    size_t m_pos = 0;
};

std::string Read(const std::string& stream)
{
    MemoryFile file(stream);
    PayloadReader reader(file);
    std::string out = "total " + std::to_string(reader.ReadTotal());
    PayloadEntry e;
    try {
        while (reader.NextEntry(e)) {
            out += "|" + e.name;
            if (!e.bDirectory) {
                std::string data(e.nSize, '\0');
                reader.ReadData(&data[0], e.nSize);
                out += "=" + data;
            }
        }
    } catch (const PayloadError& err) {
        out += "|error: " + std::string(err.what());
    }
    return out;
}

std::string Stream(uint32_t total, const std::vector<std::pair<std::string, std::string>>& entries)
{
    std::string s;
    PayloadBuilder::AppendTotal(s, total);
    for (const auto& [name, data] : entries) {
        if (name[0] == '\\') {
            PayloadBuilder::AppendDirectory(s, name);
        } else {
            PayloadBuilder::AppendFileHeader(s, name, uint32_t(data.size()));
            s += data;
        }
    }
    return s;
}

TEST(Payload, BuilderWritesLittleEndianFields)
{
    std::string s = Stream(0x01020304, {{"\\d", ""}, {"d\\f", "xy"}});
    EXPECT_EQ(s, std::string("\x04\x03\x02\x01\\d\0d\\f\0\x02\0\0\0xy", 17));
}

TEST(Payload, ReaderFollowsTheTotalAndRefusesWhatTheInstallerWouldMisread)
{
    struct Case {
        std::string stream;
        std::string expected;
    } cases[] = {
        {Stream(5, {{"\\d", ""}, {"d\\a", "12"}, {"b", ""}, {"c", "345"}}), "total 5|\\d|d\\a=12|b=|c=345"},
        {Stream(0, {}), "total 0"},
        {Stream(0, {{"\\d", ""}}), "total 0|error: data after the last entry: the file sizes add up to more than the total"},
        {Stream(2, {{"a", "12"}, {"b", "3"}}), "total 2|a=12|error: data after the last entry: the file sizes add up to more than the total"},
        {Stream(9, {{"a", "12"}}), "total 9|a=12|error: the payload ends inside an entry name"},
        {Stream(1, {{"a", "12"}}), "total 1|error: entry 'a': its size is larger than what is left of the total"},
        {Stream(3, {{"..\\a", "123"}}), "total 3|error: bad entry name '..\\a': path component ends in a dot"},
        {Stream(3, {{"nul", "123"}}), "total 3|error: bad entry name 'nul': device name as path component"},
        {Stream(3, {}).append(300, 'A'), "total 3|error: bad entry name '" + std::string(256, 'A') + "': no end within 256 bytes"},
        {Stream(3, {}).append("a\0\1\0", 4), "total 3|error: the payload ends inside the size of 'a'"},
        {Stream(3, {}).append("a\0\3\0\0\0xy", 8), "total 3|a|error: the payload ends inside the data of 'a'"},
    };
    for (const Case& c : cases) EXPECT_EQ(Read(c.stream), c.expected);
}

TEST(StatusText, ABufferIsReusedOnlyAfterItWasGivenBack)
{
    CStatusTextPool pool;
    const char* a = pool.Acquire("first");
    const char* b = pool.Acquire("second");
    EXPECT_NE(a, b);
    EXPECT_STREQ(a, "first");
    CStatusTextPool::Release(a);
    const char* c = pool.Acquire("third");
    EXPECT_EQ(c, a);
    EXPECT_STREQ(b, "second");  // still out: untouched
    EXPECT_EQ(pool.GetBufferCount(), 2u);
    std::string longText(400, 'x');
    EXPECT_EQ(std::strlen(pool.Acquire(longText.c_str())), size_t(CStatusTextPool::kTextSize - 1));
}

TEST(StatusText, ASlowReceiverOnAnotherThreadSeesEveryTextUnchanged)
{
    CStatusTextPool pool;
    const int kCount = 2000;
    std::vector<const char*> sent(kCount);
    std::atomic<int> published{0};
    std::atomic<int> released{0};
    std::vector<std::string> seen;
    std::thread receiver([&] {
        for (int i = 0; i < kCount; ++i) {
            while (published.load(std::memory_order_acquire) <= i) std::this_thread::yield();
            if (i % 100 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            seen.emplace_back(sent[i]);
            CStatusTextPool::Release(sent[i]);
            released.store(i + 1, std::memory_order_release);
        }
    });
    for (int i = 0; i < kCount; ++i) {
        sent[i] = pool.Acquire(("entry " + std::to_string(i)).c_str());
        published.store(i + 1, std::memory_order_release);
        // Now and then the sender lets the receiver catch up, so that later texts must reuse the
        // buffers given back by then, however the two threads are scheduled.
        if (i % 500 == 499)
            while (released.load(std::memory_order_acquire) <= i) std::this_thread::yield();
    }
    receiver.join();
    for (int i = 0; i < kCount; ++i) ASSERT_EQ(seen[i], "entry " + std::to_string(i));
    EXPECT_LT(pool.GetBufferCount(), size_t(kCount));
}

TEST(CodePage1252, MapsWhatItCanAndRefusesTheRest)
{
    std::string out;
    EXPECT_TRUE(Utf8ToCp1252("caf\xc3\xa9 \xe2\x82\xac \xc5\xbd", out));
    EXPECT_EQ(out, "caf\xe9 \x80 \x8e");
    EXPECT_EQ(Cp1252ToUtf8(out), "caf\xc3\xa9 \xe2\x82\xac \xc5\xbd");
    const char* refused[] = {"\xe4\xb8\xad", "\xf0\x9f\x98\x80", "\xc3", "\xc0\xaf", "\xff", "\xef\xbf\xbd"};
    for (const char* s : refused) EXPECT_FALSE(Utf8ToCp1252(s, out)) << s;
}

// Every byte has a character of its own, the code page's five undefined bytes included, and the
// way back gives the same byte: two stored names never become one file on the host.
TEST(CodePage1252, EveryByteGoesThereAndBack)
{
    std::set<std::string> seen;
    for (int b = 1; b < 256; ++b) {
        const std::string byte(1, char(b));
        const std::string utf8 = Cp1252ToUtf8(byte);
        EXPECT_TRUE(seen.insert(utf8).second) << "byte " << b << " shares its character";
        std::string back;
        EXPECT_TRUE(Utf8ToCp1252(utf8, back)) << "byte " << b;
        EXPECT_EQ(back, byte) << "byte " << b;
    }
    EXPECT_EQ(Cp1252ToUtf8("\x81\x8d\x8f\x90\x9d"), "\xc2\x81\xc2\x8d\xc2\x8f\xc2\x90\xc2\x9d");
}

}  // namespace

TEST(EscapeControls, KeepsTextAndEscapesWhatWouldActOnAScreen)
{
    struct Case {
        std::string text;
        bool bUtf8;
        std::string shown;
    } cases[] = {
        {"plain name.txt", true, "plain name.txt"},
        {"sub\\caf\xc3\xa9 \xe2\x82\xac.txt", true, "sub\\caf\xc3\xa9 \xe2\x82\xac.txt"},
        {"red\x1b[31m\r\n\t\x7f", true, "red\\x1b[31m\\x0d\\x0a\\x09\\x7f"},
        // C1 controls: U+0090 starts a device control string, U+009D an operating system command.
        {"a\xc2\x90" "b\xc2\x9d" "c\xc2\xa0", true, "a\\xc2\\x90b\\xc2\\x9dc\xc2\xa0"},
        // Not UTF-8: a code-page byte, a cut sequence, an overlong form, a surrogate.
        {"caf\xe9", true, "caf\\xe9"},
        {"x\xe2\x82", true, "x\\xe2\\x82"},
        {"\xc0\xaf", true, "\\xc0\\xaf"},
        {"\xed\xa0\x80", true, "\\xed\\xa0\\x80"},
        // Code-page text: letters stay, controls and the undefined bytes do not.
        {"caf\xe9 \x80\x1b\x81\x8d\x8f\x90\x9d\x9e", false, "caf\xe9 \x80\\x1b\\x81\\x8d\\x8f\\x90\\x9d\x9e"},
    };
    for (const Case& c : cases) EXPECT_EQ(EscapeControls(c.text, c.bUtf8), c.shown) << c.shown;
}
