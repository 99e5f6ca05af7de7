// CArchiveFile: the reader of a "ZRV-Zip" disk image. To its caller it is a read-only CFile whose
// Read delivers the decompressed stream; underneath it reads one arithmetic-coded bit stream that
// may run over several numbered volume files (disk.001, disk.002, ...), each with a 12-byte header
// and its own CRC.
//
// Parts, each with its own contract: CVolumeInput (ArchiveVolume.h) reads the volumes and checks
// their CRCs; CSymbolDecoder (ArchiveDecoder.h) turns the bits into each block's last column;
// CArchiveFile rebuilds the blocks (ArchiveBlock.cpp), expands their runs into the caller's buffer
// (ArchiveRead.cpp) and runs the second thread (ArchivePipeline.cpp). CReaderErrors
// (ArchiveErrors.h) is the one way their errors reach the caller.
//
// Error policy: every failure the reader detects itself is told through the caller's prompt
// (CArchivePrompt, ArchivePrompt.h, given to the constructor) and then reported by throwing the
// caller's own CFileException pointer (the one given to Open) with its cause set to
// CFileException::generic. The reader shows nothing itself; without a prompt it tells nothing and
// gives up a missing volume at once, as if the user had chosen Cancel. The reader never creates or
// deletes exception objects. Errors of the file layer (a failing read of the medium) propagate as
// the framework's own exceptions. After any thrown error the caller abandons the reader.
//
// Memory: a 512000-byte input buffer and 6 x N bytes of block arrays (N = block-size byte x 100000),
// all allocated once in Open and released by the destructor.
//
// Two threads (when the machine has more than one processor): while a second thread rebuilds block
// k from its last column, the caller's thread decodes the symbols of block k + 1 into a second
// last column (N more bytes, allocated apart from the 6 x N). Only the caller's thread reads the
// medium and tells the prompt. Decoding ahead stops before it would move to the next volume, and an
// error it meets is kept and reported when block k + 1 is started, so every message, its order and
// the Read that reports it are those of one thread; the delivered bytes are the same. Without the
// extra memory or the thread the reader works on one thread.
#pragma once

#include "AfxFile.h"
#include "AfxTaskThread.h"
#include "ArchiveDecoder.h"
#include "ArchiveErrors.h"
#include "ArchivePrompt.h"
#include "ArchiveVolume.h"

#include <cstdint>

// Run-length expansion state kept between Read calls.
struct RunState {
    int32_t equalCount;  // equal bytes delivered in a row since the block start or the last count byte
    int32_t readIndex;   // index in block of the next byte to take
    int32_t repeatDone;  // copies delivered so far for the current count byte
    int32_t current;     // byte delivered last; 256 at block start (equal to no byte)
    int32_t previous;    // byte delivered before it
};

class CArchiveFile : public CFile {
public:
    // pPrompt hears the reader's errors and answers its retry question; it must outlive the
    // reader. Null: the reader tells nothing and never retries.
    explicit CArchiveFile(CArchivePrompt* pPrompt = nullptr);
    // Releases all memory; closes a still open volume without comparing its CRC.
    ~CArchiveFile() override;

    // Opens the image whose first volume is lpszFileName, checks the header, allocates the
    // decompression memory and starts the decoder, which reads the first stretch of data. The next
    // volume's name is formed from three digits at the end of the current one; a name without them
    // is refused only when a next volume is needed. pError must not be null: it is filled by the
    // file layer when a volume cannot be opened and is the object thrown on every later error.
    // Returns nonzero on success; zero when the first volume cannot be opened (pError's cause says
    // why; badPath or fileNotFound when the prompt declined to look again, or at once without a
    // prompt), or is shorter than a header or not a ZRV-Zip file (after the reader's message; the
    // cause is then generic).
    // Throws *pError (cause generic) for lack of memory and when the data ends before the decoder
    // has started.
    BOOL Open(const char* lpszFileName, UINT nOpenFlags, CFileException* pError) override;

    // Delivers up to nCount decompressed bytes into lpBuf and returns how many; fewer than
    // nCount only when the stream has ended. 0 when nCount is 0. A Read after a short one (past
    // the end of the stream) reports the corrupt image and throws the read error. Throws on corrupt data, a missing volume and the like.
    // Returns 0 on a reader that has not been opened.
    UINT Read(void* lpBuf, UINT nCount) override;

    // Reads a zero-terminated string of at most limit bytes, one byte at a time. Returns the
    // number of bytes read including the zero; limit + 1 when limit bytes arrived without a zero
    // (the buffer then holds no terminator). A limit below 1 reads nothing and returns 1. A stream
    // that ends before the zero byte reports the corrupt image and throws the read error.
    int ReadString(char* buffer, int limit);

    // Chooses, before Open, whether the reader may use a second thread (the default when the
    // machine has more than one processor). The delivered bytes and messages are the same either way.
    void SetSecondThread(bool allowed) { secondThreadAllowed = allowed; }
    // Whether the opened reader got its second thread.
    bool UsesSecondThread() const { return helper != nullptr; }

    // Closes the current volume and compares its CRC with the bytes taken from it so far, so it
    // passes only after the whole of the last volume's data has been taken. A mismatch tells the
    // data integrity message and throws.
    void Close() override;

private:
    void allocateMemory();
    void releaseMemory();

    // Block reconstruction (ArchiveBlock.cpp) and delivery (ArchiveRead.cpp).
    void checkOrigin();
    void invertBlockTransform();
    void spotBlock();
    int expandRuns(int lastBlk);
    void startBlock();

    // The second thread (ArchivePipeline.cpp).
    void startPipeline();
    void stopPipeline();
    void startBlockPipelined();
    void decodeAhead();
    static void rebuildTask(void* self);

    int blockLength() const { return blockSize * zrv::kBlockUnit; }

    CReaderErrors errors;
    CSymbolDecoder decoder;
    CVolumeInput& input;  // the decoder's
    RunState runState;
    int32_t lastBlock;
    int32_t blockPending;
    int32_t outRemaining;
    uint8_t* outPtr;
    int32_t* links;
    uint8_t* block;
    uint8_t* lastColumn;
    int32_t lastIndex;
    int32_t originRow;
    int32_t blockSize;

    // The second thread and what it needs beyond the arrays above.
    bool secondThreadAllowed;
    CTaskThread* helper;              // null: one thread
    uint8_t* spareColumn;             // the last column that symbols are decoded into ahead
    CSymbolDecoder::Cursor ahead;     // the next block, decoded ahead
};
