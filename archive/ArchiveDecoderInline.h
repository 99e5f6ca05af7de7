// The arithmetic decoder's per-symbol path, inline for the block decoding loop. Internal to the
// decoder: included by ArchiveDecoder.cpp only.
//
// The arithmetic is that of the format to the bit; only its evaluation is faster:
// - range / total is a multiplication by a rounded-up reciprocal, exact for every range below 2^26
//   and every total up to 1024 (the block models never exceed 1000 when they decode);
// - the quotient value / r is never formed: the symbol is the first whose r x (cumulative
//   frequency) exceeds value, which is the same as its cumulative frequency exceeding value / r,
//   and a value beyond r x total selects the last symbol as the clamp does;
// - the doublings of range are counted at once and their bits taken together.
#pragma once

#include "ArchiveDecoder.h"

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

#define ZRV_ALWAYS_INLINE inline __attribute__((always_inline))

// The decoder's registers and bit input as local values: the block's symbol loop keeps them in
// machine registers instead of reloading them after every byte it stores.
struct CSymbolDecoder::CoderState {
    uint32_t range;
    uint32_t value;
    uint32_t bits;  // the byte being taken is the low byte; its untaken bits are the low bitCount
    int bitCount;
};

inline CSymbolDecoder::CoderState CSymbolDecoder::loadCoder() const
{
    return CoderState{range, value, uint32_t(bitBuffer), bitsLeft};
}

inline void CSymbolDecoder::storeCoder(const CoderState& c)
{
    range = c.range;
    value = c.value;
    bitBuffer = int32_t(c.bits & 0xFF);
    bitsLeft = c.bitCount;
}

// The next count bits (at most 24), first bit most significant. A byte is fetched only when one
// of its bits is needed, so volumes are passed and CRCs compared where single-bit input would.
ZRV_ALWAYS_INLINE uint32_t CSymbolDecoder::takeBits(CoderState& c, int count)
{
    while (c.bitCount < count) {
        c.bits = c.bits << 8 | input.FetchByte();
        c.bitCount += 8;
    }
    c.bitCount -= count;
    return (c.bits >> c.bitCount) & ((1u << count) - 1);
}

ZRV_ALWAYS_INLINE void CSymbolDecoder::renormalize(CoderState& c)
{
    // Double range while it is at most 2^24, one bit per doubling. range never falls below
    // 2^24 / 1000 here, so range - 1 is not 0 and at most 11 doublings are due.
    if (c.range <= 0x1000000u) {
        int doublings = __builtin_clz(c.range - 1) - 7;
        c.range <<= doublings;
        c.value = c.value << doublings | takeBits(c, doublings);
    }
}

ZRV_ALWAYS_INLINE int CSymbolDecoder::decodeWithModel(FreqModel& model, CoderState& c)
{
    const uint32_t total = model.total;
    const uint32_t r = zrv::DivideRange(c.range, total);
    const uint32_t* const freq = model.freq;
    const uint32_t v = c.value;
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
    c.value = v - r * low;
    // The last symbol also receives what the division by total left over.
    c.range = high < total ? r * freq[s] : c.range - r * low;
    renormalize(c);
    adaptModel(model, s);
    return s;
}

inline void CSymbolDecoder::adaptModel(FreqModel& model, int symbol)
{
    model.total += uint32_t(model.increment);
    model.freq[symbol] += uint32_t(model.increment);
    if (model.total > model.limit) halveModel(model);
}

ZRV_ALWAYS_INLINE int CSymbolDecoder::decodeMtfSymbol(CoderState& c)
{
    int cls = decodeWithModel(blockModels[0], c);
    switch (cls) {
    case 1: return zrv::kSymbolRunTwo;
    case 2: return zrv::kSymbolRunOne;
    case 3: return 1;
    case 11: return zrv::kSymbolEnd;
    default:
        // Class 4 to 10 covers positions 2^(cls-3) to 2^(cls-2) - 1 with model cls - 3.
        return ((1 << (cls - 3)) - 1) + decodeWithModel(blockModels[cls - 3], c);
    }
}
