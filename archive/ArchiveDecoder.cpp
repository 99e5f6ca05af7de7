// CSymbolDecoder: the bit input, the arithmetic decoder, its adaptive frequency models and the
// symbols of a block: move-to-front and run decoding into the block's last column.
#include "ArchiveDecoderInline.h"

#include "AfxText.h"

#include <cstring>

namespace {

// The keys of the messages in the language tables (lang/en.lang); the second takes the name of
// the step that found the inconsistency.
const char kMsgOverrun[] = "archive.overrun";
const char kMsgPanic[] = "archive.panic";

// Run counts beyond this are clamped: any count this large overruns every block anyway.
constexpr uint64_t kRunCountCap = uint64_t(1) << 40;

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

void CSymbolDecoder::setupModel(FreqModel& model, const char* name, int symbolCount, int increment, uint32_t limit)
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

void CSymbolDecoder::setupBlockModels()
{
    for (int i = 0; i < 8; ++i)
        setupModel(blockModels[i], kBlockModels[i].name, kBlockModels[i].symbolCount, kBlockModels[i].increment,
                   kBlockModelLimit);
}

void CSymbolDecoder::Start()
{
    bitsLeft = 0;
    setupModel(rawModel, "bogus", 256, 0, 256);
    range = kRangeTop;
    value = 0;
    for (int i = 0; i < kPrecisionBits; ++i) value = 2 * value + uint32_t(nextBit());
}

int CSymbolDecoder::nextBit()
{
    CoderState c = loadCoder();
    int bit = int(takeBits(c, 1));
    storeCoder(c);
    return bit;
}

void CSymbolDecoder::halveModel(FreqModel& model)
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
int CSymbolDecoder::decodeRawByte()
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

uint32_t CSymbolDecoder::decodeRawUInt32()
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | uint32_t(decodeRawByte());
    return v;
}

// Appends count copies of byte to column after last, or reports the overrun when the block would
// grow beyond n bytes. Nothing is ever stored past the array.
void CSymbolDecoder::appendRun(uint8_t byte, uint64_t count, int n, int32_t& last, uint8_t* column)
{
    if (count > uint64_t(n - 1 - last)) errors.Fail(AfxText(kMsgOverrun));
    std::memset(column + last + 1, byte, size_t(count));
    last += int32_t(count);
}

void CSymbolDecoder::Begin(Cursor& cursor, uint8_t* column)
{
    cursor.stage = Cursor::beforeOrigin;
    cursor.column = column;
    cursor.lastIndex = -1;
    cursor.originRow = 0;
    cursor.isLast = 0;
    cursor.runCount = 0;
    for (int i = 0; i < 256; ++i) cursor.mtfList[i] = uint8_t(i);
}

// With mayStop the move to the next volume (its CRC check, a prompt for it) happens only when the
// block is due: decoding stops before a symbol that might need it.
void CSymbolDecoder::Decode(Cursor& cursor, int blockLength, bool mayStop)
{
    if (cursor.stage == Cursor::complete) return;
    const int n = blockLength;
    if (cursor.stage == Cursor::beforeOrigin) {
        if (mayStop && !input.ServesBytes(kBytesForAnySymbol)) return;
        int32_t v = int32_t(decodeRawUInt32());
        // A negative origin value marks the last block and holds the complement of the row.
        cursor.originRow = v < 0 ? ~v : v - 1;
        cursor.isLast = v < 0 ? 1 : 0;
        setupBlockModels();
        cursor.stage = Cursor::inSymbols;
    }

    uint8_t mtfList[256];
    std::memcpy(mtfList, cursor.mtfList, sizeof mtfList);
    uint8_t* const column = cursor.column;
    int32_t last = cursor.lastIndex;
    uint64_t k = cursor.runCount;
    CoderState c = loadCoder();
    for (;;) {
        if (mayStop && !input.ServesBytes(kBytesForAnySymbol)) {
            storeCoder(c);
            std::memcpy(cursor.mtfList, mtfList, sizeof mtfList);
            cursor.lastIndex = last;
            cursor.runCount = k;
            return;
        }
        int s = decodeMtfSymbol(c);
        if (s == zrv::kSymbolRunTwo || s == zrv::kSymbolRunOne) {
            // Bijective base 2, most significant digit first: 258 is the digit 1, 257 the digit 2.
            k = 2 * k + (s == zrv::kSymbolRunTwo ? 2 : 1);
            if (k > kRunCountCap) k = kRunCountCap;
            continue;
        }
        // The symbol after a run's digits ends the run.
        if (k) {
            appendRun(mtfList[0], k, n, last, column);
            k = 0;
        }
        if (s == zrv::kSymbolEnd) break;
        if (s >= 1 && s <= 255) {
            uint8_t b = mtfList[s];
            if (last + 1 >= n) errors.Fail(AfxText(kMsgOverrun));
            column[++last] = b;
            std::memmove(mtfList + 1, mtfList, size_t(s));
            mtfList[0] = b;
        } else {
            errors.Fail(AfxTextFormat(kMsgPanic, "getAndMoveToFrontDecode\n"));
        }
    }
    storeCoder(c);
    cursor.lastIndex = last;
    cursor.runCount = 0;
    cursor.stage = Cursor::complete;
}
