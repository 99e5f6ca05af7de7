// CVolumeInput: the reader's input, one byte at a time, from a chain of volume files (disk.001,
// disk.002, ...). Each volume starts with a 12-byte header; the input checks the first one's magic,
// keeps a running CRC of the data bytes taken from the current volume, and compares it with the
// volume's stored CRC when it moves on to the next volume and when it is closed. A missing volume
// is put to the caller's prompt, which decides whether to look for it again. The next volume's
// name follows the format's naming rule (ArchiveFormat.h); a name without a volume number is
// refused only when a next volume is needed.
//
// It reads through the CFile it is given (the reader itself), so the reader's file name is that of
// the volume in hand. Errors go through CReaderErrors; the file layer's own exceptions propagate.
//
// Decoding ahead (the pipeline): bytes taken between BeginAhead and EndAhead belong to a block not
// yet started; Close compares the CRC as it was before them. ServesBytes tells whether the next
// bytes can be had without moving to the next volume, so that the move (its CRC check, a prompt)
// happens only when the caller's thread needs the bytes.
#pragma once

#include "AfxFile.h"
#include "ArchiveErrors.h"
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

class CVolumeInput {
public:
    static constexpr int kEndOfData = -1;

    CVolumeInput(CFile& file, CReaderErrors& errors);
    ~CVolumeInput() { ReleaseBuffer(); }
    CVolumeInput(const CVolumeInput&) = delete;
    CVolumeInput& operator=(const CVolumeInput&) = delete;

    // Opens the first volume and checks its header. FALSE when it cannot be opened (the caller's
    // exception object says why; badPath or fileNotFound when the prompt declined a retry), or is
    // shorter than a header or not a ZRV-Zip file (after the message; the cause is then generic).
    BOOL OpenFirst(const char* path, UINT nOpenFlags);
    // The first volume's block-size byte.
    int BlockSizeByte() const { return header.blockSize; }

    // The input buffer, allocated after OpenFirst; false without memory.
    bool AllocateBuffer();
    void ReleaseBuffer();
    bool HasBuffer() const { return buffer != nullptr; }

    // The next data byte (0 to 255), or kEndOfData. Moves to the next volume when the current one
    // is used up.
    int NextByte()
    {
        if (pos != count) {
            uint8_t b = buffer[pos++];
            crc = zrv::CrcUpdate(crc, b);
            return b;
        }
        return refill();
    }
    // The next data byte; the end of the data is an error.
    uint32_t FetchByte()
    {
        int b = NextByte();
        if (b == kEndOfData) EndOfData();
        return uint32_t(b);
    }
    // The data ran out while more was needed: reported unless a volume that could not be had has
    // already been told of (or given up by the user); then the read error.
    [[noreturn]] void EndOfData();
    // More was asked of the decompressed stream than it holds: reported, then the read error.
    [[noreturn]] void EndOfStream();

    // Whether n more bytes come from the current volume: certainly when the buffer holds them;
    // otherwise only when the buffer is full (the volume may go on) and the volume holds them.
    bool ServesBytes(int n) { return count - pos >= n || volumeHolds(n); }
    void BeginAhead()
    {
        ahead = true;
        crcBeforeAhead = crc;
    }
    void EndAhead() { ahead = false; }

    // Closes the current volume and compares its CRC with the bytes taken from it (before those
    // taken ahead), so it passes only after the whole of the last volume's data has been taken.
    void Close();

private:
    BOOL openVolume(bool first);
    // Tells the message of pszKey (a language table's key, its text taking the path) and sets the
    // cause that the caller adds nothing to; returns FALSE.
    BOOL failVolume(const char* pszKey);
    BOOL advanceVolume();
    int refill();
    bool volumeHolds(int n);

    CFile& file;
    CReaderErrors& errors;
    UINT openFlags = 0;
    CString path;
    VolumeHeader header = {};
    uint8_t* buffer = nullptr;
    int32_t count = 0;
    int32_t pos = 0;
    uint32_t crc = zrv::kCrcInit;
    uint32_t dataRead = 0;        // data bytes read from the current volume so far
    bool ahead = false;           // bytes are being taken for a block not yet started
    uint32_t crcBeforeAhead = 0;  // the CRC register before them: what Close compares
    bool chainEnded = false;      // a next volume could not be opened: the data end there
};
