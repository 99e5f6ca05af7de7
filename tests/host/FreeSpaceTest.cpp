#include "SetupApp.h"

#include <gtest/gtest.h>

TEST(FreeMegabytes, Arithmetic)
{
    struct Case {
        DWORD spc, bps, freeClusters;
        long long mb;
    } cases[] = {
        {8, 512, 256, 1},               // exactly one megabyte
        {8, 512, 255, 0},               // a cluster short of it
        {1, 4096, 255, 0},
        {64, 4096, 0xFFFFFFFFu, 1073741823},  // wider than 32 bits in the product
        {8, 512, 0, 0},
        {8, 0, 100, -1},                // no sector size: not a drive's answer
        {8, 2097152, 100, -1},          // a sector larger than a megabyte
    };
    for (const Case& c : cases) EXPECT_EQ(FreeMegabytes(c.spc, c.bps, c.freeClusters), c.mb) << c.spc << " " << c.bps << " " << c.freeClusters;
}
