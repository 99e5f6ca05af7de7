#include "ArithmeticEncoder.h"

#include <cassert>

namespace zrv {

namespace {
constexpr size_t kChunk = 1 << 16;
// Parameters of the seven position models "2-3" to "128-255": symbols and increment; all halve above 1000.
constexpr int kPositionSymbols[7] = {2, 4, 8, 16, 32, 64, 128};
constexpr int kPositionIncrement[7] = {4, 3, 3, 3, 3, 2, 1};
}  // namespace

void CodingModel::Setup(int n, int inc, uint32_t lim)
{
    symbolCount = n;
    increment = inc;
    limit = lim;
    uint32_t f = inc == 0 ? 1u : uint32_t(inc);
    for (int i = 0; i < 258; ++i) freq[i] = (i >= 1 && i <= n) ? f : 0;
    total = f * uint32_t(n);
}

void CodingModel::Adapt(int s)
{
    total += uint32_t(increment);
    freq[s] += uint32_t(increment);
    if (total > limit) {
        total = 0;
        for (int i = 1; i <= symbolCount; ++i) {
            freq[i] = (freq[i] + 1) / 2;
            total += freq[i];
        }
    }
}

void BlockModels::Setup()
{
    basis.Setup(11, 12, 1000);
    for (int k = 0; k < 7; ++k) position[k].Setup(kPositionSymbols[k], kPositionIncrement[k], 1000);
}

CArithmeticEncoder::CArithmeticEncoder(IByteSink& sink) : m_sink(sink) { m_out.reserve(kChunk); }

void CArithmeticEncoder::Encode(CodingModel& model, int s)
{
    assert(s >= 1 && s <= model.symbolCount);
    uint32_t low = 0;
    for (int i = 1; i < s; ++i) low += model.freq[i];
    uint32_t f = model.freq[s];
    uint32_t r = m_range / model.total;
    m_low += uint64_t(r) * low;
    // The decoder gives the model's last symbol whatever the division left over.
    m_range = (low + f < model.total) ? r * f : m_range - r * low;
    if (m_range <= 0x1000000u) {
        // The decoder doubles while the range is at most 2^24: for a range in (2^m, 2^(m+1)] that
        // is 24 - m doublings. The range is never below r >= 2^24 / 1000, so range - 1 > 0.
        unsigned m = 31u - unsigned(__builtin_clz(m_range - 1));
        unsigned d = 24u - m;
        m_range <<= d;
        m_low <<= d;
        m_bits += d;
        while (m_bits >= 34) Extract();
    }
    model.Adapt(s);
}

// Takes the top byte of the unsettled bits. A carry out of them can reach the held-back bytes
// at most once per boundary, and never makes the held-back byte overflow: after a carry the
// interval lies below the next boundary of the same position.
void CArithmeticEncoder::Extract()
{
    unsigned shift = m_bits - 8;
    uint64_t top = m_low >> shift;
    uint8_t byte = uint8_t(top & 0xFF);
    unsigned carry = unsigned(top >> 8);
    assert(carry <= 1);
    m_low &= (uint64_t(1) << shift) - 1;
    m_bits = shift;
    if (!carry && byte == 0xFF && m_hasCache) {
        ++m_pendingFF;
        return;
    }
    assert(m_hasCache || !carry);
    if (m_hasCache) {
        Emit(uint8_t(m_cache + carry));
        for (; m_pendingFF; --m_pendingFF) Emit(uint8_t(0xFF + carry));
    }
    m_cache = byte;
    m_hasCache = true;
}

void CArithmeticEncoder::Emit(uint8_t byte)
{
    m_out.push_back(byte);
    ++m_produced;
    if (m_out.size() >= kChunk) Drain();
}

void CArithmeticEncoder::Drain()
{
    if (!m_out.empty()) m_sink.PutBytes(m_out.data(), m_out.size());
    m_out.clear();
}

void CArithmeticEncoder::Finish()
{
    // Any value in the final interval decodes the same symbols; take the low end plus two units of
    // the last bit (the range is far larger), pad with zero bits to a byte boundary and settle all.
    m_low += 2;
    unsigned pad = (8 - m_bits % 8) % 8;
    m_low <<= pad;
    m_bits += pad;
    while (m_bits >= 8) Extract();
    if (m_hasCache) Emit(m_cache);
    for (; m_pendingFF; --m_pendingFF) Emit(0xFF);
    m_hasCache = false;
    Drain();
}

}  // namespace zrv
