// The arithmetic decoder's per-symbol path, inline for the block decoding loop. Internal to the
// reader: included by ArchiveDecoder.cpp and ArchiveBlock.cpp only.
//
// The arithmetic is that of the format to the bit; only its evaluation is faster:
// - range / total is a multiplication by a rounded-up reciprocal, exact for every range below 2^26
//   and every total up to 1024 (the block models never exceed 1000 when they decode);
// - the quotient value / r is never formed: the symbol is the first whose r x (cumulative
//   frequency) exceeds value, which is the same as its cumulative frequency exceeding value / r,
//   and a value beyond r x total selects the last symbol as the clamp does;
// - the doublings of range are counted at once and their bits taken together.
#pragma once

#include "ArchiveFile.h"

namespace zrv {

constexpr int kReciprocalShift = 37;
constexpr uint32_t kMaxReciprocal = 1024;

// ceil(2^37 / d) for d = 1 to 1024. For a < 2^26 the error of a x m / 2^37 against a / d stays
// below 2^-11, less than the 1/d that separates a / d from the next integer, so the floor is exact.
struct ReciprocalTable {
    uint64_t m[kMaxReciprocal + 1];
    constexpr ReciprocalTable() : m()
    {
        for (uint32_t d = 1; d <= kMaxReciprocal; ++d) m[d] = ((uint64_t(1) << kReciprocalShift) + d - 1) / d;
    }
};
extern const ReciprocalTable kReciprocals;

inline uint32_t DivideRange(uint32_t range, uint32_t total)
{
    if (total > kMaxReciprocal) return range / total;
    return uint32_t((uint64_t(range) * kReciprocals.m[total]) >> kReciprocalShift);
}

}  // namespace zrv

inline uint32_t CArchiveFile::takeBits(int count)
{
    if (count <= bitsLeft) {
        bitsLeft -= count;
        return (uint32_t(bitBuffer) >> bitsLeft) & ((1u << count) - 1);
    }
    return takeBitsSlow(count);
}

inline void CArchiveFile::renormalize()
{
    // Double range while it is at most 2^24, one bit per doubling. range never falls below
    // 2^24 / 1000 here, so range - 1 is not 0 and at most 11 doublings are due.
    if (range <= 0x1000000u) {
        int doublings = __builtin_clz(range - 1) - 7;
        range <<= doublings;
        value = (value << doublings) | takeBits(doublings);
    }
}

inline int CArchiveFile::decodeWithModel(FreqModel& model)
{
    const uint32_t total = model.total;
    const uint32_t r = zrv::DivideRange(range, total);
    const uint32_t* const freq = model.freq;
    const uint32_t v = value;
    int s;
    uint32_t high;
    if (v >= r * total) {
        // Past the model (a damaged stream): the last symbol, as the clamp to total - 1 gives.
        s = model.symbolCount;
        high = total;
    } else {
        s = 1;
        high = freq[1];
        while (r * high <= v) high += freq[++s];
    }
    const uint32_t low = high - freq[s];
    value = v - r * low;
    // The last symbol also receives what the division by total left over.
    range = high < total ? r * freq[s] : range - r * low;
    renormalize();
    adaptModel(model, s);
    return s;
}

inline void CArchiveFile::adaptModel(FreqModel& model, int symbol)
{
    model.total += uint32_t(model.increment);
    model.freq[symbol] += uint32_t(model.increment);
    if (model.total > model.limit) halveModel(model);
}

inline int CArchiveFile::decodeMtfSymbol()
{
    int c = decodeWithModel(blockModels[0]);
    switch (c) {
    case 1: return 257;
    case 2: return 258;
    case 3: return 1;
    case 11: return 259;
    default:
        // Class c (4 to 10) covers positions 2^(c-3) to 2^(c-2) - 1 with model c - 3.
        return ((1 << (c - 3)) - 1) + decodeWithModel(blockModels[c - 3]);
    }
}
