#include "BlockSorter.h"

#include <divsufsort.h>

#include <cstring>
#include <new>

namespace zrv {

int32_t LeastRotation(const uint8_t* s, int32_t n)
{
    // Two candidate starts i and j and the length k of their common prefix; the larger
    // candidate at the first difference, and every start it spans, cannot be least.
    int32_t i = 0, j = 1, k = 0;
    while (i < n && j < n && k < n) {
        int32_t a = i + k, b = j + k;
        uint8_t ca = s[a >= n ? a - n : a];
        uint8_t cb = s[b >= n ? b - n : b];
        if (ca == cb) {
            ++k;
            continue;
        }
        if (ca > cb)
            i += k + 1;
        else
            j += k + 1;
        if (i == j) ++j;
        k = 0;
    }
    return i < j ? i : j;
}

CBlockSorter::CBlockSorter(int32_t capacity) : m_rotated(size_t(capacity)), m_suffixes(size_t(capacity)) {}

// Suffix order equals rotation order when the text starts at its least rotation w: if suffix j of
// w is a prefix of suffix i (j > i), the rotations at i and j go on with w itself and with another
// rotation of w, and w is the least of them, so rotation j sorts first, as suffix j does (or the
// two rotations are equal). So the block is rotated to its least rotation and suffix-sorted.
int32_t CBlockSorter::Sort(const uint8_t* block, int32_t n, uint8_t* lastColumn)
{
    int32_t least = LeastRotation(block, n);
    uint8_t* w = m_rotated.data();
    std::memcpy(w, block + least, size_t(n - least));
    std::memcpy(w + (n - least), block, size_t(least));
    int32_t* sa = m_suffixes.data();
    if (divsufsort(w, sa, n) != 0) throw std::bad_alloc();
    int32_t start = least == 0 ? 0 : n - least;  // where block[0] lies in w
    int32_t origin = -1;
    for (int32_t row = 0; row < n; ++row) {
        int32_t p = sa[row];
        lastColumn[row] = w[p == 0 ? n - 1 : p - 1];
        if (p == start) origin = row;
    }
    return origin;
}

}  // namespace zrv
