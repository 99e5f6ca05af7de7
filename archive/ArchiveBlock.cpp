// CArchiveFile: one block from its last column back to bytes: the check of its origin, the inverse
// block-sorting transform into block, and the removal of the alteration that the writer applies
// at fixed positions.
#include "ArchiveFile.h"
#include "ArchiveTransform.h"

#include "AfxText.h"

namespace {

// The key of the message in the language tables (lang/en.lang).
const char kMsgBadOrigin[] = "archive.bad_origin";

}  // namespace

// The inverse transform's walk starts at originRow; a row outside the block means a damaged stream.
void CArchiveFile::checkOrigin()
{
    if (lastIndex >= 0 && (originRow < 0 || originRow > lastIndex)) errors.Fail(AfxText(kMsgBadOrigin));
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
