// CVolumeInput: the volume chain and the buffered byte input with its running CRC.
#include "ArchiveVolume.h"

#include "AfxText.h"

#include <cstring>
#include <new>

namespace {

// The keys of the messages in the language tables (lang/en.lang); each takes the volume's path.
const char kMsgNotFound[] = "archive.not_found";
const char kMsgNotZrv[] = "archive.not_zrv";
const char kMsgBadVolumeName[] = "archive.bad_volume_name";
const char kMsgShortHeader[] = "archive.short_header";
const char kMsgCannotOpen[] = "archive.cannot_open";
const char kMsgDataEnd[] = "archive.data_end";
const char kMsgStreamEnd[] = "archive.stream_end";
const char kMsgIntegrity[] = "archive.integrity";

}  // namespace

CVolumeInput::CVolumeInput(CFile& file, CReaderErrors& errors) : file(file), errors(errors) {}

BOOL CVolumeInput::OpenFirst(const char* firstPath, UINT nOpenFlags)
{
    openFlags = nOpenFlags;
    path = firstPath;
    chainEnded = false;
    ahead = false;
    // A name without a volume number is fine for a one-volume image: no next name is formed
    // unless the data run on past the first volume.
    if (!openVolume(true)) return FALSE;
    // An exhausted full buffer: the first byte request refills from the volume just opened.
    count = zrv::kReaderBufferSize;
    pos = zrv::kReaderBufferSize;
    return TRUE;
}

bool CVolumeInput::AllocateBuffer()
{
    ReleaseBuffer();
    buffer = new (std::nothrow) uint8_t[zrv::kReaderBufferSize];
    return buffer != nullptr;
}

void CVolumeInput::ReleaseBuffer()
{
    delete[] buffer;
    buffer = nullptr;
}

void CVolumeInput::Close()
{
    file.CFile::Close();
    // Bytes decoded ahead for a block not yet started are not taken as far as Close is concerned.
    const uint32_t taken = ahead ? crcBeforeAhead : crc;
    if (header.StoredCrc() != ~taken) errors.Fail(AfxText(kMsgIntegrity), path);
}

BOOL CVolumeInput::openVolume(bool first)
{
    crc = zrv::kCrcInit;
    dataRead = 0;
    CFileException* error = errors.Exception();
    while (!file.CFile::Open(path, openFlags, error)) {
        int cause = error->m_cause;
        if (cause != CFileException::fileNotFound && cause != CFileException::badPath) {
            // The caller of Open tells the user about a first volume by the cause; a later one
            // would otherwise end the data without a word.
            if (!first) failVolume(kMsgCannotOpen);
            return FALSE;
        }
        if (!errors.AskRetry(AfxTextFormat(kMsgNotFound, path.GetString()))) return FALSE;
    }
    if (file.CFile::Read(&header, sizeof header) < sizeof header) return failVolume(kMsgShortHeader);
    if (std::memcmp(header.magic, zrv::kVolumeMagic, sizeof zrv::kVolumeMagic) != 0) return failVolume(kMsgNotZrv);
    return TRUE;
}

BOOL CVolumeInput::failVolume(const char* pszKey)
{
    errors.Tell(AfxTextFormat(pszKey, path.GetString()));
    // Told: the cause the caller adds no message for. It may still hold the cause of an earlier
    // attempt that the user retried.
    errors.Exception()->m_cause = CFileException::generic;
    return FALSE;
}

BOOL CVolumeInput::advanceVolume()
{
    file.CFile::Close();
    if (header.StoredCrc() != ~crc) errors.Fail(AfxText(kMsgIntegrity), path);
    if (!zrv::HasVolumeNumber(path.GetString())) errors.Fail(AfxText(kMsgBadVolumeName), path);
    path = zrv::NextVolumeName(path.GetString()).c_str();
    // A volume that cannot be had has been reported, or the prompt gave it up:
    // the end of the data that follows needs no message of its own.
    if (openVolume(false)) return TRUE;
    chainEnded = true;
    return FALSE;
}

int CVolumeInput::refill()
{
    // A short refill means the volume has no more data once it is used up; a full one may be
    // followed by more from the same volume.
    if (count != zrv::kReaderBufferSize && !advanceVolume()) return kEndOfData;
    count = int32_t(file.CFile::Read(buffer, zrv::kReaderBufferSize));
    dataRead += uint32_t(count);
    // An empty refill ends the data; it does not move on to the next volume. Position and count
    // are left equal so no byte is ever taken from the stale buffer.
    pos = 0;
    if (count == 0) return kEndOfData;
    return NextByte();
}

bool CVolumeInput::volumeHolds(int n)
{
    if (count != zrv::kReaderBufferSize) return false;
    try {
        DWORD length = file.CFile::GetLength();
        return length >= sizeof header + dataRead + uint32_t(n);
    } catch (CFileException* e) {
        e->Delete();
        return false;
    }
}

void CVolumeInput::EndOfData()
{
    if (!chainEnded) errors.Fail(AfxText(kMsgDataEnd), path);
    errors.FailTold();
}

void CVolumeInput::EndOfStream() { errors.Fail(AfxText(kMsgStreamEnd), path); }
