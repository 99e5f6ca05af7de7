// CArchiveFile: construction, Open and Close, and the decompression memory.
#include "ArchiveFile.h"

#include "AfxText.h"

#include <new>

namespace {

// The key of the message in the language tables (lang/en.lang): the bytes asked for and the block
// size, both int.
const char kMsgNoMemory[] = "archive.no_memory";

}  // namespace

CArchiveFile::CArchiveFile(CArchivePrompt* pPrompt)
    : errors(pPrompt),
      decoder(*this, errors),
      input(decoder.Input()),
      runState(),
      lastBlock(0),
      blockPending(0),
      outRemaining(0),
      outPtr(nullptr),
      links(nullptr),
      block(nullptr),
      lastColumn(nullptr),
      lastIndex(-1),
      originRow(0),
      blockSize(0),
      secondThreadAllowed(true),
      helper(nullptr),
      spareColumn(nullptr),
      ahead()
{
}

CArchiveFile::~CArchiveFile() { releaseMemory(); }

void CArchiveFile::releaseMemory()
{
    stopPipeline();
    input.ReleaseBuffer();
    delete[] links;
    delete[] block;
    delete[] lastColumn;
    links = nullptr;
    block = nullptr;
    lastColumn = nullptr;
}

BOOL CArchiveFile::Open(const char* lpszFileName, UINT nOpenFlags, CFileException* pError)
{
    // Every later error is reported by throwing this object, so there must be one.
    if (!pError) return FALSE;
    errors.Attach(pError);
    if (!input.OpenFirst(lpszFileName, nOpenFlags)) return FALSE;
    blockSize = input.BlockSizeByte();
    blockPending = 0;
    lastBlock = 0;
    allocateMemory();
    decoder.Start();
    startPipeline();
    return TRUE;
}

void CArchiveFile::allocateMemory()
{
    releaseMemory();
    if (!input.AllocateBuffer()) {
        errors.Fail(AfxTextFormat(kMsgNoMemory, zrv::kReaderBufferSize, blockSize));
    }
    const int n = blockLength();
    if (n == 0) return;
    links = new (std::nothrow) int32_t[size_t(n)];
    block = new (std::nothrow) uint8_t[size_t(n)];
    lastColumn = new (std::nothrow) uint8_t[size_t(n)];
    if (!links || !block || !lastColumn) {
        errors.Fail(AfxTextFormat(kMsgNoMemory, 6 * n, n));
    }
}

void CArchiveFile::Close() { input.Close(); }
