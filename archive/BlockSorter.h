// The block-sorting transform of the compressor: sorts the cyclic rotations of a block and gives
// their last column and the row of the unrotated block, as the reader's inverse transform expects.
#pragma once

#include <cstdint>
#include <vector>

namespace zrv {

class CBlockSorter {
public:
    // capacity: the largest block that Sort will be given (N).
    explicit CBlockSorter(int32_t capacity);

    // Sorts the n (1 to capacity) rotations of block and writes their last characters, in sorted
    // order, to lastColumn (n bytes). Returns the row of the rotation that starts at block[0].
    // Equal rotations (a periodic block) may come in any order: their last characters are equal.
    // Throws std::bad_alloc when the suffix sorter runs out of memory.
    int32_t Sort(const uint8_t* block, int32_t n, uint8_t* lastColumn);

private:
    std::vector<uint8_t> m_rotated;
    std::vector<int32_t> m_suffixes;
};

// The start of the lexicographically least rotation of block[0..n), n >= 1 (linear time).
int32_t LeastRotation(const uint8_t* block, int32_t n);

}  // namespace zrv
