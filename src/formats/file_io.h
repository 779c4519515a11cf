#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kalmero {

// Reads a whole regular file as bytes. A path that is missing, unreadable, or names a
// directory, FIFO or device throws FileError `Cannot open file "<path>". <reason>` before
// anything is read, so a reader never blocks.
std::string readWholeFile(const std::string& path);

// Splits text into lines at CR LF, a lone LF or a lone CR. A line end at the very end
// adds no empty line; empty text has no lines. Views point into `text`.
std::vector<std::string_view> splitLines(std::string_view text);

// The text up to its first NUL byte (all of it when there is none).
std::string_view cutAtNul(std::string_view text);

// The first CR or LF in [p, end), or end. Looks at eight bytes at a time: line ends are
// what a multi-megabyte playlist load spends most of its time looking for.
inline const char* findLineEnd(const char* p, const char* const end) {
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
        constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, sizeof word);
            const std::uint64_t lf = word ^ (kOnes * '\n');
            const std::uint64_t cr = word ^ (kOnes * '\r');
            // A byte's high bit is set where the byte was zero; the lowest one is exact.
            const std::uint64_t hits =
                ((lf - kOnes) & ~lf & kHighs) | ((cr - kOnes) & ~cr & kHighs);
            if (hits != 0) {
                return p + (std::countr_zero(hits) >> 3);
            }
            p += 8;
        }
    }
    while (p < end && *p != '\n' && *p != '\r') {
        ++p;
    }
    return p;
}

// Calls `onLine(std::string_view)` for each line of `text` as splitLines would give them,
// without building the list; returns the number of lines. The inlinable form of forEachLine
// for loops that run once per line of a large file.
template <class OnLine>
std::size_t visitLines(std::string_view text, OnLine&& onLine) {
    std::size_t count = 0;
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        const char* q = findLineEnd(p, end);
        onLine(std::string_view(p, static_cast<std::size_t>(q - p)));
        ++count;
        if (q == end) {
            break;
        }
        p = (*q == '\r' && q + 1 < end && q[1] == '\n') ? q + 2 : q + 1;
    }
    return count;
}

// Calls `onLine` for each line of `text` as splitLines would give them, without building
// the list; returns the number of lines.
std::size_t forEachLine(std::string_view text, const std::function<void(std::string_view)>& onLine);

// Number of lines splitLines would give.
std::size_t countLines(std::string_view text);

enum class WriteFailureText {
    CannotCreate,   // `Cannot create file "<path>". <reason>`
    UnableToWrite,  // `Unable to write to <path>`
};

// Replaces the file at `path` with `bytes` as one step: written to a temporary file in the
// same folder, flushed to disk, then renamed over the target. On any failure throws
// FileError with the chosen text; the previous file is intact and no temporary is left.
void writeFileAtomically(const std::string& path, std::string_view bytes,
                         WriteFailureText failureText = WriteFailureText::CannotCreate);

}  // namespace kalmero
