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

// Run counts beyond this are clamped: any count this large overruns every block anyway.
constexpr uint64_t kRunCountCap = uint64_t(1) << 40;

}  // namespace

// A damaged block: reported now, or when the block is due if it is being decoded ahead.
void CArchiveFile::blockError(const char* text)
{
    if (deferring) deferError(DeferredError::message, text);
    fatalError(text);
}

// Appends count copies of byte to column after last, or reports the overrun when the block would
// grow beyond n bytes. Nothing is ever stored past the array.
void CArchiveFile::appendRun(uint8_t byte, uint64_t count, int n, int32_t& last, uint8_t* column)
{
    if (count > uint64_t(n - 1 - last)) blockError(kMsgOverrun);
    std::memset(column + last + 1, byte, size_t(count));
    last += int32_t(count);
}

int CArchiveFile::getAndMoveToFrontDecode()
{
    SymbolCursor cursor;
    beginSymbols(cursor, lastColumn);
    decodeSymbols(cursor, false);
    lastIndex = cursor.lastIndex;
    originRow = cursor.originRow;
    return cursor.isLast;
}

void CArchiveFile::beginSymbols(SymbolCursor& cursor, uint8_t* column)
{
    cursor.stage = SymbolCursor::beforeOrigin;
    cursor.column = column;
    cursor.lastIndex = -1;
    cursor.originRow = 0;
    cursor.isLast = 0;
    cursor.runCount = 0;
    for (int i = 0; i < 256; ++i) cursor.mtfList[i] = uint8_t(i);
}

// Decodes the block's origin value and symbols up to its end symbol. With mayStop it returns early,
// between two symbols, when the next symbol might need a byte beyond the current volume, so that
// the move to the next volume (its CRC check, a prompt for it) happens only when the block is due.
void CArchiveFile::decodeSymbols(SymbolCursor& cursor, bool mayStop)
{
    if (cursor.stage == SymbolCursor::complete) return;
    auto volumeMayEnd = [this] { return inCount - inPos < kBytesForAnySymbol && !volumeServesNextSymbol(); };
    const int n = blockSize * zrv::kBlockUnit;
    if (cursor.stage == SymbolCursor::beforeOrigin) {
        if (mayStop && volumeMayEnd()) return;
        int32_t v = int32_t(decodeRawUInt32());
        // A negative origin value marks the last block and holds the complement of the row.
        cursor.originRow = v < 0 ? ~v : v - 1;
        cursor.isLast = v < 0 ? 1 : 0;
        setupBlockModels();
        cursor.stage = SymbolCursor::inSymbols;
    }

    uint8_t mtfList[256];
    std::memcpy(mtfList, cursor.mtfList, sizeof mtfList);
    uint8_t* const column = cursor.column;
    int32_t last = cursor.lastIndex;
    uint64_t k = cursor.runCount;
    CoderState c = loadCoder();
    for (;;) {
        if (mayStop && volumeMayEnd()) {
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
            if (last + 1 >= n) blockError(kMsgOverrun);
            column[++last] = b;
            std::memmove(mtfList + 1, mtfList, size_t(s));
            mtfList[0] = b;
        } else {
            CString text;
            text.Format(kMsgPanic, "getAndMoveToFrontDecode\n");
            blockError(text);
        }
    }
    storeCoder(c);
    cursor.lastIndex = last;
    cursor.runCount = 0;
    cursor.stage = SymbolCursor::complete;
}

// The inverse transform's walk starts at originRow; a row outside the block means a damaged stream.
void CArchiveFile::checkOrigin()
{
    if (lastIndex >= 0 && (originRow < 0 || originRow > lastIndex)) blockError(kMsgBadOrigin);
}

// Touches only lastColumn, links and block: the second thread runs it (with spotBlock) while the
// caller's thread decodes the next block's symbols.
void CArchiveFile::invertBlockTransform()
{
    if (lastIndex >= 0) zrv::InvertBlockTransform(lastColumn, links, block, lastIndex + 1, originRow);
}

void CArchiveFile::spotBlock()
{
    int pos = zrv::kFirstAltered;
    int d = zrv::kFirstAlterStep;
    // Strictly below lastIndex: the last byte (the marker of the last block) is never altered.
    while (pos < lastIndex) {
        block[pos] = uint8_t(block[pos] - 1);
        d = zrv::NextAlterStep(d);
        pos += zrv::AlterDistance(d);
    }
}
