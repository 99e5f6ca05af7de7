// The compressor of ZRV-Zip images: turns any byte stream into the one arithmetic-coded bit stream
// that the reader decodes. Streaming: it holds one block (and its sorting memory), never the input.
//
// Per block: run-length coding (after four equal bytes a count 0 to 255 of further copies; groups
// never continue into the next block), the alteration at the fixed positions 8000, 15983, ... that
// the reader undoes (+1 here, -1 there), the block-sorting transform, move-to-front with position 0
// written as run digits in bijective base 2, and arithmetic coding: the origin value as four raw
// bytes, then the symbols with the block's eight models, then the end symbol. The last block
// carries the marker '*' after its data, so it holds at most N - 1 bytes of data.
#pragma once

#include "ArchiveFormat.h"
#include "ArithmeticEncoder.h"
#include "BlockSorter.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace zrv {

// Threads: with threads above 1, that many helper threads sort later blocks (and turn them into
// move-to-front symbols) while the caller's thread codes the earlier ones in order, with at most threads + 1 blocks in memory. The image is
// the same byte for byte for every number of threads. Write, Finish and the sink run on the
// caller's thread only.
class CArchiveCompressor {
public:
    // blockSize: 1 to 255, the block-size byte of the image (N = blockSize * 100000); threads: 1 or
    // more. Throws std::invalid_argument for other values, std::bad_alloc without memory, and
    // std::system_error when no thread can be started.
    CArchiveCompressor(int blockSize, IByteSink& sink, int threads = 1);
    ~CArchiveCompressor();
    CArchiveCompressor(const CArchiveCompressor&) = delete;
    CArchiveCompressor& operator=(const CArchiveCompressor&) = delete;

    // Adds input bytes; whole blocks are coded and handed to the sink as they fill.
    void Write(const void* data, size_t size);
    // Codes the rest, the last block with its marker, and flushes the bit stream. Call once.
    void Finish();

    // Input bytes taken and coded bytes produced so far.
    uint64_t BytesIn() const { return m_bytesIn; }
    uint64_t BytesOut() const { return m_encoder.BytesProduced(); }
    // Input bytes whose blocks have been coded: what a progress display should show.
    uint64_t BytesCoded() const { return m_bytesCoded; }
    // Called on the caller's thread after every coded block, with BytesCoded().
    void SetProgress(std::function<void(uint64_t)> progress) { m_progress = std::move(progress); }

private:
    class SortPool;
    struct SortJob;

    void FlushRun();
    void Place(const uint8_t* bytes, int32_t count);
    void EncodeBlock(bool last);
    void CodeSorted(const SortJob& job);
    void EncodeOrigin(uint32_t value);
    void EncodeSymbol(int symbol);

    int32_t m_capacity;
    std::unique_ptr<SortJob> m_single;  // the one job when the caller's thread sorts too
    uint8_t* m_fill;                    // the block being filled: the single job's or the pool's
    int32_t m_used = 0;
    int m_runByte = -1;
    uint32_t m_runLength = 0;
    uint64_t m_bytesIn = 0;
    uint64_t m_bytesCoded = 0;
    std::function<void(uint64_t)> m_progress;
    std::unique_ptr<SortPool> m_pool;
    CBlockSorter m_sorter;
    CArithmeticEncoder m_encoder;
    CodingModel m_raw;
    BlockModels m_models;
};

// The alteration of a run-length coded block before sorting: +1 (mod 256) at the altered
// positions strictly below lastIndex, at which the reader subtracts 1 again.
void AlterBlock(uint8_t* block, int32_t lastIndex);

}  // namespace zrv
