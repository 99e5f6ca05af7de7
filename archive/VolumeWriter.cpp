#include "VolumeWriter.h"

#include "Crc32.h"
#include "HostFile.h"

#include <cerrno>
#include <cstring>
#include <system_error>

namespace zrv {

uint64_t DataPerVolume(uint64_t volumeFileSize)
{
    if (volumeFileSize == 0) return 0;
    if (volumeFileSize < kMinVolumeFileSize) throw std::invalid_argument(kVolumeSizeRule);
    uint64_t data = volumeFileSize - kVolumeHeaderSize;
    if (data % kReaderBufferSize == 0) --data;
    return data;
}

CVolumeWriter::CVolumeWriter(const std::string& firstPath, int blockSize, uint64_t volumeFileSize)
    : m_nextPath(firstPath), m_blockSize(uint8_t(blockSize)), m_perVolume(DataPerVolume(volumeFileSize))
{
    if (!HasVolumeNumber(firstPath))
        throw VolumeWriteError(firstPath + ": a volume name must end in three digits (for example disk.001)");
}

CVolumeWriter::~CVolumeWriter()
{
    if (m_file) std::fclose(m_file);
    if (!m_committed)
        for (const std::string& temp : m_tempPaths) {
            std::error_code ec;
            std::filesystem::remove(HostPath(temp), ec);
        }
}

void CVolumeWriter::Fail(const std::string& path, const char* what, int err)
{
    throw VolumeWriteError(path + ": " + what + ": " + std::strerror(err));
}

void CVolumeWriter::OpenVolume()
{
    std::string path = m_nextPath;
    std::string temp = path + ".tmp" + std::to_string(HostProcessId());
    m_nextPath = NextVolumeName(path);
    m_file = OpenHostFile(temp, "wb");
    if (!m_file) Fail(path, "cannot create", errno);
    m_paths.push_back(path);
    m_tempPaths.push_back(temp);
    // The CRC goes in when the volume is complete.
    uint8_t header[kVolumeHeaderSize] = {};
    std::memcpy(header, kVolumeMagic, sizeof kVolumeMagic);
    header[sizeof kVolumeMagic] = m_blockSize;
    if (std::fwrite(header, 1, sizeof header, m_file) != sizeof header) Fail(path, "cannot write", errno);
    m_inVolume = 0;
    m_crc = kCrcInit;
}

void CVolumeWriter::CloseVolume()
{
    const std::string& path = m_paths.back();
    uint32_t crc = ~m_crc;
    const uint8_t le[4] = {uint8_t(crc), uint8_t(crc >> 8), uint8_t(crc >> 16), uint8_t(crc >> 24)};
    if (std::fseek(m_file, kVolumeCrcOffset, SEEK_SET) != 0 || std::fwrite(le, 1, 4, m_file) != 4) Fail(path, "cannot write", errno);
    int rc = std::fclose(m_file);
    m_file = nullptr;
    if (rc != 0) Fail(path, "cannot write", errno);
}

void CVolumeWriter::PutBytes(const uint8_t* data, size_t size)
{
    while (size) {
        if (m_file && m_perVolume && m_inVolume == m_perVolume) CloseVolume();
        if (!m_file) OpenVolume();
        size_t n = size;
        if (m_perVolume && n > m_perVolume - m_inVolume) n = size_t(m_perVolume - m_inVolume);
        if (std::fwrite(data, 1, n, m_file) != n) Fail(m_paths.back(), "cannot write", errno);
        m_crc = CrcUpdate(m_crc, data, n);
        m_inVolume += n;
        data += n;
        size -= n;
    }
}

void CVolumeWriter::Commit()
{
    if (m_file) CloseVolume();
    // Replaces a volume already there on every host (Windows' own rename would refuse it).
    for (size_t i = 0; i < m_paths.size(); ++i) {
        std::error_code ec;
        std::filesystem::rename(HostPath(m_tempPaths[i]), HostPath(m_paths[i]), ec);
        if (ec) throw VolumeWriteError(m_paths[i] + ": cannot create: " + ec.message());
    }
    m_committed = true;
}

}  // namespace zrv
