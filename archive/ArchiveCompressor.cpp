#include "ArchiveCompressor.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <stdexcept>

namespace zrv {

namespace {
constexpr uint8_t kLastBlockMarker = '*';
constexpr uint32_t kMaxRepeat = 255;
// A run of this length is written at once: four bytes and the largest count.
constexpr uint32_t kLongestPiece = 4 + kMaxRepeat;
constexpr int kSymbolRunTwo = 257;
constexpr int kSymbolRunOne = 258;
constexpr int kSymbolEnd = 259;
}  // namespace

void AlterBlock(uint8_t* block, int32_t lastIndex)
{
    // The step cycle 1 -> 4 -> 5 -> 9 -> 2 -> 6 -> 7 -> 3 -> 1, indexed by the current step.
    static const int kNext[10] = {0, 4, 6, 1, 5, 9, 7, 3, 0, 2};
    int d = 1;
    for (int64_t pos = 8000; pos < lastIndex;) {
        block[pos] = uint8_t(block[pos] + 1);
        d = kNext[d];
        pos += 17 * d + 7915;
    }
}

CArchiveCompressor::CArchiveCompressor(int blockSize, IByteSink& sink)
    : m_capacity(blockSize * kBlockUnit), m_sorter(blockSize >= 1 && blockSize <= 9 ? blockSize * kBlockUnit : 1),
      m_encoder(sink)
{
    if (blockSize < 1 || blockSize > 9) throw std::invalid_argument("block size must be 1 to 9");
    m_block.resize(size_t(m_capacity));
    m_lastColumn.resize(size_t(m_capacity));
    m_raw.Setup(256, 0, 256);
}

void CArchiveCompressor::Write(const void* data, size_t size)
{
    const uint8_t* p = static_cast<const uint8_t*>(data);
    const uint8_t* end = p + size;
    m_bytesIn += size;
    while (p < end) {
        if (m_runLength && *p == m_runByte) {
            // Extend the run as far as the input allows, writing whole longest pieces on the way
            // so that the pending length stays bounded.
            while (p < end && *p == m_runByte && m_runLength < kLongestPiece) {
                ++p;
                ++m_runLength;
            }
            if (m_runLength == kLongestPiece) FlushRun();
            continue;
        }
        if (m_runLength) FlushRun();
        // Bytes that differ from the byte after them are runs of one: straight into the block,
        // as many as it has room for. The first byte that equals its successor starts a run.
        const uint8_t* q = p;
        const uint8_t* limit = p + std::min<ptrdiff_t>(end - 1 - p, m_capacity - m_used);
        while (q < limit && q[0] != q[1]) ++q;
        std::memcpy(m_block.data() + m_used, p, size_t(q - p));
        m_used += int32_t(q - p);
        m_runByte = *q;
        m_runLength = 1;
        p = q + 1;
    }
}

// Writes the pending run: pieces of four bytes and a count, then up to three single bytes.
void CArchiveCompressor::FlushRun()
{
    uint32_t left = m_runLength;
    uint8_t b = uint8_t(m_runByte);
    if (left < 4 && m_used + int32_t(left) <= m_capacity) {
        // The common case, written straight into the block.
        for (; left; --left) m_block[size_t(m_used++)] = b;
        m_runLength = 0;
        return;
    }
    while (left >= 4) {
        uint32_t count = left - 4 < kMaxRepeat ? left - 4 : kMaxRepeat;
        const uint8_t piece[5] = {b, b, b, b, uint8_t(count)};
        Place(piece, 5);
        left -= 4 + count;
    }
    for (; left; --left) Place(&b, 1);
    m_runLength = 0;
}

// A piece never straddles two blocks: the reader must find the count in the same block as its
// four bytes. Single bytes may end one block and begin the next, since groups restart per block.
void CArchiveCompressor::Place(const uint8_t* bytes, int32_t count)
{
    if (m_used + count > m_capacity) EncodeBlock(false);
    std::memcpy(m_block.data() + m_used, bytes, size_t(count));
    m_used += count;
}

void CArchiveCompressor::Finish()
{
    FlushRun();
    m_runByte = -1;
    // A full block leaves no room for the marker: it goes out as an ordinary block and the marker
    // alone forms the last one.
    if (m_used == m_capacity) EncodeBlock(false);
    m_block[size_t(m_used++)] = kLastBlockMarker;
    EncodeBlock(true);
    m_encoder.Finish();
}

void CArchiveCompressor::EncodeBlock(bool last)
{
    int32_t n = m_used;
    AlterBlock(m_block.data(), n - 1);
    int32_t origin = m_sorter.Sort(m_block.data(), n, m_lastColumn.data());
    // A positive value origin + 1 marks an ordinary block, the complement of origin the last one.
    EncodeOrigin(last ? ~uint32_t(origin) : uint32_t(origin) + 1);
    m_models.Setup();
    EncodeSymbols(m_lastColumn.data(), n);
    m_used = 0;
}

void CArchiveCompressor::EncodeOrigin(uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) m_encoder.Encode(m_raw, int((value >> shift) & 0xFF) + 1);
}

void CArchiveCompressor::EncodeSymbols(const uint8_t* lastColumn, int32_t n)
{
    uint8_t list[256];
    for (int i = 0; i < 256; ++i) list[i] = uint8_t(i);
    uint32_t run = 0;
    for (int32_t k = 0; k < n; ++k) {
        uint8_t c = lastColumn[k];
        if (list[0] == c) {
            ++run;
            continue;
        }
        if (run) {
            EncodeRun(run);
            run = 0;
        }
        const uint8_t* at = static_cast<const uint8_t*>(std::memchr(list + 1, c, 255));
        int pos = int(at - list);
        std::memmove(list + 1, list, size_t(pos));
        list[0] = c;
        EncodeSymbol(pos);
    }
    if (run) EncodeRun(run);
    EncodeSymbol(kSymbolEnd);
}

// The count of front bytes in bijective base 2, most significant digit first: 258 is the digit
// 1 and 257 the digit 2 (1 -> 258, 2 -> 257, 3 -> 258 258, 4 -> 258 257, ...).
void CArchiveCompressor::EncodeRun(uint32_t length)
{
    int digits[32];
    int count = 0;
    while (length) {
        if (length & 1) {
            digits[count++] = kSymbolRunOne;
            length = (length - 1) / 2;
        } else {
            digits[count++] = kSymbolRunTwo;
            length = (length - 2) / 2;
        }
    }
    while (count) EncodeSymbol(digits[--count]);
}

// A symbol through "basis" (its class) and, for positions above 1, the class's position model.
void CArchiveCompressor::EncodeSymbol(int symbol)
{
    if (symbol == kSymbolRunTwo) return m_encoder.Encode(m_models.basis, 1);
    if (symbol == kSymbolRunOne) return m_encoder.Encode(m_models.basis, 2);
    if (symbol == kSymbolEnd) return m_encoder.Encode(m_models.basis, 11);
    if (symbol == 1) return m_encoder.Encode(m_models.basis, 3);
    // Positions 2^k to 2^(k+1) - 1 form class k + 3 and are coded as position - 2^k + 1.
    int k = 31 - __builtin_clz(unsigned(symbol));
    m_encoder.Encode(m_models.basis, k + 3);
    m_encoder.Encode(m_models.position[k - 1], symbol - (1 << k) + 1);
}

}  // namespace zrv
