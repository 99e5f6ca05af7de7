// The progress bar's arithmetic: the fill of a position, the percentage text, and the ranges that
// have no fraction.
#include "ProgressFill.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

namespace {
std::string Percent(float fFraction)
{
    char sz[64];
    FormatProgressPercent(fFraction, sz, sizeof sz);
    return sz;
}
}  // namespace

TEST(ProgressFillTest, FillOfAPosition)
{
    struct Case {
        int32_t nPos, nLower, nUpper;
        int nWidth;
        double dFraction;
        int nFilled;
    };
    const Case cases[] = {
        {0, 0, 100, 50, 0.0, 0},
        {1, 0, 100, 50, 0.01, 0},        // half a pixel: nothing filled yet
        {2, 0, 100, 50, 0.02, 1},
        {50, 0, 100, 50, 0.5, 25},
        {100, 0, 100, 50, 1.0, 50},
        {150, 0, 100, 50, 1.5, 75},      // past the upper bound: not clamped
        {-10, 0, 100, 50, -0.1, -5},     // below the lower bound: truncated toward zero
        {-3, 0, 100, 50, -0.03, -1},
        {15, 10, 20, 300, 0.5, 150},     // a range that does not start at 0
        {7, 7, 7, 50, 0.0, 0},           // empty range: no fraction, an empty bar
        {9, 7, 7, 50, 0.0, 0},
        {0, 0, 0, 50, 0.0, 0},
        {INT32_MAX, INT32_MIN, INT32_MAX, 200, 1.0, 200},  // the widest range does not overflow
        {0, INT32_MIN, INT32_MAX, 200, 0.5, 100},
        {INT32_MAX, 0, 1, 1 << 20, double(INT32_MAX), INT_MAX},  // saturates instead of overflowing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.nPos << " in " << c.nLower << ".." << c.nUpper << " on " << c.nWidth);
        const ProgressFill fill = ComputeProgressFill(c.nPos, c.nLower, c.nUpper, c.nWidth);
        EXPECT_NEAR(fill.dFraction, c.dFraction, 1e-7);
        EXPECT_EQ(fill.nFilled, c.nFilled);
    }
}

TEST(ProgressFillTest, PercentTextRoundsHalvesUp)
{
    struct Case {
        float fFraction;
        const char* pszText;
    };
    const Case cases[] = {
        {0.0f, "0%"},
        {0.125f, "13%"},     // exactly 12.5: halves go up, whatever the C library's own rounding
        {0.5f, "50%"},
        {0.375f, "38%"},     // 37.5, and an odd neighbour below: not rounded to even
        {0.00499f, "0%"},    // just below half a percent
        {0.005f, "0%"},      // 0.005 as a float is a little less than 0.005
        {0.02f, "2%"},
        {1.0f, "100%"},
        {1.5f, "150%"},      // past the upper bound
        {-0.004f, "0%"},     // never "-0%"
        {-0.125f, "-12%"},   // -12.5 rounds up too
        {NAN, "0%"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fFraction);
        EXPECT_EQ(Percent(c.fFraction), c.pszText);
    }
}

TEST(ProgressFillTest, EmptyRangeReadsZeroPercent)
{
    const ProgressFill fill = ComputeProgressFill(5, 5, 5, 50);
    EXPECT_FALSE(std::isnan(fill.dFraction));
    EXPECT_EQ(Percent(float(fill.dFraction)), "0%");
}
