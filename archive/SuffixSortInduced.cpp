#include "SuffixSort.h"

#include <algorithm>
#include <new>
#include <vector>

// Suffix sorting by induced sorting in linear time. The text ends in a virtual sentinel, smaller
// than every symbol and never stored: the last suffix is of type L (larger than the one after it),
// and the sentinel's own suffix, the least of all, is what the L pass starts from.

namespace zrv {
namespace {

class CInduced {
public:
    template <class Sym>
    static void Sort(const Sym* s, int32_t* sa, int32_t n, int32_t k);
};

// bkt[c]: the first slot of bucket c (bEnd false) or one past its last (bEnd true).
template <class Sym>
void Buckets(const Sym* s, int32_t n, std::vector<int32_t>& bkt, bool bEnd)
{
    std::fill(bkt.begin(), bkt.end(), 0);
    for (int32_t i = 0; i < n; ++i) ++bkt[size_t(s[i])];
    int32_t sum = 0;
    for (int32_t& b : bkt) {
        sum += b;
        b = bEnd ? sum : sum - b;
    }
}

// S type (smaller than the suffix after it) for each position.
template <class Sym>
std::vector<bool> Types(const Sym* s, int32_t n)
{
    std::vector<bool> t(size_t(n), false);
    for (int32_t i = n - 2; i >= 0; --i) t[size_t(i)] = s[i] < s[i + 1] || (s[i] == s[i + 1] && t[size_t(i + 1)]);
    return t;
}

// A leftmost S position: S after an L. The sentinel's position n is one too.
inline bool IsLms(const std::vector<bool>& t, int32_t i, int32_t n)
{
    return i == n || (i > 0 && t[size_t(i)] && !t[size_t(i - 1)]);
}

// From the LMS suffixes already at the ends of their buckets: every L suffix left to right, then
// every S suffix right to left.
template <class Sym>
void Induce(const Sym* s, int32_t* sa, int32_t n, const std::vector<bool>& t, std::vector<int32_t>& bkt)
{
    Buckets(s, n, bkt, false);
    sa[bkt[size_t(s[n - 1])]++] = n - 1;  // induced by the sentinel
    for (int32_t i = 0; i < n; ++i) {
        int32_t j = sa[i] - 1;
        if (j >= 0 && !t[size_t(j)]) sa[bkt[size_t(s[j])]++] = j;
    }
    Buckets(s, n, bkt, true);
    for (int32_t i = n - 1; i >= 0; --i) {
        int32_t j = sa[i] - 1;
        if (j >= 0 && t[size_t(j)]) sa[--bkt[size_t(s[j])]] = j;
    }
}

// Whether the LMS substrings at p and q (up to and with the next LMS position) are equal.
template <class Sym>
bool SameLms(const Sym* s, const std::vector<bool>& t, int32_t n, int32_t p, int32_t q)
{
    for (int32_t d = 0;; ++d) {
        if (p + d == n || q + d == n) return false;  // only one can reach the sentinel
        if (s[p + d] != s[q + d] || t[size_t(p + d)] != t[size_t(q + d)]) return false;
        if (d > 0) {
            bool a = IsLms(t, p + d, n), b = IsLms(t, q + d, n);
            if (a || b) return a && b;
        }
    }
}

template <class Sym>
void CInduced::Sort(const Sym* s, int32_t* sa, int32_t n, int32_t k)
{
    if (n == 1) {
        sa[0] = 0;
        return;
    }
    std::vector<bool> t = Types(s, n);
    std::vector<int32_t> bkt(static_cast<size_t>(k));

    // 1. The LMS substrings sorted: LMS positions at their buckets' ends, then induced.
    std::fill(sa, sa + n, -1);
    Buckets(s, n, bkt, true);
    for (int32_t i = 1; i < n; ++i)
        if (IsLms(t, i, n)) sa[--bkt[size_t(s[i])]] = i;
    Induce(s, sa, n, t, bkt);

    // 2. Each named by its rank among the distinct ones; the names in text order form the
    // reduced text (at the end of sa), whose suffixes sort as the LMS suffixes do.
    int32_t m = 0;
    for (int32_t i = 0; i < n; ++i)
        if (IsLms(t, sa[i], n)) sa[m++] = sa[i];
    std::fill(sa + m, sa + n, -1);
    int32_t names = 0, prev = -1;
    for (int32_t i = 0; i < m; ++i) {
        int32_t pos = sa[i];
        if (prev < 0 || !SameLms(s, t, n, prev, pos)) ++names;
        prev = pos;
        sa[m + pos / 2] = names - 1;
    }
    for (int32_t i = n - 1, j = n - 1; i >= m; --i)
        if (sa[i] >= 0) sa[j--] = sa[i];

    // 3. The reduced text's suffix array: directly when every name is distinct, else by recursion.
    int32_t* reduced = sa + n - m;
    if (names < m)
        Sort(reduced, sa, m, names);
    else
        for (int32_t i = 0; i < m; ++i) sa[reduced[i]] = i;

    // 4. The LMS suffixes in their order, at their buckets' ends, induce all the others.
    for (int32_t i = 1, j = 0; i < n; ++i)
        if (IsLms(t, i, n)) reduced[j++] = i;
    for (int32_t i = 0; i < m; ++i) sa[i] = reduced[sa[i]];
    std::fill(sa + m, sa + n, -1);
    Buckets(s, n, bkt, true);
    for (int32_t i = m - 1; i >= 0; --i) {
        int32_t j = sa[i];
        sa[i] = -1;
        sa[--bkt[size_t(s[j])]] = j;
    }
    Induce(s, sa, n, t, bkt);
}

}  // namespace

bool SuffixSortInduced(const uint8_t* text, int32_t* sa, int32_t n)
{
    if (n <= 0) return true;
    try {
        CInduced::Sort(text, sa, n, 256);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace zrv
