// The inverse block-sorting transform of the reader, with the walks it can take. Internal to the
// reader (and its tests).
#pragma once

#include <cstdint>

namespace zrv {

enum class InverseWalk {
    automatic,  // the fastest one that fits the block
    plain,      // row table and last column apart: any block size
    fused,      // next row and byte in one 32-bit entry: blocks up to 2^24 bytes
    twoWay,     // from the origin backwards and forwards at once: blocks up to 2^20 bytes
};

// Rebuilds a block of count bytes (count >= 1) from its last column and the row of its origin
// (0 <= originRow < count) into block. The result is always that of the backward walk
// block[j] = lastColumn[p], p = row after p, from j = count - 1 down to 0, for any last column,
// also one that no block sorting could have produced. links is scratch space of count values;
// the two-way walk also overwrites lastColumn.
void InvertBlockTransform(uint8_t* lastColumn, int32_t* links, uint8_t* block, int count, int originRow,
                          InverseWalk walk = InverseWalk::automatic);

}  // namespace zrv
