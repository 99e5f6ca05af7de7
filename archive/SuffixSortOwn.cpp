#include "SuffixSort.h"

namespace zrv {

bool SuffixSort(const uint8_t* text, int32_t* sa, int32_t n) { return SuffixSortInduced(text, sa, n); }

}  // namespace zrv
