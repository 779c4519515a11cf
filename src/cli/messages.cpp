#include "cli/messages.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace kalmero {

Messages::Messages() {
    const char* stream = std::getenv("JOURNAL_STREAM");
    struct stat info {};
    if (stream == nullptr || ::fstat(STDERR_FILENO, &info) != 0) {
        return;
    }
    unsigned long long device = 0;
    unsigned long long inode = 0;
    m_journal = std::sscanf(stream, "%llu:%llu", &device, &inode) == 2 && device == info.st_dev &&
                inode == info.st_ino;
}

std::string Messages::prefix(Priority priority) const {
    return m_journal ? "<" + std::to_string(priority) + ">" : std::string();
}

void Messages::print(Priority priority, std::string_view text) const {
    // Written a piece at a time: a day's findings can name thousands of spots, and a copy of
    // them all would be the batch's peak of memory.
    constexpr std::size_t kPiece = 64 * 1024;
    const std::string lead = prefix(priority);
    std::string out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end;
        out += lead;
        out += text.substr(start, end - start);
        out += '\n';
        start = end + 1;
        if (out.size() >= kPiece) {
            std::cerr << out;
            out.clear();
        }
    }
    std::cerr << out << std::flush;
}

}  // namespace kalmero
