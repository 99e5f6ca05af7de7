// The suffix array of a block, as the block sorter needs it. Two implementations give the same
// array (a text's suffixes are all distinct, so their order is unique): libdivsufsort where the host
// has it, and an induced sorting of our own (SuffixSortInduced.cpp) where it has not (the Windows
// build of the tool); a host test holds the two to each other.
#pragma once

#include <cstdint>

namespace zrv {

// Writes to sa[0..n) the start of every suffix of text[0..n) in lexicographic order (a shorter
// suffix before a longer one it begins). Returns false when memory runs out.
bool SuffixSort(const uint8_t* text, int32_t* sa, int32_t n);

// The induced sorting itself, whatever SuffixSort uses on this build (for the test above).
bool SuffixSortInduced(const uint8_t* text, int32_t* sa, int32_t n);

}  // namespace zrv
