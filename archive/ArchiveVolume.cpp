// CArchiveFile: construction, Open and Close, the volume chain, the buffered byte input with its
// running CRC, the decompression memory and the way errors reach the caller.
#include "ArchiveFile.h"

#include "AfxMessageBox.h"

#include <cstring>
#include <new>

namespace {

const char kMsgNotFound[] = "The file '%s' could not be found/opened";
const char kMsgNotZrv[] = "FATAL: the file '%s' is not a ZRV-Zip file";
const char kMsgBadVolumeName[] = "FATAL: the file name '%s' does not end in a three-digit volume number";
const char kMsgShortHeader[] = "FATAL: the file '%s' is too short to be a ZRV-Zip volume";
const char kMsgCannotOpen[] = "FATAL: the file '%s' could not be opened";
const char kMsgDataEnd[] = "FATAL: the file '%s' is cut short: its compressed data end too early";
const char kMsgStreamEnd[] = "FATAL: the file '%s' is corrupted: its contents end too early";
const char kMsgIntegrity[] = "FATAL:\tdata integrity error.\n\tThe file '%s' is probably corrupted.";
const char kMsgNoMemory[] =
    "FATAL:\tunable to allocate enough memory for decompression.\n\tRequested %d bytes for a block size of %d.\n";

}  // namespace

CArchiveFile::CArchiveFile()
    : fileError(nullptr),
      openFlags(0),
      header(),
      runState(),
      lastBlock(0),
      blockPending(0),
      outRemaining(0),
      outPtr(nullptr),
      inBuffer(nullptr),
      crc(zrv::kCrcInit),
      bitBuffer(0),
      bitsLeft(0),
      range(0),
      value(0),
      rawModel(),
      blockModels(),
      links(nullptr),
      block(nullptr),
      lastColumn(nullptr),
      lastIndex(-1),
      originRow(0),
      blockSize(0),
      inCount(0),
      inPos(0),
      secondThreadAllowed(true),
      helper(nullptr),
      spareColumn(nullptr),
      ahead(),
      deferring(false),
      deferred(),
      volumeDataRead(0),
      aheadTaken(false),
      crcBeforeAhead(0),
      chainEnded(false)
{
}

CArchiveFile::~CArchiveFile() { releaseMemory(); }

void CArchiveFile::releaseMemory()
{
    stopPipeline();
    delete[] inBuffer;
    delete[] links;
    delete[] block;
    delete[] lastColumn;
    inBuffer = nullptr;
    links = nullptr;
    block = nullptr;
    lastColumn = nullptr;
}

BOOL CArchiveFile::Open(const char* lpszFileName, UINT nOpenFlags, CFileException* pError)
{
    // Every later error is reported by throwing this object, so there must be one.
    if (!pError) return FALSE;
    fileError = pError;
    openFlags = nOpenFlags;
    volumePath = lpszFileName;
    chainEnded = false;
    // A name without a volume number is fine for a one-volume image: no next name is formed
    // unless the data run on past the first volume.
    if (!openVolume(true)) return FALSE;
    // An exhausted full buffer: the first byte request refills from the volume just opened.
    inCount = zrv::kReaderBufferSize;
    inPos = zrv::kReaderBufferSize;
    blockSize = header.blockSize;
    blockPending = 0;
    lastBlock = 0;
    allocateMemory();

    crc = zrv::kCrcInit;
    bitsLeft = 0;
    setupModel(rawModel, "bogus", 256, 0, 256);
    startDecoder();
    startPipeline();
    return TRUE;
}

void CArchiveFile::allocateMemory()
{
    releaseMemory();
    inBuffer = new (std::nothrow) uint8_t[zrv::kReaderBufferSize];
    if (!inBuffer) {
        CString text;
        text.Format(kMsgNoMemory, zrv::kReaderBufferSize, blockSize);
        fatalError(text);
    }
    int n = blockSize * zrv::kBlockUnit;
    if (n == 0) return;
    links = new (std::nothrow) int32_t[size_t(n)];
    block = new (std::nothrow) uint8_t[size_t(n)];
    lastColumn = new (std::nothrow) uint8_t[size_t(n)];
    if (!links || !block || !lastColumn) {
        CString text;
        text.Format(kMsgNoMemory, 6 * n, n);
        fatalError(text);
    }
}

void CArchiveFile::Close()
{
    CFile::Close();
    // Bytes decoded ahead for a block not yet started are not taken as far as Close is concerned.
    const uint32_t taken = aheadTaken ? crcBeforeAhead : crc;
    if (header.StoredCrc() != ~taken) fatalFileError(kMsgIntegrity, volumePath);
}

BOOL CArchiveFile::openVolume(bool first)
{
    crc = zrv::kCrcInit;
    volumeDataRead = 0;
    while (!CFile::Open(volumePath, openFlags, fileError)) {
        int cause = fileError->m_cause;
        if (cause != CFileException::fileNotFound && cause != CFileException::badPath) {
            // The caller of Open tells the user about a first volume by the cause; a later one
            // would otherwise end the data without a word.
            if (!first) failVolume(kMsgCannotOpen);
            return FALSE;
        }
        CString text;
        text.Format(kMsgNotFound, volumePath.GetString());
        if (AfxMessageBox(text, MB_RETRYCANCEL) != IDRETRY) return FALSE;
    }
    if (CFile::Read(&header, sizeof header) < sizeof header) return failVolume(kMsgShortHeader);
    if (std::memcmp(header.magic, zrv::kVolumeMagic, sizeof zrv::kVolumeMagic) != 0) return failVolume(kMsgNotZrv);
    return TRUE;
}

BOOL CArchiveFile::failVolume(const char* format)
{
    CString text;
    text.Format(format, volumePath.GetString());
    AfxMessageBox(text, MB_ICONHAND);
    // Told: the cause the caller adds no message for. It may still hold the cause of an earlier
    // attempt that the user retried.
    fileError->m_cause = CFileException::generic;
    return FALSE;
}

BOOL CArchiveFile::advanceVolume()
{
    CFile::Close();
    if (header.StoredCrc() != ~crc) fatalFileError(kMsgIntegrity, volumePath);
    if (!zrv::HasVolumeNumber(volumePath.GetString())) fatalFileError(kMsgBadVolumeName, volumePath);
    volumePath = zrv::NextVolumeName(volumePath.GetString()).c_str();
    // A volume that cannot be had has been reported, or the user chose Cancel at its prompt:
    // the end of the data that follows needs no message of its own.
    if (openVolume(false)) return TRUE;
    chainEnded = true;
    return FALSE;
}

int CArchiveFile::refillInput()
{
    // A short refill means the volume has no more data once it is used up; a full one may be
    // followed by more from the same volume.
    if (inCount != zrv::kReaderBufferSize && !advanceVolume()) return kEndOfData;
    inCount = int32_t(CFile::Read(inBuffer, zrv::kReaderBufferSize));
    volumeDataRead += uint32_t(inCount);
    // An empty refill ends the data; it does not move on to the next volume. Position and count
    // are left equal so no byte is ever taken from the stale buffer.
    inPos = 0;
    if (inCount == 0) return kEndOfData;
    return nextInputByte();
}

void CArchiveFile::endOfData()
{
    // Decoding ahead keeps the error for the Read that starts the block.
    if (!chainEnded) {
        CString text;
        text.Format(kMsgDataEnd, volumePath.GetString());
        if (deferring) deferError(DeferredError::message, text);
        fatalError(text);
    }
    if (deferring) deferError(DeferredError::readError, nullptr);
    raiseReadError();
}

void CArchiveFile::endOfStream() { fatalFileError(kMsgStreamEnd, volumePath); }

void CArchiveFile::raiseReadError()
{
    fileError->m_cause = CFileException::generic;
    throw fileError;
}

void CArchiveFile::fatalError(const char* text)
{
    AfxMessageBox(text, MB_ICONHAND);
    raiseReadError();
}

void CArchiveFile::fatalFileError(const char* format, const char* path)
{
    CString text;
    text.Format(format, path);
    fatalError(text);
}
