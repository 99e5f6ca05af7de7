// CArchiveFile: the bit input, the arithmetic decoder and its adaptive frequency models.
//
// The decoder keeps two registers, range and value, with 26 bits of precision and no lower bound;
// it divides range by the model's total before scaling. Its exact arithmetic, the models'
// parameters and the order in which they are used define the stream: any change decodes a
// different stream.
#include "ArchiveDecoderInline.h"

#include <cstring>

namespace {

constexpr uint32_t kRangeTop = 0x2000000u;     // range right after the decoder starts
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

namespace zrv {
constexpr ReciprocalTable kReciprocals;
}  // namespace zrv

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

int CArchiveFile::nextBit()
{
    CoderState c = loadCoder();
    int bit = int(takeBits(c, 1));
    storeCoder(c);
    return bit;
}

void CArchiveFile::halveModel(FreqModel& model)
{
    // Halving rounds up, so no frequency ever falls to 0.
    uint32_t total = 0;
    for (int i = 1; i <= model.symbolCount; ++i) {
        model.freq[i] = (model.freq[i] + 1) / 2;
        total += model.freq[i];
    }
    model.total = total;
}

// The flat "bogus" model, decoded directly: every byte value has frequency 1 of 256, the last
// one with the remainder, and the model never changes (its increment is 0).
int CArchiveFile::decodeRawByte()
{
    CoderState c = loadCoder();
    const uint32_t r = c.range >> 8;
    uint32_t t = c.value / r;
    if (t > 255) t = 255;
    c.value -= r * t;
    c.range = t < 255 ? r : c.range - r * t;
    renormalize(c);
    storeCoder(c);
    return int(t);
}

uint32_t CArchiveFile::decodeRawUInt32()
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | uint32_t(decodeRawByte());
    return v;
}
