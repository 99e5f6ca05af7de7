#include "Crc32.h"

namespace zrv {
namespace {

struct Table {
    uint32_t v[256];
    constexpr Table() : v()
    {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i << 24;
            for (int k = 0; k < 8; ++k) c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : (c << 1);
            v[i] = c;
        }
    }
};
constexpr Table kTable;

}  // namespace

const uint32_t kCrcTable[256] = {
#define ZRV_ROW(i) kTable.v[i], kTable.v[i + 1], kTable.v[i + 2], kTable.v[i + 3], kTable.v[i + 4], kTable.v[i + 5], kTable.v[i + 6], kTable.v[i + 7]
    ZRV_ROW(0),   ZRV_ROW(8),   ZRV_ROW(16),  ZRV_ROW(24),  ZRV_ROW(32),  ZRV_ROW(40),  ZRV_ROW(48),  ZRV_ROW(56),
    ZRV_ROW(64),  ZRV_ROW(72),  ZRV_ROW(80),  ZRV_ROW(88),  ZRV_ROW(96),  ZRV_ROW(104), ZRV_ROW(112), ZRV_ROW(120),
    ZRV_ROW(128), ZRV_ROW(136), ZRV_ROW(144), ZRV_ROW(152), ZRV_ROW(160), ZRV_ROW(168), ZRV_ROW(176), ZRV_ROW(184),
    ZRV_ROW(192), ZRV_ROW(200), ZRV_ROW(208), ZRV_ROW(216), ZRV_ROW(224), ZRV_ROW(232), ZRV_ROW(240), ZRV_ROW(248),
#undef ZRV_ROW
};

uint32_t CrcUpdate(uint32_t reg, const void* data, size_t n)
{
    const uint8_t* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < n; ++i) reg = CrcUpdate(reg, p[i]);
    return reg;
}

}  // namespace zrv
