// A small, slow, independent writer of "ZRV-Zip" streams for the reader's tests: the arithmetic
// encoder that mirrors the reader's decoder (carries propagate through an explicit bit string),
// the adaptive models, move-to-front with run digits, a plain rotation sort, the alteration at
// fixed positions, run-length coding and volume files. It also counts the rare arithmetic
// situations (the remainder of the last symbol, a range of exactly 2^24, model halvings) so that
// tests can prove they reached them.
#pragma once

#include "Crc32.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>

namespace zrvtest {

constexpr int kSymRunTwo = 257;
constexpr int kSymRunOne = 258;
constexpr int kSymEnd = 259;

struct TestModel {
    uint32_t total = 0;
    int n = 0;
    int increment = 0;
    uint32_t limit = 0;
    std::vector<uint32_t> freq;  // freq[1..n]
    int halvings = 0;

    TestModel() = default;
    TestModel(int symbols, int inc, uint32_t lim) : n(symbols), increment(inc), limit(lim), freq(size_t(symbols) + 1, 0)
    {
        uint32_t f = inc == 0 ? 1 : uint32_t(inc);
        for (int i = 1; i <= n; ++i) freq[size_t(i)] = f;
        total = f * uint32_t(n);
    }
    void Adapt(int s)
    {
        total += uint32_t(increment);
        freq[size_t(s)] += uint32_t(increment);
        if (total <= limit) return;
        ++halvings;
        total = 0;
        for (int i = 1; i <= n; ++i) total += freq[size_t(i)] = (freq[size_t(i)] + 1) / 2;
    }
};

struct EncoderStats {
    int symbols = 0;
    int remainderUsed = 0;      // last symbol coded with a range larger than r x freq
    int exactBottom = 0;        // range of exactly 0x1000000 met during renormalisation
    int halvings[8] = {};       // per block model, "basis" first
};

class TestArithEncoder {
public:
    void Encode(TestModel& m, int s)
    {
        if (s < 1 || s > m.n) throw std::logic_error("symbol outside its model");
        uint32_t r = m_range / m.total;
        uint32_t low = 0;
        for (int i = 1; i < s; ++i) low += m.freq[size_t(i)];
        uint32_t high = low + m.freq[size_t(s)];
        Add(uint64_t(r) * low);
        if (high < m.total) {
            m_range = r * m.freq[size_t(s)];
        } else {
            m_range -= r * low;
            if (m_range != r * m.freq[size_t(s)]) ++stats.remainderUsed;
        }
        while (m_range <= 0x1000000u) {
            if (m_range == 0x1000000u) ++stats.exactBottom;
            m_range <<= 1;
            Double();
        }
        ++stats.symbols;
        m.Adapt(s);
    }

    // The shortest stream that decodes every symbol so far: the low end itself, padded to bytes.
    std::string Finish() const
    {
        std::string out(m_out.begin(), m_out.end());
        uint64_t tail = m_low;
        int bits = m_width;
        while (bits > 0) {
            out += char(bits >= 8 ? uint8_t(tail >> (bits - 8)) : uint8_t(tail << (8 - bits)));
            bits -= 8;
            if (bits > 0) tail &= (uint64_t(1) << bits) - 1;
        }
        return out;
    }

    EncoderStats stats;

private:
    // The low end is the bytes in m_out followed by the m_width bits of m_low.
    void Add(uint64_t a)
    {
        m_low += a;
        if (m_low >> m_width) {
            m_low &= (uint64_t(1) << m_width) - 1;
            size_t i = m_out.size();
            do {
                if (i == 0) throw std::logic_error("carry out of the stream");
                --i;
            } while (++m_out[i] == 0);
        }
    }
    void Double()
    {
        m_low <<= 1;
        if (++m_width == 34) {
            m_out.push_back(uint8_t(m_low >> 26));
            m_low &= (uint64_t(1) << 26) - 1;
            m_width = 26;
        }
    }

    std::vector<uint8_t> m_out;
    uint64_t m_low = 0;
    int m_width = 26;
    uint32_t m_range = 0x2000000u;
};

// Symbols of one block: its origin value, then move-to-front symbols ending in 259.
struct SymbolBlock {
    int32_t origin;
    std::vector<int> symbols;
};

class TestStreamEncoder {
public:
    TestStreamEncoder() : m_bogus(256, 0, 256) {}

    void RawUInt32(uint32_t v)
    {
        for (int shift = 24; shift >= 0; shift -= 8) m_ac.Encode(m_bogus, int((v >> shift) & 0xFF) + 1);
    }
    void Block(const SymbolBlock& b)
    {
        RawUInt32(uint32_t(b.origin));
        static const int kShape[8][2] = {{11, 12}, {2, 4}, {4, 3}, {8, 3}, {16, 3}, {32, 3}, {64, 2}, {128, 1}};
        for (int i = 0; i < 8; ++i) m_models[i] = TestModel(kShape[i][0], kShape[i][1], 1000);
        for (int s : b.symbols) MtfSymbol(s);
        for (int i = 0; i < 8; ++i) m_ac.stats.halvings[i] += m_models[i].halvings;
    }
    // Any value the reader's symbol decoder can produce; 0 and 256 cannot be coded.
    void MtfSymbol(int s)
    {
        if (s == kSymRunTwo) return m_ac.Encode(m_models[0], 1);
        if (s == kSymRunOne) return m_ac.Encode(m_models[0], 2);
        if (s == kSymEnd) return m_ac.Encode(m_models[0], 11);
        if (s == 1) return m_ac.Encode(m_models[0], 3);
        if (s < 2 || s > 255) throw std::logic_error("no code for this symbol");
        int cls = 0;
        while ((2 << cls) <= s) ++cls;  // s in [2^cls, 2^(cls+1))
        m_ac.Encode(m_models[0], cls + 3);
        m_ac.Encode(m_models[cls], s - ((1 << cls) - 1));
    }
    std::string Finish() const { return m_ac.Finish(); }
    const EncoderStats& Stats() const { return m_ac.stats; }

private:
    TestArithEncoder m_ac;
    TestModel m_bogus;
    TestModel m_models[8];
};

// Sorted cyclic rotations by prefix doubling; returns the last column and the row of rotation 0.
// Each round sorts 64-bit keys (rank, rank k further on, index), so blocks stay below 2^20 bytes.
inline std::string Bwt(const std::string& s, int32_t& originRow)
{
    const uint64_t n = s.size();
    if (n >= (uint64_t(1) << 20)) throw std::logic_error("block too large for the test sorter");
    std::vector<uint64_t> rank(n), keys(n);
    for (uint64_t i = 0; i < n; ++i) rank[i] = uint8_t(s[i]);
    for (uint64_t k = 1;; k *= 2) {
        for (uint64_t i = 0; i < n; ++i) keys[i] = rank[i] << 40 | rank[(i + k) % n] << 20 | i;
        std::sort(keys.begin(), keys.end());
        uint64_t distinct = 0;
        for (uint64_t i = 0; i < n; ++i) {
            if (i > 0 && (keys[i] >> 20) != (keys[i - 1] >> 20)) ++distinct;
            rank[keys[i] & 0xFFFFF] = distinct;
        }
        if (n == 0 || distinct == n - 1 || k >= n) break;
    }
    std::string last(n, '\0');
    originRow = 0;
    for (uint64_t i = 0; i < n; ++i) {
        uint64_t start = keys[i] & 0xFFFFF;
        last[i] = s[(start + n - 1) % n];
        if (start == 0) originRow = int32_t(i);
    }
    return last;
}

// Run counts in bijective base 2, most significant digit first (258 is 1, 257 is 2).
inline void AppendRunDigits(std::vector<int>& out, uint64_t k)
{
    std::vector<int> digits;
    while (k > 0) {
        if (k & 1) {
            digits.push_back(kSymRunOne);
            k = (k - 1) / 2;
        } else {
            digits.push_back(kSymRunTwo);
            k = (k - 2) / 2;
        }
    }
    out.insert(out.end(), digits.rbegin(), digits.rend());
}

inline std::vector<int> MtfSymbols(const std::string& lastColumn)
{
    std::vector<uint8_t> list(256);
    std::iota(list.begin(), list.end(), 0);
    std::vector<int> out;
    uint64_t run = 0;
    for (char ch : lastColumn) {
        uint8_t c = uint8_t(ch);
        int pos = int(std::find(list.begin(), list.end(), c) - list.begin());
        if (pos == 0) {
            ++run;
            continue;
        }
        AppendRunDigits(out, run);
        run = 0;
        out.push_back(pos);
        list.erase(list.begin() + pos);
        list.insert(list.begin(), c);
    }
    AppendRunDigits(out, run);
    out.push_back(kSymEnd);
    return out;
}

// The positions the reader decreases after the inverse transform, strictly below the last index.
inline std::vector<int> SpotPositions(int lastIndex)
{
    static const int kNext[10] = {0, 4, 6, 1, 5, 9, 7, 3, 0, 2};
    std::vector<int> out;
    for (int pos = 8000, d = 1; pos < lastIndex; d = kNext[d], pos += 17 * d + 7915) out.push_back(pos);
    return out;
}

// A block's symbols from its run-length coded content (the bytes the reader expands).
inline SymbolBlock MakeBlock(std::string content, bool last)
{
    for (int pos : SpotPositions(int(content.size()) - 1)) content[size_t(pos)] = char(uint8_t(content[size_t(pos)]) + 1);
    int32_t row = 0;
    std::string lastColumn = Bwt(content, row);
    return SymbolBlock{last ? ~row : row + 1, MtfSymbols(lastColumn)};
}

// Run-length codes data into block contents of at most n bytes each; the last one ends in '*'.
inline std::vector<std::string> RleBlocks(const std::string& data, int n)
{
    std::vector<std::string> blocks(1);
    auto put = [&](const std::string& group) {
        if (int(blocks.back().size() + group.size()) > n) blocks.emplace_back();
        blocks.back() += group;
    };
    for (size_t i = 0; i < data.size();) {
        size_t run = 1;
        while (i + run < data.size() && run < 259 && data[i + run] == data[i]) ++run;
        if (run >= 4) {
            put(std::string(4, data[i]) + char(uint8_t(run - 4)));
            i += run;
        } else {
            put(std::string(1, data[i]));
            ++i;
        }
    }
    put("*");
    return blocks;
}

// A whole stream of blocks; the last block of the list is marked as the last of the stream.
inline std::string EncodeContents(const std::vector<std::string>& contents, EncoderStats* stats = nullptr)
{
    TestStreamEncoder enc;
    for (size_t i = 0; i < contents.size(); ++i) enc.Block(MakeBlock(contents[i], i + 1 == contents.size()));
    if (stats) *stats = enc.Stats();
    return enc.Finish();
}

inline std::string EncodeSymbolBlocks(const std::vector<SymbolBlock>& blocks, EncoderStats* stats = nullptr)
{
    TestStreamEncoder enc;
    for (const SymbolBlock& b : blocks) enc.Block(b);
    if (stats) *stats = enc.Stats();
    return enc.Finish();
}

inline std::string Compress(const std::string& data, int blockSizeByte, EncoderStats* stats = nullptr)
{
    return EncodeContents(RleBlocks(data, blockSizeByte * 100000), stats);
}

// A volume file: magic, block-size byte, three reserved bytes, the CRC of data, then data.
inline std::string MakeVolume(const std::string& data, int blockSizeByte = 9)
{
    uint32_t crc = zrv::Crc32(data.data(), data.size());
    std::string v("ZRV\0", 4);
    v += char(blockSizeByte);
    v += std::string(3, '\0');
    for (int i = 0; i < 4; ++i) v += char((crc >> (8 * i)) & 0xFF);
    return v + data;
}

// Cuts a stream into volume data pieces of the given sizes (the rest goes into the last piece).
inline std::vector<std::string> SplitStream(const std::string& stream, const std::vector<size_t>& sizes)
{
    std::vector<std::string> out;
    size_t pos = 0;
    for (size_t s : sizes) {
        out.push_back(stream.substr(std::min(pos, stream.size()), s));
        pos += s;
    }
    out.push_back(pos < stream.size() ? stream.substr(pos) : std::string());
    return out;
}

}  // namespace zrvtest
