#include "ProgressFill.h"

#include "AfxString.h"

#include <climits>
#include <cmath>
#include <cstdio>

ProgressFill ComputeProgressFill(int32_t nPos, int32_t nLower, int32_t nUpper, int nWidth)
{
    ProgressFill fill = {0.0, 0};
    const int64_t nSpan = int64_t(nUpper) - nLower;
    if (nSpan == 0) return fill;
    fill.dFraction = double(int64_t(nPos) - nLower) / double(nSpan);
    const double dFilled = std::trunc(fill.dFraction * nWidth);
    if (dFilled >= double(INT_MAX))
        fill.nFilled = INT_MAX;
    else if (dFilled <= double(INT_MIN))
        fill.nFilled = INT_MIN;
    else
        fill.nFilled = int(dFilled);
    return fill;
}

void FormatProgressPercent(float fFraction, char* pszText, size_t nSize)
{
    // The float is widened before the multiplication, so 0.125f gives exactly 12.5, which must
    // read 13. "%.0f" alone rounds halves to even on some C libraries; rounding first leaves it
    // only whole numbers to print.
    double dPercent = double(fFraction) * 100.0;
    if (std::isnan(dPercent)) dPercent = 0.0;
    dPercent = std::floor(dPercent + 0.5);
    if (dPercent == 0.0) dPercent = 0.0;  // no "-0%"
    AfxFormatText(pszText, nSize, "%.0f%%", dPercent);
}
