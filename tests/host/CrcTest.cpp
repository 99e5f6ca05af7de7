#include "Crc32.h"

#include <gtest/gtest.h>

#include <string>

TEST(Crc32, KnownValues)
{
    struct Case {
        std::string data;
        uint32_t crc;
    } cases[] = {
        {"123456789", 0xFC891918u},
        {"", 0x00000000u},
    };
    for (const Case& c : cases) EXPECT_EQ(zrv::Crc32(c.data.data(), c.data.size()), c.crc) << c.data;
    EXPECT_EQ(zrv::kCrcTable[1], 0x04C11DB7u);
}

TEST(Crc32, BytewiseEqualsBlockwise)
{
    std::string data;
    for (int i = 0; i < 1000; ++i) data.push_back(char(i * 7 + 3));
    uint32_t reg = zrv::kCrcInit;
    for (char ch : data) reg = zrv::CrcUpdate(reg, uint8_t(ch));
    EXPECT_EQ(reg, zrv::CrcUpdate(zrv::kCrcInit, data.data(), data.size()));
}
