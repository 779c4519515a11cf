#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "model/window_port.h"

namespace kalmero {

// The window port of the batch command: status texts as lines on a stream (stderr), and a
// progress bar redrawn in place when that stream is a terminal. Views are not kept.
class TerminalWindow : public WindowPort {
  public:
    // `showBar`: draw the gauge (only sensible when `stream` is a terminal).
    TerminalWindow(std::FILE* stream, bool showBar, BreakSettings settings);

    void clearRows(View) override {}
    void appendRow(View, std::size_t, std::string_view, std::string_view) override {}
    void setStatus(std::string_view text) override;
    void setGaugeMax(std::int64_t max) override;
    void setGaugeProgress(std::int64_t progress) override;
    void processEvents() override {}
    BreakSettings breakSettings() const override { return m_settings; }

    // Ends a bar line in progress, so that the next output starts on a line of its own.
    void finishBar();

  private:
    void drawBar();

    std::FILE* m_stream;
    bool m_showBar;
    BreakSettings m_settings;
    std::int64_t m_max = 0;
    std::int64_t m_progress = 0;
    int m_drawnPercent = -1;
    bool m_barOnLine = false;
};

}  // namespace kalmero
