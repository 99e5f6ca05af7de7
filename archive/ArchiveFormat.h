// The ZRV-Zip format in one place: the constants and naming rules that the reader, the compressor,
// the volume writer, the author's tool and the installer's guard of its medium all go by.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zrv {

// Every volume starts with a 12-byte header: "ZRV" and a zero byte, the block-size byte (only the
// first volume's counts), three reserved bytes and the CRC of the volume's data, little-endian.
constexpr uint8_t kVolumeMagic[4] = {'Z', 'R', 'V', 0};
constexpr uint32_t kVolumeHeaderSize = 12;
constexpr uint32_t kVolumeCrcOffset = 8;

// The block-size byte counts blocks in units of this many bytes; 1 to 255 are valid.
constexpr int32_t kBlockUnit = 100000;
constexpr int kMinBlockSize = 1;
constexpr int kMaxBlockSize = 255;

// The reader takes the medium in reads of this many bytes. A read that returns exactly this many
// bytes does not tell it that the volume has ended, so the data of a volume that is followed by
// another must not be a positive multiple of it.
constexpr int32_t kReaderBufferSize = 512000;

// The installer's memory for a block size: the reader's block arrays (6 x N bytes) and its input
// buffer.
constexpr uint64_t ReaderMemory(int blockSize)
{
    return 6ull * uint64_t(blockSize) * uint64_t(kBlockUnit) + uint64_t(kReaderBufferSize);
}

// A volume file must hold its header and at least one data byte. The one wording of that rule, for
// every command that takes a volume size.
constexpr uint64_t kMinVolumeFileSize = kVolumeHeaderSize + 1;
constexpr char kVolumeSizeRule[] = "--volume-size must be more than 12 bytes (the volume header)";

// Run-length coding: after this many equal bytes a count byte (0 to kMaxRepeat) of further copies.
constexpr int kRunThreshold = 4;
constexpr uint32_t kMaxRepeat = 255;
// The byte that ends the last block's data.
constexpr uint8_t kLastBlockMarker = '*';

// Symbols of a block: move-to-front positions 1 to 255, the run digits of position 0 in bijective
// base 2 (most significant first), and the end of the block.
constexpr int kSymbolRunTwo = 257;
constexpr int kSymbolRunOne = 258;
constexpr int kSymbolEnd = 259;

// The alteration of a block before sorting: one is added (and the reader subtracts it again) at
// kFirstAltered and every position after it by 17 x step + 7915, the step running through
// 1, 4, 5, 9, 2, 6, 7, 3 and round again; never at or beyond the block's last index.
constexpr int32_t kFirstAltered = 8000;
constexpr int kFirstAlterStep = 1;
constexpr int NextAlterStep(int step)
{
    constexpr int kNext[10] = {0, 4, 6, 1, 5, 9, 7, 3, 0, 2};
    return kNext[step];
}
constexpr int32_t AlterDistance(int step) { return 17 * step + 7915; }

// Volume names. A split image's volumes are named by their last three characters, which must be
// decimal digits: the next volume's name is the current one with that three-digit number plus
// one written back with at least three digits (disk.001 -> disk.002, disk.999 -> disk.1000,
// disk.1000 -> disk.1001, disk.1999 -> disk.11000). A one-volume image may have any name.
inline bool IsDecimalDigit(char ch) { return ch >= '0' && ch <= '9'; }

inline bool HasVolumeNumber(std::string_view path)
{
    const size_t n = path.size();
    return n >= 3 && IsDecimalDigit(path[n - 3]) && IsDecimalDigit(path[n - 2]) && IsDecimalDigit(path[n - 1]);
}

// Only for a path with a volume number.
inline std::string NextVolumeName(std::string_view path)
{
    const size_t n = path.size();
    int number = (path[n - 3] - '0') * 100 + (path[n - 2] - '0') * 10 + (path[n - 1] - '0') + 1;
    std::string next(path.substr(0, n - 3));
    if (number == 1000) return next + "1000";
    const char digits[3] = {char('0' + number / 100), char('0' + number / 10 % 10), char('0' + number % 10)};
    return next.append(digits, 3);
}

// True when the reader, starting at the volume first, would ever go on to open a volume named path
// (compared as given: fold both the same way first). By the rule above those names are first's
// stem, any number of '1's and three digits, the number not below first's unless a '1' precedes it.
inline bool IsLaterVolumeName(std::string_view first, std::string_view path)
{
    if (!HasVolumeNumber(first) || !HasVolumeNumber(path) || path == first) return false;
    const size_t stem = first.size() - 3;
    if (path.size() < first.size() || path.substr(0, stem) != first.substr(0, stem)) return false;
    const size_t ones = path.size() - first.size();
    for (size_t i = stem; i < stem + ones; ++i)
        if (path[i] != '1') return false;
    return ones > 0 || path.substr(stem) > first.substr(stem);
}

}  // namespace zrv
