#include "cli/terminal_progress.h"

#include <algorithm>
#include <string>
#include <utility>

namespace kalmero {

namespace {
constexpr int kBarWidth = 40;
}

TerminalProgress::TerminalProgress(std::FILE* stream, bool showBar, std::string prefix)
    : m_stream(stream), m_showBar(showBar), m_prefix(std::move(prefix)) {}

void TerminalProgress::status(std::string_view text) {
    finishBar();
    std::fprintf(m_stream, "%s%.*s\n", m_prefix.c_str(), static_cast<int>(text.size()),
                 text.data());
    std::fflush(m_stream);
}

void TerminalProgress::gaugeMax(std::int64_t max) {
    m_max = max;
    m_progress = 0;
    m_drawnPercent = -1;
}

void TerminalProgress::gaugeProgress(std::int64_t done) {
    m_progress = done;
    if (m_showBar) {
        drawBar();
    }
}

void TerminalProgress::drawBar() {
    if (m_max <= 0) {
        return;
    }
    const std::int64_t clamped = std::clamp<std::int64_t>(m_progress, 0, m_max);
    const int percent = static_cast<int>(clamped * 100 / m_max);
    // Redrawn only when the figure changes: a month's playlist has a million lines.
    if (percent == m_drawnPercent) {
        return;
    }
    m_drawnPercent = percent;
    const int filled = percent * kBarWidth / 100;
    const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                            std::string(static_cast<std::size_t>(kBarWidth - filled), '.');
    std::fprintf(m_stream, "\r[%s] %3d%%", bar.c_str(), percent);
    std::fflush(m_stream);
    m_barOnLine = true;
}

void TerminalProgress::finishBar() {
    if (m_barOnLine) {
        std::fputc('\n', m_stream);
        m_barOnLine = false;
    }
}

}  // namespace kalmero
