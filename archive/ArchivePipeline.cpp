// CArchiveFile on two threads: the second thread rebuilds block k (inverse transform and the
// removal of the alteration) while the caller's thread decodes the symbols of block k + 1.
//
// Decoding ahead must not change what the user sees or when. So it stops between two symbols
// before it could need a byte beyond the current volume (moving on would compare the volume's CRC
// and might prompt for the next disk), and an error it meets (a damaged block, the end of the
// data, a failing read of the medium) is kept and reported when block k + 1 is started, where a
// reader on one thread meets it. Either way the block's remaining symbols are decoded then.
#include "ArchiveDecoderInline.h"

#include <new>
#include <utility>

void CArchiveFile::startPipeline()
{
    if (!secondThreadAllowed || blockSize == 0 || AfxGetProcessorCount() < 2) return;
    spareColumn = new (std::nothrow) uint8_t[size_t(blockSize) * zrv::kBlockUnit];
    CTaskThread* thread = spareColumn ? new (std::nothrow) CTaskThread : nullptr;
    if (!thread || !thread->Start()) {
        delete thread;
        delete[] spareColumn;
        spareColumn = nullptr;
        return;
    }
    helper = thread;
    beginSymbols(ahead, spareColumn);
}

void CArchiveFile::stopPipeline()
{
    delete helper;  // waits for a block being rebuilt
    helper = nullptr;
    delete[] spareColumn;
    spareColumn = nullptr;
    if (deferred.kind == DeferredError::fileLayer) deferred.exception->Delete();
    deferred.kind = DeferredError::none;
}

void CArchiveFile::rebuildTask(void* self)
{
    CArchiveFile* file = static_cast<CArchiveFile*>(self);
    file->invertBlockTransform();
    file->spotBlock();
}

void CArchiveFile::startBlockPipelined()
{
    aheadTaken = false;
    reportDeferred();
    decodeSymbols(ahead, false);
    // The block's column becomes lastColumn; the one just delivered takes the next block's symbols.
    std::swap(lastColumn, spareColumn);
    lastIndex = ahead.lastIndex;
    originRow = ahead.originRow;
    lastBlock = ahead.isLast;
    checkOrigin();
    helper->Post(&rebuildTask, this);
    if (!lastBlock) {
        beginSymbols(ahead, spareColumn);
        decodeAhead();
    }
    helper->Wait();
}

void CArchiveFile::decodeAhead()
{
    aheadTaken = true;
    crcBeforeAhead = crc;
    deferring = true;
    try {
        decodeSymbols(ahead, true);
    } catch (DeferredStop&) {
        ahead.stage = SymbolCursor::failed;
    } catch (CFileException* e) {
        // The file layer's own error from a refill of the buffer.
        deferred.kind = DeferredError::fileLayer;
        deferred.exception = e;
        ahead.stage = SymbolCursor::failed;
    }
    deferring = false;
}

void CArchiveFile::deferError(DeferredError::Kind kind, const char* text)
{
    deferred.kind = kind;
    if (text) deferred.text = text;
    throw DeferredStop();
}

void CArchiveFile::reportDeferred()
{
    DeferredError::Kind kind = deferred.kind;
    deferred.kind = DeferredError::none;
    if (kind == DeferredError::message) fatalError(deferred.text);
    if (kind == DeferredError::readError) raiseReadError();
    if (kind == DeferredError::fileLayer) throw deferred.exception;
}

// Whether decoding ahead may take the next symbol: certainly when the buffer still holds enough
// bytes for any symbol; otherwise only when the buffer is full (the volume may go on) and the
// volume holds enough bytes after it, so that the refill, not the next volume, serves the symbol.
bool CArchiveFile::volumeServesNextSymbol()
{
    if (inCount - inPos >= kBytesForAnySymbol) return true;
    if (inCount != zrv::kReaderBufferSize) return false;
    try {
        DWORD length = CFile::GetLength();
        return length >= sizeof header + volumeDataRead + kBytesForAnySymbol;
    } catch (CFileException* e) {
        e->Delete();
        return false;
    }
}
