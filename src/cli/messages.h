#pragma once

#include <string>
#include <string_view>

namespace kalmero {

// The batch command's lines on stderr, each with its syslog priority when the journal
// reads them (systemd names the stream it connected in JOURNAL_STREAM), so that a failed
// night shows in `journalctl -p err`.
class Messages {
public:
    enum Priority { kError = 3, kWarning = 4, kInfo = 6 };

    // Whether stderr is the journal's stream decides the prefixes.
    Messages();

    // "<3>" and the like before a line for the journal; "" elsewhere.
    std::string prefix(Priority priority) const;
    // Every line of `text`, each with the prefix, then a flush.
    void print(Priority priority, std::string_view text) const;

private:
    bool m_journal = false;
};

}  // namespace kalmero
