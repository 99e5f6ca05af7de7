#include "SuffixSort.h"

#include <divsufsort.h>

namespace zrv {

bool SuffixSort(const uint8_t* text, int32_t* sa, int32_t n) { return divsufsort(text, sa, n) == 0; }

}  // namespace zrv
