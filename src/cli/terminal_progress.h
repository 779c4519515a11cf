#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "session/progress.h"

namespace kalmero {

// The batch command's progress: status texts as lines on a stream (stderr), and a
// progress bar redrawn in place when that stream is a terminal. Rows are not shown.
class TerminalProgress : public Progress {
public:
    // `showBar`: draw the gauge (only sensible when `stream` is a terminal). `prefix` goes
    // before every status line (a syslog priority when the stream is the journal).
    TerminalProgress(std::FILE* stream, bool showBar, std::string prefix = {});

    void status(std::string_view text) override;
    void gaugeMax(std::int64_t max) override;
    void gaugeProgress(std::int64_t done) override;
    void breathe() override {}
    void listCleared(ListId) override {}
    void rowsAppended(ListId, std::size_t) override {}

    // Ends a bar line in progress, so that the next output starts on a line of its own.
    void finishBar();

private:
    void drawBar();

    std::FILE* m_stream;
    bool m_showBar;
    std::string m_prefix;
    std::int64_t m_max = 0;
    std::int64_t m_progress = 0;
    int m_drawnPercent = -1;
    bool m_barOnLine = false;
};

}  // namespace kalmero
