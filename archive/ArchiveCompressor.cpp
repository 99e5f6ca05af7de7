#include "ArchiveCompressor.h"

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace zrv {

namespace {
// A run of this length is written at once: four bytes and the largest count.
constexpr uint32_t kLongestPiece = 4 + kMaxRepeat;
}  // namespace

void AlterBlock(uint8_t* block, int32_t lastIndex)
{
    int d = kFirstAlterStep;
    for (int64_t pos = kFirstAltered; pos < lastIndex;) {
        block[pos] = uint8_t(block[pos] + 1);
        d = NextAlterStep(d);
        pos += AlterDistance(d);
    }
}

namespace {

// The count of front bytes in bijective base 2, most significant digit first: 258 is the digit
// 1 and 257 the digit 2 (1 -> 258, 2 -> 257, 3 -> 258 258, 4 -> 258 257, ...).
uint16_t* AppendRunDigits(uint16_t* out, uint32_t length)
{
    uint16_t digits[32];
    int count = 0;
    while (length) {
        if (length & 1) {
            digits[count++] = kSymbolRunOne;
            length = (length - 1) / 2;
        } else {
            digits[count++] = kSymbolRunTwo;
            length = (length - 2) / 2;
        }
    }
    while (count) *out++ = digits[--count];
    return out;
}

// The block's symbols: move-to-front positions 1 to 255 and run digits for position 0, then the
// end symbol. At most n + 1 of them, since a run of k front bytes takes at most k digits.
size_t MoveToFrontSymbols(const uint8_t* lastColumn, int32_t n, uint16_t* symbols)
{
    uint8_t list[256];
    for (int i = 0; i < 256; ++i) list[i] = uint8_t(i);
    uint16_t* out = symbols;
    uint32_t run = 0;
    for (int32_t k = 0; k < n; ++k) {
        uint8_t c = lastColumn[k];
        if (list[0] == c) {
            ++run;
            continue;
        }
        if (run) {
            out = AppendRunDigits(out, run);
            run = 0;
        }
        const uint8_t* at = static_cast<const uint8_t*>(std::memchr(list + 1, c, 255));
        int pos = int(at - list);
        std::memmove(list + 1, list, size_t(pos));
        list[0] = c;
        *out++ = uint16_t(pos);
    }
    if (run) out = AppendRunDigits(out, run);
    *out++ = kSymbolEnd;
    return size_t(out - symbols);
}

}  // namespace

// One block on its way to the coder: filled, then sorted and turned into symbols (on a sorting
// thread or the caller's), then coded on the caller's thread.
struct CArchiveCompressor::SortJob {
    std::vector<uint8_t> block, lastColumn;
    std::vector<uint16_t> symbols;
    size_t symbolCount = 0;
    int32_t n = 0;
    int32_t origin = 0;
    bool last = false;
    uint64_t inputEnd = 0;  // input bytes up to the end of this block
    bool sorted = false;
    std::exception_ptr error;

    explicit SortJob(int32_t capacity)
        : block(size_t(capacity)), lastColumn(size_t(capacity)), symbols(size_t(capacity) + 1)
    {
    }

    void Prepare(CBlockSorter& sorter)
    {
        AlterBlock(block.data(), n - 1);
        origin = sorter.Sort(block.data(), n, lastColumn.data());
        symbolCount = MoveToFrontSymbols(lastColumn.data(), n, symbols.data());
    }
};

// Sorting threads over a ring of jobs. The caller's thread fills the job at m_fill, submits it and
// moves on to the next one in the ring; before it reuses a job it codes it, so jobs are coded in
// ring order, which is block order.
class CArchiveCompressor::SortPool {
public:
    SortPool(int threads, int32_t capacity)
    {
        m_jobs.reserve(size_t(threads) + 1);
        for (int i = 0; i <= threads; ++i) m_jobs.emplace_back(capacity);
        // The sorters' memory is taken here, so its lack shows on the caller's thread.
        std::vector<std::unique_ptr<CBlockSorter>> sorters;
        for (int i = 0; i < threads; ++i) sorters.push_back(std::make_unique<CBlockSorter>(capacity));
        try {
            for (auto& sorter : sorters) m_threads.emplace_back(&SortPool::Work, this, std::move(sorter));
        } catch (...) {
            Stop();
            throw;
        }
    }
    ~SortPool() { Stop(); }

    SortJob& Filling() { return m_jobs[m_fill]; }

    // Hands the filled job to the sorters; returns the next job to fill, first coding (through
    // code) every earlier job still holding it.
    SortJob& Submit(const std::function<void(const SortJob&)>& code)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_jobs[m_fill].sorted = false;
            m_queue.push_back(&m_jobs[m_fill]);
            ++m_inFlight;
        }
        m_changed.notify_all();
        m_fill = (m_fill + 1) % m_jobs.size();
        if (m_inFlight == m_jobs.size()) CodeOldest(code);
        return m_jobs[m_fill];
    }

    // Codes every submitted job, in order.
    void Drain(const std::function<void(const SortJob&)>& code)
    {
        while (m_inFlight) CodeOldest(code);
    }

private:
    void CodeOldest(const std::function<void(const SortJob&)>& code)
    {
        SortJob& job = m_jobs[(m_fill + m_jobs.size() - m_inFlight) % m_jobs.size()];
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [&] { return job.sorted; });
        }
        --m_inFlight;
        if (job.error) std::rethrow_exception(job.error);
        code(job);
    }

    void Work(std::unique_ptr<CBlockSorter> sorter)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [&] { return m_quit || !m_queue.empty(); });
            if (m_quit) return;
            SortJob* job = m_queue.front();
            m_queue.pop_front();
            lock.unlock();
            try {
                job->Prepare(*sorter);
            } catch (...) {
                job->error = std::current_exception();
            }
            lock.lock();
            job->sorted = true;
            m_changed.notify_all();
        }
    }

    void Stop()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_quit = true;
        }
        m_changed.notify_all();
        for (std::thread& t : m_threads) t.join();
        m_threads.clear();
    }

    std::vector<SortJob> m_jobs;
    size_t m_fill = 0;
    size_t m_inFlight = 0;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<SortJob*> m_queue;
    bool m_quit = false;
    std::vector<std::thread> m_threads;
};

namespace {
int32_t CheckedCapacity(int blockSize)
{
    if (blockSize < kMinBlockSize || blockSize > kMaxBlockSize) throw std::invalid_argument("block size must be 1 to 255");
    return blockSize * kBlockUnit;
}
}  // namespace

CArchiveCompressor::CArchiveCompressor(int blockSize, IByteSink& sink, int threads)
    : m_capacity(CheckedCapacity(blockSize)), m_sorter(threads > 1 ? 1 : m_capacity), m_encoder(sink)
{
    if (threads < 1) throw std::invalid_argument("the number of threads must be at least 1");
    if (threads > 1) {
        m_pool = std::make_unique<SortPool>(threads, m_capacity);
        m_fill = m_pool->Filling().block.data();
    } else {
        m_single = std::make_unique<SortJob>(m_capacity);
        m_fill = m_single->block.data();
    }
    m_raw.Setup(256, 0, 256);
}

CArchiveCompressor::~CArchiveCompressor() = default;

void CArchiveCompressor::Write(const void* data, size_t size)
{
    const uint8_t* p = static_cast<const uint8_t*>(data);
    const uint8_t* end = p + size;
    m_bytesIn += size;
    while (p < end) {
        if (m_runLength && *p == m_runByte) {
            // Extend the run as far as the input allows, writing whole longest pieces on the way
            // so that the pending length stays bounded.
            while (p < end && *p == m_runByte && m_runLength < kLongestPiece) {
                ++p;
                ++m_runLength;
            }
            if (m_runLength == kLongestPiece) FlushRun();
            continue;
        }
        if (m_runLength) FlushRun();
        // Bytes that differ from the byte after them are runs of one: straight into the block,
        // as many as it has room for. The first byte that equals its successor starts a run.
        const uint8_t* q = p;
        const uint8_t* limit = p + std::min<ptrdiff_t>(end - 1 - p, m_capacity - m_used);
        while (q < limit && q[0] != q[1]) ++q;
        std::memcpy(m_fill + m_used, p, size_t(q - p));
        m_used += int32_t(q - p);
        m_runByte = *q;
        m_runLength = 1;
        p = q + 1;
    }
}

// Writes the pending run: pieces of four bytes and a count, then up to three single bytes.
void CArchiveCompressor::FlushRun()
{
    uint32_t left = m_runLength;
    uint8_t b = uint8_t(m_runByte);
    if (left < 4 && m_used + int32_t(left) <= m_capacity) {
        // The common case, written straight into the block.
        for (; left; --left) m_fill[m_used++] = b;
        m_runLength = 0;
        return;
    }
    while (left >= 4) {
        uint32_t count = left - 4 < kMaxRepeat ? left - 4 : kMaxRepeat;
        const uint8_t piece[5] = {b, b, b, b, uint8_t(count)};
        Place(piece, 5);
        left -= 4 + count;
    }
    for (; left; --left) Place(&b, 1);
    m_runLength = 0;
}

// A piece never straddles two blocks: the reader must find the count in the same block as its
// four bytes. Single bytes may end one block and begin the next, since groups restart per block.
void CArchiveCompressor::Place(const uint8_t* bytes, int32_t count)
{
    if (m_used + count > m_capacity) EncodeBlock(false);
    std::memcpy(m_fill + m_used, bytes, size_t(count));
    m_used += count;
}

void CArchiveCompressor::Finish()
{
    FlushRun();
    m_runByte = -1;
    // A full block leaves no room for the marker: it goes out as an ordinary block and the marker
    // alone forms the last one.
    if (m_used == m_capacity) EncodeBlock(false);
    m_fill[m_used++] = kLastBlockMarker;
    EncodeBlock(true);
    m_encoder.Finish();
}

void CArchiveCompressor::EncodeBlock(bool last)
{
    if (m_pool) {
        SortJob& job = m_pool->Filling();
        job.n = m_used;
        job.last = last;
        job.inputEnd = m_bytesIn;
        m_fill = m_pool->Submit([this](const SortJob& sorted) { CodeSorted(sorted); }).block.data();
        if (last) m_pool->Drain([this](const SortJob& sorted) { CodeSorted(sorted); });
    } else {
        SortJob& job = *m_single;
        job.n = m_used;
        job.last = last;
        job.inputEnd = m_bytesIn;
        job.Prepare(m_sorter);
        CodeSorted(job);
    }
    m_used = 0;
}

void CArchiveCompressor::CodeSorted(const SortJob& job)
{
    // A positive value origin + 1 marks an ordinary block, the complement of origin the last one.
    EncodeOrigin(job.last ? ~uint32_t(job.origin) : uint32_t(job.origin) + 1);
    m_models.Setup();
    for (size_t i = 0; i < job.symbolCount; ++i) EncodeSymbol(job.symbols[i]);
    // The last block's input count includes bytes still held in a run when it was cut.
    m_bytesCoded = job.last ? m_bytesIn : job.inputEnd;
    if (m_progress) m_progress(m_bytesCoded);
}

void CArchiveCompressor::EncodeOrigin(uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) m_encoder.Encode(m_raw, int((value >> shift) & 0xFF) + 1);
}

// A symbol through "basis" (its class) and, for positions above 1, the class's position model.
void CArchiveCompressor::EncodeSymbol(int symbol)
{
    if (symbol == kSymbolRunTwo) return m_encoder.Encode(m_models.basis, 1);
    if (symbol == kSymbolRunOne) return m_encoder.Encode(m_models.basis, 2);
    if (symbol == kSymbolEnd) return m_encoder.Encode(m_models.basis, 11);
    if (symbol == 1) return m_encoder.Encode(m_models.basis, 3);
    // Positions 2^k to 2^(k+1) - 1 form class k + 3 and are coded as position - 2^k + 1.
    int k = 31 - __builtin_clz(unsigned(symbol));
    m_encoder.Encode(m_models.basis, k + 3);
    m_encoder.Encode(m_models.position[k - 1], symbol - (1 << k) + 1);
}

}  // namespace zrv
