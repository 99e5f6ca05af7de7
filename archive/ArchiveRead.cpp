// CArchiveFile: Read and ReadString, and the run-length expansion that delivers a decoded block
// into the caller's buffer. The expansion can stop after any byte and resume in a later Read.
#include "ArchiveFile.h"

#include "AfxText.h"

#include <climits>

namespace {

// The keys of the messages in the language tables (lang/en.lang).
const char kMsgUnblock[] = "archive.unblock";
const char kMsgMissingCount[] = "archive.missing_count";

constexpr int kNoByte = 256;

}  // namespace

// Returns 1 when the block is exhausted, 0 when the caller's buffer is full (the state is then
// saved in runState and blockPending set). Four equal bytes in a row are followed by a count
// byte: that many further copies are delivered, and the next byte starts a new group.
int CArchiveFile::expandRuns(int lastBlk)
{
    // In the last block the final byte is the marker, not data.
    const int end = lastBlk ? lastIndex - 1 : lastIndex;
    int n = runState.equalCount;
    int i = runState.readIndex;
    int j = runState.repeatDone;
    int cur = runState.current;
    int prev = runState.previous;
    const uint8_t* const data = block;
    uint8_t* out = outPtr;
    int remaining = outRemaining;

    if (n == zrv::kRunThreshold) goto repeat;
    if (i != 0) goto compare;

    for (;;) {
        if (i > end) break;
        prev = cur;
        cur = data[i++];
        *out++ = uint8_t(cur);
        if (--remaining == 0) goto full;  // the comparison is due when the next call starts
    compare:
        n = cur != prev ? 1 : n + 1;
        if (n < zrv::kRunThreshold) continue;
        j = 0;
    repeat:
        // The count byte must lie inside the block's data.
        if (i > end) errors.Fail(AfxText(kMsgMissingCount));
        {
            const int c = data[i];
            // Deliver as many copies as both the count and the buffer allow.
            int copies = c - j;
            if (copies > remaining) copies = remaining;
            for (int k = 0; k < copies; ++k) out[k] = uint8_t(cur);
            out += copies;
            remaining -= copies;
            j += copies;
            // A buffer filled by the last copy resumes here with j == c and steps past the count.
            if (j < c || remaining == 0) goto full;
        }
        ++i;  // past the count byte
        n = 0;
    }

    // Block exhausted. An empty last block has no marker at all.
    if (lastBlk && (lastIndex < 0 || data[lastIndex] != zrv::kLastBlockMarker)) errors.Fail(AfxText(kMsgUnblock));
    outPtr = out;
    outRemaining = remaining;
    blockPending = 0;
    return 1;

full:
    runState = RunState{n, i, j, cur, prev};
    outPtr = out;
    outRemaining = remaining;
    blockPending = 1;
    return 0;
}

void CArchiveFile::startBlock()
{
    if (helper) return startBlockPipelined();
    CSymbolDecoder::Cursor cursor;
    CSymbolDecoder::Begin(cursor, lastColumn);
    decoder.Decode(cursor, blockLength(), false);
    lastIndex = cursor.lastIndex;
    originRow = cursor.originRow;
    lastBlock = cursor.isLast;
    checkOrigin();
    invertBlockTransform();
    spotBlock();
}

UINT CArchiveFile::Read(void* lpBuf, UINT nCount)
{
    // Nothing to decode without a successfully opened image.
    if (!input.HasBuffer() || !errors.Exception()) return 0;
    // The delivery counter is a signed 32-bit value: serve larger requests in pieces.
    UINT done = 0;
    while (done < nCount) {
        UINT piece = nCount - done;
        if (piece > UINT(INT_MAX)) piece = UINT(INT_MAX);
        outPtr = static_cast<uint8_t*>(lpBuf) + done;
        outRemaining = int32_t(piece);
        // The stream has ended: a well-formed payload never asks for more, so this is the
        // end-of-data error rather than decoding whatever follows the last block.
        if (lastBlock && !blockPending) input.EndOfStream();
        for (;;) {
            if (!blockPending) {
                startBlock();
                runState = RunState{0, 0, 0, kNoByte, 0};
            }
            int r = expandRuns(lastBlock);
            if ((r == 1 && lastBlock) || outRemaining == 0) break;
        }
        done += piece - UINT(outRemaining);
        if (outRemaining != 0) break;
    }
    return done;
}

int CArchiveFile::ReadString(char* buffer, int limit)
{
    if (limit < 1) return 1;
    if (!input.HasBuffer() || !errors.Exception()) {
        *buffer = 0;  // nothing to read from: an empty string
        return 1;
    }
    int k = 1;
    for (;;) {
        // A stream that ends inside the string is cut short, not a shorter string.
        if (Read(buffer, 1) == 0) input.EndOfStream();
        if (*buffer == 0) return k;
        ++buffer;
        if (++k > limit) return k;
    }
}
