// The volume checksum: a 32-bit CRC with polynomial 0x04C11DB7, most significant bit first (no
// reflection), register starting at 0xFFFFFFFF, result the register's complement. The CRC of
// "123456789" is 0xFC891918.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zrv {

constexpr uint32_t kCrcInit = 0xFFFFFFFFu;

// The 256-entry table of the polynomial in its non-reflected form (entry 1 is 0x04C11DB7).
extern const uint32_t kCrcTable[256];

// One byte into the register.
inline uint32_t CrcUpdate(uint32_t reg, uint8_t byte) { return (reg << 8) ^ kCrcTable[(reg >> 24) ^ byte]; }

// n bytes into the register; returns the new register (not yet complemented).
uint32_t CrcUpdate(uint32_t reg, const void* data, size_t n);

// The finished CRC of a whole buffer.
inline uint32_t Crc32(const void* data, size_t n) { return ~CrcUpdate(kCrcInit, data, n); }

}  // namespace zrv
