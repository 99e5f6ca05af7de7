// CArchiveFile: one block from symbols back to bytes: move-to-front and run decoding into
// lastColumn, the inverse block-sorting transform into block, and the removal of the alteration
// that the writer applies at fixed positions.
#include "ArchiveDecoderInline.h"
#include "ArchiveTransform.h"

#include "AfxMessageBox.h"

#include <cstring>

namespace {

const char kMsgOverrun[] =
    "FATAL:\tblock overrun during decompression,\n\twhich probably means the compressed file\n\tis corrupted.";
const char kMsgBadOrigin[] =
    "FATAL:\tblock origin outside the block during decompression,\n\twhich probably means the compressed file\n\tis "
    "corrupted.";
const char kMsgPanic[] = "PANIC:\tinternal consistency error:\n\t%s\n\tThis is probably a bug";

constexpr int kSymRunTwo = 257;  // run digit 2
constexpr int kSymRunOne = 258;  // run digit 1
constexpr int kSymEnd = 259;

// Run counts beyond this are clamped: any count this large overruns every block anyway.
constexpr uint64_t kRunCountCap = uint64_t(1) << 40;

}  // namespace

// Appends count copies of byte to lastColumn, or reports the overrun when the block would grow
// beyond n bytes. Nothing is ever stored past the array.
void CArchiveFile::appendRun(uint8_t byte, uint64_t count, int n)
{
    if (count > uint64_t(n - 1 - lastIndex)) fatalError(kMsgOverrun);
    std::memset(lastColumn + lastIndex + 1, byte, size_t(count));
    lastIndex += int32_t(count);
}

int CArchiveFile::getAndMoveToFrontDecode()
{
    const int n = blockSize * kBlockUnit;
    int32_t v = int32_t(decodeRawUInt32());
    // A negative origin value marks the last block and holds the complement of the row.
    originRow = v < 0 ? ~v : v - 1;
    int result = v < 0 ? 1 : 0;
    setupBlockModels();

    uint8_t mtfList[256];
    for (int i = 0; i < 256; ++i) mtfList[i] = uint8_t(i);
    lastIndex = -1;

    uint8_t* const column = lastColumn;
    CoderState c = loadCoder();
    int s = decodeMtfSymbol(c);
    while (s != kSymEnd) {
        if (s == kSymRunTwo || s == kSymRunOne) {
            // Bijective base 2, most significant digit first: 258 is the digit 1, 257 the digit 2.
            uint64_t k = 0;
            do {
                k = 2 * k + (s == kSymRunTwo ? 2 : 1);
                if (k > kRunCountCap) k = kRunCountCap;
                s = decodeMtfSymbol(c);
            } while (s == kSymRunTwo || s == kSymRunOne);
            appendRun(mtfList[0], k, n);
        } else if (s >= 1 && s <= 255) {
            uint8_t b = mtfList[s];
            if (lastIndex + 1 >= n) fatalError(kMsgOverrun);
            column[++lastIndex] = b;
            std::memmove(mtfList + 1, mtfList, size_t(s));
            mtfList[0] = b;
            s = decodeMtfSymbol(c);
        } else {
            CString text;
            text.Format(kMsgPanic, "getAndMoveToFrontDecode\n");
            fatalError(text);
        }
    }
    storeCoder(c);
    return result;
}

void CArchiveFile::invertBlockTransform()
{
    const int count = lastIndex + 1;
    if (count == 0) return;
    // The walk below starts at originRow; a row outside the block means a damaged stream.
    if (originRow < 0 || originRow > lastIndex) fatalError(kMsgBadOrigin);

    zrv::InvertBlockTransform(lastColumn, links, block, count, originRow);
}

void CArchiveFile::spotBlock()
{
    // The step factor runs through 1, 4, 5, 9, 2, 6, 7, 3 and round again.
    static const int kNextStep[10] = {0, 4, 6, 1, 5, 9, 7, 3, 0, 2};
    int pos = 8000;
    int d = 1;
    // Strictly below lastIndex: the last byte (the marker of the last block) is never altered.
    while (pos < lastIndex) {
        block[pos] = uint8_t(block[pos] - 1);
        d = kNextStep[d];
        pos += 17 * d + 7915;
    }
}
