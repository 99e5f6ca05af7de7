// Reproducible test data for the archive tests: the same seed always gives the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>

namespace zrvtest {

// n bytes drawn from the first alphabet byte values (1 to 256).
inline std::string RandomBytes(size_t n, uint32_t seed, uint32_t alphabet = 256)
{
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& ch : s) ch = char(rng() % alphabet);
    return s;
}

// s with no more than longest equal bytes in a row: a byte that would make the run longer is
// raised by one. With longest 3 the run-length coding of the archive leaves the bytes unchanged.
inline std::string WithoutRuns(std::string s, size_t longest)
{
    for (size_t i = longest; i < s.size(); ++i) {
        size_t k = 1;
        while (k <= longest && s[i - k] == s[i]) ++k;
        if (k > longest) s[i] = char(s[i] + 1);
    }
    return s;
}

}  // namespace zrvtest
