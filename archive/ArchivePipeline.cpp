// CArchiveFile on two threads: the second thread rebuilds block k (inverse transform and the
// removal of the alteration) while the caller's thread decodes the symbols of block k + 1.
//
// Decoding ahead must not change what the user sees or when. So it stops between two symbols
// before it could need a byte beyond the current volume (moving on would compare the volume's CRC
// and might prompt for the next disk), and an error it meets (a damaged block, the end of the
// data, a failing read of the medium) is kept and reported when block k + 1 is started, where a
// reader on one thread meets it. Either way the block's remaining symbols are decoded then.
#include "ArchiveFile.h"

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
    CSymbolDecoder::Begin(ahead, spareColumn);
}

void CArchiveFile::stopPipeline()
{
    delete helper;  // waits for a block being rebuilt
    helper = nullptr;
    delete[] spareColumn;
    spareColumn = nullptr;
    errors.DiscardKept();
}

void CArchiveFile::rebuildTask(void* self)
{
    CArchiveFile* file = static_cast<CArchiveFile*>(self);
    file->invertBlockTransform();
    file->spotBlock();
}

void CArchiveFile::startBlockPipelined()
{
    input.EndAhead();
    errors.ReportKept();
    decoder.Decode(ahead, blockLength(), false);
    // The block's column becomes lastColumn; the one just delivered takes the next block's symbols.
    std::swap(lastColumn, spareColumn);
    lastIndex = ahead.lastIndex;
    originRow = ahead.originRow;
    lastBlock = ahead.isLast;
    checkOrigin();
    helper->Post(&rebuildTask, this);
    if (!lastBlock) {
        CSymbolDecoder::Begin(ahead, spareColumn);
        decodeAhead();
    }
    helper->Wait();
}

void CArchiveFile::decodeAhead()
{
    input.BeginAhead();
    errors.BeginKeeping();
    try {
        decoder.Decode(ahead, blockLength(), true);
    } catch (CReaderErrors::Stop&) {
        ahead.stage = CSymbolDecoder::Cursor::failed;
    } catch (CFileException* e) {
        // The file layer's own error from a refill of the buffer.
        errors.KeepFileLayerError(e);
        ahead.stage = CSymbolDecoder::Cursor::failed;
    }
    errors.EndKeeping();
}
