// CArchiveFile: the bit input, the arithmetic decoder and its adaptive frequency models.
//
// The decoder keeps two registers, range and value, with 26 bits of precision and no lower bound;
// it divides range by the model's total before scaling. Its exact arithmetic, the models'
// parameters and the order in which they are used define the stream: any change decodes a
// different stream.
#include "ArchiveFile.h"

#include <cstring>

namespace {

constexpr uint32_t kRangeTop = 0x2000000u;     // range right after the decoder starts
constexpr uint32_t kRangeBottom = 0x1000000u;  // range is doubled while at most this
constexpr int kPrecisionBits = 26;

struct ModelParams {
    const char* name;
    int symbolCount;
    int increment;
};

// The eight block models in the order of blockModels: the class of a move-to-front symbol, then
// one model per range of positions. All of them halve above a total of 1000.
const ModelParams kBlockModels[8] = {
    {"basis", 11, 12}, {"2-3", 2, 4},    {"4-7", 4, 3},     {"8-15", 8, 3},
    {"16-31", 16, 3},  {"32-63", 32, 3}, {"64-127", 64, 2}, {"128-255", 128, 1},
};
constexpr uint32_t kBlockModelLimit = 1000;

}  // namespace

void CArchiveFile::setupModel(FreqModel& model, const char* name, int symbolCount, int increment, uint32_t limit)
{
    std::memset(model.freq, 0, sizeof model.freq);
    uint32_t start = increment == 0 ? 1u : uint32_t(increment);
    for (int i = 1; i <= symbolCount; ++i) model.freq[i] = start;
    model.total = start * uint32_t(symbolCount);
    model.symbolCount = symbolCount;
    model.increment = increment;
    model.limit = limit;
    model.name = name;
}

void CArchiveFile::setupBlockModels()
{
    for (int i = 0; i < 8; ++i)
        setupModel(blockModels[i], kBlockModels[i].name, kBlockModels[i].symbolCount, kBlockModels[i].increment,
                   kBlockModelLimit);
}

void CArchiveFile::startDecoder()
{
    range = kRangeTop;
    value = 0;
    for (int i = 0; i < kPrecisionBits; ++i) value = 2 * value + uint32_t(nextBit());
}

int CArchiveFile::nextBit() { return int(takeBits(1)); }

// The next count bits of the stream (1 to 31), first bit most significant. Bytes are fetched
// only when one of their bits is needed, so volumes are passed and CRCs compared at exactly the
// same points as with single-bit input.
uint32_t CArchiveFile::takeBits(int count)
{
    uint32_t bits = 0;
    while (count > bitsLeft) {
        bits = (bits << bitsLeft) | (uint32_t(bitBuffer) & ((1u << bitsLeft) - 1));
        count -= bitsLeft;
        bitsLeft = 0;
        int byte = nextInputByte();
        if (byte == kEndOfData) raiseReadError();
        bitBuffer = byte;
        bitsLeft = 8;
    }
    bitsLeft -= count;
    return (bits << count) | ((uint32_t(bitBuffer) >> bitsLeft) & ((1u << count) - 1));
}

int CArchiveFile::decodeWithModel(FreqModel& model)
{
    uint32_t total = model.total;
    uint32_t r = range / total;
    uint32_t t = value / r;
    // A damaged stream may point past the model: it then decodes the last symbol.
    if (t > total - 1) t = total - 1;

    // total is the sum of freq[1..n], so the scan stops at symbol n at the latest.
    const uint32_t* freq = model.freq;
    int s = 1;
    uint32_t high = freq[1];
    while (high <= t) high += freq[++s];
    uint32_t low = high - freq[s];

    value -= r * low;
    // The last symbol also receives what the division by total left over.
    range = high < total ? r * freq[s] : range - r * low;

    // Double range until it exceeds 2^24, pulling in one bit per doubling. total never exceeds
    // 1000 here, so range is at least 16777 and at most 11 doublings are due.
    if (range <= kRangeBottom) {
        int doublings = __builtin_clz(range - 1) - 7;
        range <<= doublings;
        value = (value << doublings) | takeBits(doublings);
    }
    adaptModel(model, s);
    return s;
}

void CArchiveFile::adaptModel(FreqModel& model, int symbol)
{
    model.total += uint32_t(model.increment);
    model.freq[symbol] += uint32_t(model.increment);
    if (model.total > model.limit) {
        // Halving rounds up, so no frequency ever falls to 0.
        uint32_t total = 0;
        for (int i = 1; i <= model.symbolCount; ++i) {
            model.freq[i] = (model.freq[i] + 1) / 2;
            total += model.freq[i];
        }
        model.total = total;
    }
}

int CArchiveFile::decodeRawByte() { return decodeWithModel(rawModel) - 1; }

uint32_t CArchiveFile::decodeRawUInt32()
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | uint32_t(decodeRawByte());
    return v;
}

int CArchiveFile::decodeMtfSymbol()
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
