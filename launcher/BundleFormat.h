// A bundle: the launcher program followed by the files of a whole medium, found again by the
// launcher in its own file. All numbers are little-endian.
//
//   [the launcher: a PE program]
//   [the data of file 1] ... [the data of file n]           the contents start here
//   [the table: n entries of  u32 size, u32 CRC-32, u16 name length, name]
//   [the trailer: u32 n, u32 table size, u32 table CRC-32, u32 contents size, 8 bytes kBundleMagic]
//   [up to 7 zero bytes and a certificate table, when the bundle was signed]
//
// The contents size counts from the first byte of file 1 to the last byte of the trailer. Signing
// appends its certificate table at the end of the file (8-byte aligned) and points the PE security
// directory at it, so the contents end where that directory says, not at the end of the file.
// The CRC-32 is the one of the volumes (Crc32.h). Names are in the programs' code page, UTF-8 (the
// image's volumes included, whatever the medium's own code page, so that the launcher unpacks them
// under the names Setup.exe opens): a plain name or one folder and a name joined by a backslash.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zrv {

constexpr char kBundleMagic[8] = {'Z', 'R', 'V', 'B', 'N', 'D', 'L', '\x1a'};
constexpr uint32_t kBundleTrailerSize = 24;
// A table larger than this is not one the tool writes.
constexpr uint32_t kBundleMaxTableSize = 1u << 20;

struct BundleEntry {
    std::string strName;
    uint32_t nSize = 0;
    uint32_t nCrc = 0;
    uint32_t nOffset = 0;  // where its data starts in the bundle's file (set by the reader)
};

// What is wrong with a bundle: nothing; its end is missing (cut short); or what is there does not
// add up (altered).
enum class BundleFault { none, incomplete, damaged };

// Why name may not be unpacked, or null when it may: empty, more than one folder level, a part
// that is empty, "." or "..", ends in a dot or blank, holds a character Windows refuses in a name
// or a control character, or names a device.
const char* CheckBundleName(const std::string& name);

// The table and trailer that follow the files' data, for entries in the order their data was
// written (names, sizes and CRCs; offsets are ignored).
std::string BundleTail(const std::vector<BundleEntry>& entries);

// The PE security directory (the certificate table's file offset and size) of a program whose
// first bytes are head. Returns false when head is not a PE program's start.
bool PeSecurityDirectory(const unsigned char* head, size_t nHead, uint32_t* pOffset, uint32_t* pSize);

// Where the PE header ("PE\0\0" and the 20-byte file header after it) starts in the nHead bytes
// at head, the start of a program; 0 when they are no program's or are cut off before it ends.
size_t PeHeaderOffset(const unsigned char* head, size_t nHead);

// Reads bytes of the bundle's file: size bytes at offset into buffer; false when they cannot be read.
using BundleRead = std::function<bool(uint32_t offset, void* buffer, uint32_t size)>;

// Finds and checks the table of a bundle of nFileSize bytes: the trailer at the contents' end,
// the table's CRC, every name, the sizes adding up to the contents, Setup.exe among the names,
// no name twice. Fills entries with offsets (none on a fault); the files' own CRCs are the caller's
// to check.
BundleFault ReadBundleTable(const BundleRead& read, uint32_t nFileSize, std::vector<BundleEntry>& entries);

}  // namespace zrv
