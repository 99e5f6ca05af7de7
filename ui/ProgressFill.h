// The arithmetic of a progress bar, apart from any window: how much of the bar a position fills
// and the percentage shown on it. Portable, so the rules can be checked on any host.
#pragma once

#include <cstddef>
#include <cstdint>

struct ProgressFill {
    double dFraction;  // (position - lower) / (upper - lower); 0 for an empty range
    int nFilled;       // pixels of a bar nWidth wide that the fraction covers, truncated toward zero
};

// The fill of a bar nWidth pixels wide at nPos in the range nLower..nUpper. The position is not
// clamped: past the upper bound the fraction exceeds 1 and nFilled exceeds nWidth, below the lower
// bound both are negative. Differences are taken in 64 bits, so no pair of bounds overflows, and
// nFilled saturates at the limits of int. A range whose bounds are equal has no fraction: it gives
// 0 and 0 (an empty bar), never a division by zero.
ProgressFill ComputeProgressFill(int32_t nPos, int32_t nLower, int32_t nUpper, int nWidth);

// Writes the percentage text of fFraction into pszText (nSize bytes, at least 2): fFraction x 100
// rounded to a whole number with halves rounded up (0.125 gives "13%"), then a percent sign. The
// same text on every C library, whatever its own rounding of "%.0f". A fraction that is not a
// number gives "0%".
void FormatProgressPercent(float fFraction, char* pszText, size_t nSize);
