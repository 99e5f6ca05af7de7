// The volume writer of ZRV-Zip images: cuts the compressed bit stream into volume files, each with
// its 12-byte header ("ZRV" and a zero byte, the block-size byte, three reserved zero bytes, the
// CRC of the volume's data, little-endian) and named by the reader's rule for the next volume.
#pragma once

#include "ArchiveFormat.h"
#include "ArithmeticEncoder.h"

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace zrv {

// A volume file that could not be written; the message names the file and the reason.
struct VolumeWriteError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Data bytes in each volume but the last for a volume file size (header included); 0 means one
// volume. A non-final volume whose data is a positive multiple of the reader's buffer would end
// the reader's data early, so such a volume is cut one byte shorter. Throws std::invalid_argument
// with kVolumeSizeRule for a size below kMinVolumeFileSize.
uint64_t DataPerVolume(uint64_t volumeFileSize);

class CVolumeWriter : public IByteSink {
public:
    // firstPath must end in three digits; blockSize goes into every header; volumeFileSize as for
    // DataPerVolume. Nothing is created until the first byte arrives.
    CVolumeWriter(const std::string& firstPath, int blockSize, uint64_t volumeFileSize);
    CVolumeWriter(const CVolumeWriter&) = delete;
    CVolumeWriter& operator=(const CVolumeWriter&) = delete;
    // Removes every volume written under its temporary name unless Commit succeeded.
    ~CVolumeWriter() override;

    // Appends data, opening the next volume only when a byte must go into it. Throws VolumeWriteError.
    void PutBytes(const uint8_t* data, size_t size) override;
    // Completes the last volume and gives every volume its final name. Throws VolumeWriteError.
    void Commit();

    // The final names of the volumes written so far, in order.
    const std::vector<std::string>& Paths() const { return m_paths; }

private:
    void OpenVolume();
    void CloseVolume();
    [[noreturn]] void Fail(const std::string& path, const char* what, int err);

    std::string m_nextPath;
    uint8_t m_blockSize;
    uint64_t m_perVolume;
    std::vector<std::string> m_paths;
    std::vector<std::string> m_tempPaths;
    std::FILE* m_file = nullptr;
    uint64_t m_inVolume = 0;
    uint32_t m_crc = 0;
    bool m_committed = false;
};

}  // namespace zrv
