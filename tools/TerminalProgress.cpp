#include "TerminalProgress.h"

#include "ToolSystem.h"

#include <cstdio>

namespace zrvtool {

TerminalProgress::TerminalProgress(const std::string& label, uint64_t total)
    : m_label(label), m_total(total), m_enabled(StderrIsTerminal())
{
}

TerminalProgress::~TerminalProgress()
{
    if (m_drawn) std::fputs("\r\033[K", stderr);
}

void TerminalProgress::Update(uint64_t done, const std::string& note)
{
    if (!m_enabled) return;
    auto now = std::chrono::steady_clock::now();
    if (m_drawn && now - m_last < std::chrono::milliseconds(100)) return;
    m_last = now;
    m_drawn = true;
    char line[200];
    double mb = double(done) / 1e6;
    double seconds = std::chrono::duration<double>(now - m_start).count();
    // Too early to measure: the place is kept, so the line does not jump.
    char rate[32] = " -.- MB/s";
    if (seconds > 0.05) std::snprintf(rate, sizeof rate, " %.1f MB/s", mb / seconds);
    if (m_total) {
        const int width = 30;
        uint64_t part = done < m_total ? done : m_total;
        int filled = int(part * width / m_total);
        std::string bar(size_t(filled), '#');
        bar.append(size_t(width - filled), '.');
        std::snprintf(line, sizeof line, "%s [%s] %3d%% %.1f MB%s %s", m_label.c_str(), bar.c_str(),
                      int(part * 100 / m_total), mb, rate, note.c_str());
    } else {
        std::snprintf(line, sizeof line, "%s %.1f MB%s %s", m_label.c_str(), mb, rate, note.c_str());
    }
    std::fprintf(stderr, "\r\033[K%s", line);
    std::fflush(stderr);
}

}  // namespace zrvtool
