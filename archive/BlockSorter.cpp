#include "BlockSorter.h"

#include "SuffixSort.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace zrv {

namespace {

// The length, at most limit, of the common prefix of the rotations of s[0..n) that start at a
// and b (both below n), known to be at least k. Compares eight bytes at a time where neither
// rotation wraps.
int32_t CommonLength(const uint8_t* s, int32_t n, int32_t a, int32_t b, int32_t k, int32_t limit)
{
    while (k < limit) {
        int32_t x = a + k >= n ? a + k - n : a + k;
        int32_t y = b + k >= n ? b + k - n : b + k;
        int32_t stretch = std::min({n - x, n - y, limit - k});
        int32_t m = 0;
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        for (; m + 8 <= stretch; m += 8) {
            uint64_t u, v;
            std::memcpy(&u, s + x + m, 8);
            std::memcpy(&v, s + y + m, 8);
            if (u != v) return k + m + int32_t(__builtin_ctzll(u ^ v) / 8);
        }
#endif
        while (m < stretch && s[x + m] == s[y + m]) ++m;
        if (m < stretch) return k + m;
        k += stretch;
    }
    return limit;
}

}  // namespace

int32_t LeastRotation(const uint8_t* s, int32_t n)
{
    // Two candidate starts i and j: at the first difference of their rotations, the larger
    // candidate and every start it spans cannot be least.
    int32_t i = 0, j = 1;
    while (i < n && j < n) {
        // Most candidates differ within a few bytes; longer common stretches go word by word.
        int32_t k = 0, a = i, b = j;
        while (k < 16 && k < n && s[a] == s[b]) {
            ++k;
            a = a + 1 == n ? 0 : a + 1;
            b = b + 1 == n ? 0 : b + 1;
        }
        if (k == 16 && k < n) {
            k = CommonLength(s, n, i, j, k, n);
            a = i + k >= n ? i + k - n : i + k;
            b = j + k >= n ? j + k - n : j + k;
        }
        if (k == n) break;  // a periodic block: the two rotations are equal
        if (s[a] > s[b])
            i += k + 1;
        else
            j += k + 1;
        if (i == j) ++j;
    }
    return std::min(i, j);
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
    if (!SuffixSort(w, sa, n)) throw std::bad_alloc();
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
