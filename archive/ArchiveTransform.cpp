// The inverse block-sorting transform. Row p of the sorted rotations continues at row
// start[c] + (occurrences of c in lastColumn before p), c = lastColumn[p]; that map is a
// permutation of the rows, so every walk below stays inside the block whatever the input.
//
// The walk is a chain of dependent memory loads, so its speed is memory latency. The two-way walk
// runs two independent chains at once, from the origin backwards and forwards, and meets in the
// middle; it needs the inverse map too, which it keeps in the same memory as 20-bit rows.
#include "ArchiveTransform.h"

#include <cstring>

namespace zrv {
namespace {

constexpr int kFusedLimit = 1 << 24;
constexpr int kTwoWayLimit = 1 << 20;
constexpr int kTwoWayMinimum = 256;  // below this one chain is just as fast
constexpr uint32_t kRowMask = uint32_t(kTwoWayLimit) - 1;
constexpr int kLowRowBits = 12;  // of the inverse map's row in the table word; the rest in a byte

// start[c] = number of bytes below c in the block; start[256] = count.
void CountStarts(const uint8_t* lastColumn, int count, uint32_t start[257])
{
    uint32_t freq[256] = {};
    for (int i = 0; i < count; ++i) ++freq[lastColumn[i]];
    start[0] = 0;
    for (int c = 0; c < 256; ++c) start[c + 1] = start[c] + freq[c];
}

void PlainWalk(const uint8_t* lastColumn, int32_t* links, uint8_t* block, int count, int originRow,
               const uint32_t start[257])
{
    uint32_t next[256];
    std::memcpy(next, start, sizeof next);
    for (int i = 0; i < count; ++i) links[i] = int32_t(next[lastColumn[i]]++);
    int32_t p = originRow;
    for (int j = count - 1; j >= 0; --j) {
        block[j] = lastColumn[p];
        p = links[p];
    }
}

// The next row and the byte in one 32-bit entry: one memory access per step.
void FusedWalk(const uint8_t* lastColumn, int32_t* links, uint8_t* block, int count, int originRow,
               const uint32_t start[257])
{
    uint32_t* table = reinterpret_cast<uint32_t*>(links);
    uint32_t next[256];
    std::memcpy(next, start, sizeof next);
    for (int i = 0; i < count; ++i) {
        uint8_t c = lastColumn[i];
        table[i] = next[c]++ << 8 | c;
    }
    uint32_t p = uint32_t(originRow);
    for (int j = count - 1; j >= 0; --j) {
        uint32_t e = table[p];
        block[j] = uint8_t(e);
        p = e >> 8;
    }
}

// The first column's byte at a row: the c with start[c] <= row < start[c + 1], found from a
// coarse index of at most 4096 cells and a short step forward.
class FirstColumn {
public:
    FirstColumn(const uint32_t start[257], int count)
    {
        while ((count >> m_shift) >= kCells) ++m_shift;
        int c = 0;
        for (int cell = 0; cell <= (count - 1) >> m_shift; ++cell) {
            while (start[c + 1] <= uint32_t(cell) << m_shift) ++c;
            m_cell[cell] = uint8_t(c);
        }
        std::memcpy(m_end, start + 1, sizeof m_end);
    }
    uint8_t operator()(uint32_t row) const
    {
        int c = m_cell[row >> m_shift];
        while (m_end[c] <= row) ++c;
        return uint8_t(c);
    }

private:
    static constexpr int kCells = 4096;
    int m_shift = 0;
    uint32_t m_end[256];
    uint8_t m_cell[kCells];
};

void TwoWayWalk(uint8_t* lastColumn, int32_t* links, uint8_t* block, int count, int originRow,
                const uint32_t start[257])
{
    // The table word holds the next row backwards (20 bits) and the low 12 bits of the next row
    // forwards; lastColumn, no longer needed once copied, holds that row's high 8 bits.
    uint32_t* table = reinterpret_cast<uint32_t*>(links);
    std::memcpy(block, lastColumn, size_t(count));  // block is free until the walk writes it
    uint32_t next[256];
    std::memcpy(next, start, sizeof next);
    for (int i = 0; i < count; ++i) table[i] = next[block[i]]++;
    for (uint32_t i = 0; i < uint32_t(count); ++i) {
        uint32_t j = table[i] & kRowMask;
        table[j] |= (i & ((1u << kLowRowBits) - 1)) << 20;
        lastColumn[j] = uint8_t(i >> kLowRowBits);
    }
    const FirstColumn first(start, count);

    // Backwards, the byte at row p is the first-column byte of the row it leads to; forwards, the
    // first-column byte of the row itself. The backward chain fills count - 1 down to half, the
    // forward chain 0 up to half - 1.
    const int half = count / 2;
    uint32_t back = uint32_t(originRow);
    uint32_t fwd = uint32_t(originRow);
    int j = count - 1;
    for (int k = 0; k < half; ++k, --j) {
        uint32_t q = table[back] & kRowMask;
        block[j] = first(q);
        back = q;
        block[k] = first(fwd);
        fwd = table[fwd] >> 20 | uint32_t(lastColumn[fwd]) << kLowRowBits;
    }
    if (j >= half) {
        back = table[back] & kRowMask;
        block[j--] = first(back);
    }
    // The forward half is the backward walk's only when the walk comes back to the origin after
    // count steps, which is when the chains meet. A damaged stream may break that: the backward
    // walk then finishes the block alone, so the bytes are the same as with one chain.
    if (back != fwd) {
        for (; j >= 0; --j) {
            back = table[back] & kRowMask;
            block[j] = first(back);
        }
    }
}

}  // namespace

void InvertBlockTransform(uint8_t* lastColumn, int32_t* links, uint8_t* block, int count, int originRow,
                          InverseWalk walk)
{
    uint32_t start[257];
    CountStarts(lastColumn, count, start);
    if (walk == InverseWalk::automatic) {
        if (count >= kTwoWayMinimum && count <= kTwoWayLimit)
            walk = InverseWalk::twoWay;
        else if (count <= kFusedLimit)
            walk = InverseWalk::fused;
        else
            walk = InverseWalk::plain;
    }
    switch (walk) {
    case InverseWalk::twoWay: TwoWayWalk(lastColumn, links, block, count, originRow, start); break;
    case InverseWalk::fused: FusedWalk(lastColumn, links, block, count, originRow, start); break;
    default: PlainWalk(lastColumn, links, block, count, originRow, start); break;
    }
}

}  // namespace zrv
