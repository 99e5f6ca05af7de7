// The arithmetic encoder of ZRV-Zip images and its adaptive frequency models: the exact inverse of
// the reader's decoder. Registers and models follow the reader's arithmetic bit for bit (26 bits of
// precision, the range divided by the model total before scaling, the last symbol taking the
// remainder, renormalisation while the range is at most 2^24), so that any change here changes the
// file format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zrv {

// Where encoded bytes go. PutBytes may throw; the encoder then stays unusable.
class IByteSink {
public:
    virtual ~IByteSink() = default;
    virtual void PutBytes(const uint8_t* data, size_t size) = 0;
};

// One adaptive frequency table with symbols 1..n, the twin of the reader's FreqModel.
struct CodingModel {
    uint32_t total = 0;
    int symbolCount = 0;
    int increment = 0;
    uint32_t limit = 0;
    uint32_t freq[258] = {};

    // As the reader sets a model up: every frequency 1 (increment 0) or increment.
    void Setup(int n, int inc, uint32_t lim);
    // As the reader adapts after a symbol: add the increment, halve (rounding up) when the total
    // goes strictly above the limit.
    void Adapt(int s);
};

// The eight per-block models in the order the reader uses them: "basis", then the position
// classes "2-3" to "128-255".
struct BlockModels {
    CodingModel basis;
    CodingModel position[7];
    void Setup();
};

// Encodes symbols into a bit stream that the reader's decoder turns back into the same symbols with
// the same models. Bytes reach the sink in chunks; Finish writes the rest.
class CArithmeticEncoder {
public:
    explicit CArithmeticEncoder(IByteSink& sink);

    // Codes symbol s (1 to model.symbolCount) and adapts the model.
    void Encode(CodingModel& model, int s);
    // Writes exactly the bits that the decoder will take (26 plus one per renormalisation step),
    // padded with zero bits to a whole byte, and hands every byte to the sink. Call once, last.
    void Finish();
    // Bytes produced so far (including those not yet handed to the sink).
    uint64_t BytesProduced() const { return m_produced; }

private:
    void Extract();
    void Emit(uint8_t byte);
    void Drain();

    IByteSink& m_sink;
    uint32_t m_range = 0x2000000u;
    // The not yet settled low end of the interval: m_bits bit positions, plus a possible carry at
    // position m_bits into the bytes that are still held back.
    uint64_t m_low = 0;
    unsigned m_bits = 26;
    // A settled byte that a carry may still increase, followed by m_pendingFF bytes of 0xFF that a
    // carry would turn into 0x00.
    bool m_hasCache = false;
    uint8_t m_cache = 0;
    uint64_t m_pendingFF = 0;
    uint64_t m_produced = 0;
    std::vector<uint8_t> m_out;
};

}  // namespace zrv
