#include "ProgramVersion.h"

#include <cstring>

namespace zrvtool {

std::string ProductVersionOf(const unsigned char* pData, size_t nSize)
{
    // In a version resource each string is a block: its length, its value's length and its type
    // (three 16-bit words), the key in UTF-16 with its NUL, padding to 32 bits from the block's
    // start, then the value in UTF-16.
    static const char kKey[] = "ProductVersion";
    const size_t keyBytes = sizeof kKey * 2;  // with the NUL
    unsigned char key[sizeof kKey * 2];
    for (size_t i = 0; i < sizeof kKey; ++i) {
        key[2 * i] = static_cast<unsigned char>(kKey[i]);
        key[2 * i + 1] = 0;
    }
    if (!pData || nSize < keyBytes + 6) return "";
    for (size_t at = 6; at + keyBytes <= nSize; ++at) {
        if (std::memcmp(pData + at, key, keyBytes) != 0) continue;
        size_t block = at - 6;
        size_t value = at + keyBytes;
        while ((value - block) % 4 != 0) ++value;
        std::string text;
        for (; value + 1 < nSize && (pData[value] || pData[value + 1]) && text.size() < 64; value += 2)
            text += pData[value + 1] == 0 && pData[value] >= 0x20 && pData[value] < 0x7F ? char(pData[value]) : '?';
        return text;
    }
    return "";
}

}  // namespace zrvtool
