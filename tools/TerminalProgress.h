// A one-line progress display on stderr, shown only when stderr is a terminal, redrawn at most
// ten times a second and wiped when the work ends. It shows the throughput since the start.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace zrvtool {

class TerminalProgress {
public:
    // label: what is being done ("compressing"); total: the bytes expected, 0 when unknown.
    TerminalProgress(const std::string& label, uint64_t total);
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;
    ~TerminalProgress();

    // done: bytes processed so far; note: a short text after the figures (a volume name).
    void Update(uint64_t done, const std::string& note = std::string());

private:
    std::string m_label;
    uint64_t m_total;
    bool m_enabled;
    bool m_drawn = false;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point m_last;
};

}  // namespace zrvtool
