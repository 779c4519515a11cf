#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string_view>
#include <vector>

namespace kalmero {

// Splits text into lines at CR LF, a lone LF or a lone CR. A line end at the very end
// adds no empty line; empty text has no lines. Views point into `text`.
std::vector<std::string_view> splitLines(std::string_view text);

// The text up to its first NUL byte (all of it when there is none).
std::string_view cutAtNul(std::string_view text);

// Whether `text` holds a CR, LF or NUL: a byte that would end a line early when the text
// becomes one line of a file, letting the rest pose as lines (or records) of their own.
bool breaksLine(std::string_view text);

// Which bytes a reader takes for blanks. Each reader keeps the set its file was always read
// with: changing one would read some existing file differently.
enum class Blanks {
    IniPadding,   // space, tab, VT, FF: around an ini name or value (line ends are cut first)
    UpToSpace,    // every byte up to and including space: an advert list's time line
    CWhitespace,  // space, tab, CR, LF, VT, FF (C's isspace): a name the operator typed
};

constexpr bool isBlank(char c, Blanks blanks) {
    switch (blanks) {
        case Blanks::IniPadding:
            return c == ' ' || c == '\t' || c == '\v' || c == '\f';
        case Blanks::UpToSpace:
            return static_cast<unsigned char>(c) <= 0x20;
        case Blanks::CWhitespace:
            return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
    }
    return false;
}

// Whether every byte of `text` is blank (true for empty text).
bool isBlankText(std::string_view text, Blanks blanks);

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

}  // namespace kalmero
