// The induced suffix sorting of the Windows tool against libdivsufsort, the host's: the block
// sorter's output, and so every image, depends on the two giving the same array.
#include "SuffixSort.h"

#include "../common/RandomBytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<int32_t> Sorted(bool bInduced, const std::string& text)
{
    std::vector<int32_t> sa(text.size());
    const auto* p = reinterpret_cast<const uint8_t*>(text.data());
    bool ok = bInduced ? zrv::SuffixSortInduced(p, sa.data(), int32_t(text.size()))
                       : zrv::SuffixSort(p, sa.data(), int32_t(text.size()));
    EXPECT_TRUE(ok);
    return sa;
}

std::string Repeated(const std::string& unit, size_t n)
{
    std::string s;
    while (s.size() < n) s += unit;
    return s.substr(0, n);
}

}  // namespace

TEST(SuffixSort, InducedEqualsDivsufsort)
{
    struct Case {
        const char* name;
        std::string text;
    };
    // Periodic texts and texts of one letter recurse deepest; small alphabets give long equal
    // LMS substrings; the names' order (the recursion's alphabet) is what random bytes test.
    const std::vector<Case> cases = {
        {"one byte", "x"},
        {"two equal", "aa"},
        {"falling", "dcba"},
        {"rising", "abcd"},
        {"one letter", std::string(1000, 'a')},
        {"period 2", Repeated("ab", 1001)},
        {"period 3 odd tail", Repeated("abc", 3001) + "a"},
        {"banana", "banana"},
        {"mississippi", "mississippi"},
        {"Fibonacci-like", Repeated("abaababaabaab", 4000)},
        {"zero bytes", std::string(300, '\0') + "\x01" + std::string(300, '\0')},
        {"binary alphabet", zrvtest::RandomBytes(50000, 1, 2)},
        {"four letters", zrvtest::RandomBytes(50000, 2, 4)},
        {"all bytes", zrvtest::RandomBytes(200000, 3)},
        {"repeated random block", Repeated(zrvtest::RandomBytes(777, 4, 3), 60000)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Sorted(true, c.text), Sorted(false, c.text));
    }
    // Many short texts of small alphabets: every shape of LMS substrings there is.
    for (uint32_t seed = 0; seed < 3000; ++seed) {
        std::string text = zrvtest::RandomBytes(1 + seed % 37, seed, 1 + seed % 4);
        ASSERT_EQ(Sorted(true, text), Sorted(false, text)) << "seed " << seed;
    }
}
