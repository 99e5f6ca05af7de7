// CArchiveFile: the reader of a "ZRV-Zip" disk image. To its caller it is a read-only CFile whose
// Read delivers the decompressed stream; underneath it reads one arithmetic-coded bit stream that
// may run over several numbered volume files (disk.001, disk.002, ...), each with a 12-byte header
// and its own CRC.
//
// Error policy: every failure the reader detects itself is shown in a message box through
// AfxMessageBox and then reported by throwing the caller's own CFileException pointer (the one
// given to Open) with its cause set to CFileException::generic. The reader never creates or
// deletes exception objects. Errors of the file layer (a failing read of the medium) propagate as
// the framework's own exceptions. After any thrown error the caller abandons the reader.
//
// Memory: a 512000-byte input buffer and 6 x N bytes of block arrays (N = block-size byte x 100000),
// all allocated once in Open and released by the destructor.
//
// Two threads (when the machine has more than one processor): while a second thread rebuilds block
// k from its last column, the caller's thread decodes the symbols of block k + 1 into a second
// last column (N more bytes, allocated apart from the 6 x N). Only the caller's thread reads the
// medium and shows messages. Decoding ahead stops before it would move to the next volume, and an
// error it meets is kept and reported when block k + 1 is started, so every message, its order and
// the Read that reports it are those of one thread; the delivered bytes are the same. Without the
// extra memory or the thread the reader works on one thread.
#pragma once

#include "AfxFile.h"
#include "AfxTaskThread.h"
#include "ArchiveFormat.h"
#include "Crc32.h"

#include <cstdint>

// The 12 bytes at the start of every volume.
struct VolumeHeader {
    uint8_t magic[4];      // "ZRV" and a zero byte
    uint8_t blockSize;     // block length in units of 100000 bytes; only the first volume's counts
    uint8_t reserved[3];
    uint8_t storedCrc[4];  // CRC of this volume's data bytes, little-endian

    uint32_t StoredCrc() const
    {
        return uint32_t(storedCrc[0]) | uint32_t(storedCrc[1]) << 8 | uint32_t(storedCrc[2]) << 16 |
               uint32_t(storedCrc[3]) << 24;
    }
};
static_assert(sizeof(VolumeHeader) == zrv::kVolumeHeaderSize, "the volume header is 12 bytes on disk");

// Run-length expansion state kept between Read calls.
struct RunState {
    int32_t equalCount;  // equal bytes delivered in a row since the block start or the last count byte
    int32_t readIndex;   // index in block of the next byte to take
    int32_t repeatDone;  // copies delivered so far for the current count byte
    int32_t current;     // byte delivered last; 256 at block start (equal to no byte)
    int32_t previous;    // byte delivered before it
};

// One adaptive frequency table of the arithmetic decoder. Symbols are numbered 1 to symbolCount;
// freq[0] and the entries after the last symbol stay 0, and total is always the sum of freq.
struct FreqModel {
    uint32_t total;
    int32_t symbolCount;
    int32_t increment;
    uint32_t limit;  // halved when total exceeds this
    const char* name;
    uint32_t freq[258];
};

class CArchiveFile : public CFile {
public:
    CArchiveFile();
    // Releases all memory; closes a still open volume without comparing its CRC.
    ~CArchiveFile() override;

    // Opens the image whose first volume is lpszFileName, checks the header, allocates the
    // decompression memory and starts the decoder, which reads the first stretch of data. The next
    // volume's name is formed from three digits at the end of the current one; a name without them
    // is refused only when a next volume is needed. pError must not be null: it is filled by the
    // file layer when a volume cannot be opened and is the object thrown on every later error.
    // Returns nonzero on success; zero when the first volume cannot be opened (pError's cause says
    // why; badPath or fileNotFound after the user's Cancel at the retry prompt), or is shorter than
    // a header or not a ZRV-Zip file (after the reader's message; the cause is then generic).
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
    // passes only after the whole of the last volume's data has been taken. A mismatch shows the
    // data integrity message and throws.
    void Close() override;

private:
    // Volumes and input (ArchiveVolume.cpp).
    // first: the volume given to Open, whose open failures the caller reports by their cause.
    BOOL openVolume(bool first);
    // Shows the fatal message format (with the volume's path), sets the cause generic, FALSE.
    BOOL failVolume(const char* format);
    BOOL advanceVolume();
    int refillInput();
    // The data ran out while the decoder needed more: reported unless a volume that could not be
    // had has already been reported (or refused by the user); then the read error.
    [[noreturn]] void endOfData();
    // More was asked for than the stream holds: reported, then the read error.
    [[noreturn]] void endOfStream();
    [[noreturn]] void raiseReadError();
    [[noreturn]] void fatalError(const char* text);
    [[noreturn]] void fatalFileError(const char* format, const char* path);
    void allocateMemory();
    void releaseMemory();

    // The next data byte of the stream (0 to 255), or kEndOfData. Moves to the next volume when
    // the current one is used up.
    int nextInputByte()
    {
        if (inPos != inCount) {
            uint8_t b = inBuffer[inPos++];
            crc = zrv::CrcUpdate(crc, b);
            return b;
        }
        return refillInput();
    }

    // Arithmetic decoder and models (ArchiveDecoder.cpp).
    static void setupModel(FreqModel& model, const char* name, int symbolCount, int increment, uint32_t limit);
    void setupBlockModels();
    void startDecoder();
    struct CoderState;
    CoderState loadCoder() const;
    void storeCoder(const CoderState& c);
    uint32_t fetchByte();
    int nextBit();
    uint32_t takeBits(CoderState& c, int count);
    void renormalize(CoderState& c);
    int decodeWithModel(FreqModel& model, CoderState& c);
    static void adaptModel(FreqModel& model, int symbol);
    static void halveModel(FreqModel& model);
    int decodeRawByte();
    uint32_t decodeRawUInt32();
    int decodeMtfSymbol(CoderState& c);

    // The symbols of one block as far as they are decoded: enough to stop between two symbols and
    // go on later.
    struct SymbolCursor {
        enum Stage { beforeOrigin, inSymbols, complete, failed };
        Stage stage;
        uint8_t* column;    // the block's last column
        int32_t lastIndex;
        int32_t originRow;
        int32_t isLast;
        uint64_t runCount;  // run digits taken so far; 0 outside a run
        uint8_t mtfList[256];
    };
    // An error met while decoding ahead, reported when its block is started.
    struct DeferredError {
        enum Kind { none, message, readError, fileLayer };
        Kind kind = none;
        CString text;
        CFileException* exception = nullptr;  // the file layer's own, for fileLayer
    };
    struct DeferredStop {};  // thrown inside the reader only, while decoding ahead

    // Block reconstruction (ArchiveBlock.cpp) and delivery (ArchiveRead.cpp).
    [[noreturn]] void blockError(const char* text);
    int getAndMoveToFrontDecode();
    void beginSymbols(SymbolCursor& cursor, uint8_t* column);
    void decodeSymbols(SymbolCursor& cursor, bool mayStop);
    void checkOrigin();
    void invertBlockTransform();
    void spotBlock();
    int expandRuns(int lastBlk);
    void appendRun(uint8_t byte, uint64_t count, int n, int32_t& last, uint8_t* column);
    void startBlock();

    // The second thread (ArchivePipeline.cpp).
    void startPipeline();
    void stopPipeline();
    void startBlockPipelined();
    void decodeAhead();
    [[noreturn]] void deferError(DeferredError::Kind kind, const char* text);
    void reportDeferred();
    bool volumeServesNextSymbol();
    static void rebuildTask(void* self);
    // A symbol takes at most 22 bits and the origin value 36: this many bytes always hold one.
    static constexpr int kBytesForAnySymbol = 8;

    static constexpr int kEndOfData = -1;

    CFileException* fileError;
    uint32_t openFlags;
    CString volumePath;
    VolumeHeader header;
    RunState runState;
    int32_t lastBlock;
    int32_t blockPending;
    int32_t outRemaining;
    uint8_t* outPtr;
    uint8_t* inBuffer;
    uint32_t crc;
    int32_t bitBuffer;
    int32_t bitsLeft;
    uint32_t range, value;
    FreqModel rawModel;
    FreqModel blockModels[8];
    int32_t* links;
    uint8_t* block;
    uint8_t* lastColumn;
    int32_t lastIndex;
    int32_t originRow;
    int32_t blockSize;
    int32_t inCount;
    int32_t inPos;

    // The second thread and what it needs beyond the arrays above.
    bool secondThreadAllowed;
    CTaskThread* helper;       // null: one thread
    uint8_t* spareColumn;      // the last column that symbols are decoded into ahead
    SymbolCursor ahead;        // the next block, decoded ahead
    bool deferring;            // errors are kept, not reported (decoding ahead)
    DeferredError deferred;
    uint32_t volumeDataRead;   // data bytes read from the current volume so far
    bool aheadTaken;           // bytes of the next block have been taken ahead of time
    uint32_t crcBeforeAhead;   // the CRC register before them: what Close compares
    bool chainEnded;           // a next volume could not be opened: the data end there
};
