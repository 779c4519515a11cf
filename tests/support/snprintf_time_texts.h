#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace kalmero::test {

// The snprintf formatting the hand-written time digits replaced: every text the program
// wrote before came from it, so the new one must agree with it byte for byte (the tests),
// and must beat it (the benchmark).
inline void snprintfAppendPadded(std::string& out, std::int64_t value, int width) {
    char buffer[32];
    if (value < 0) {
        const auto magnitude = static_cast<unsigned long long>(-(value + 1)) + 1ULL;
        std::snprintf(buffer, sizeof buffer, "-%0*llu", width, magnitude);
    } else {
        std::snprintf(buffer, sizeof buffer, "%0*lld", width, static_cast<long long>(value));
    }
    out += buffer;
}

inline std::string snprintfStartString(std::int64_t ms) {
    const std::int64_t hours = ms / 3'600'000;
    std::int64_t rest = ms - hours * 3'600'000;
    const std::int64_t minutes = rest / 60'000;
    rest -= minutes * 60'000;
    const std::int64_t seconds = rest / 1000;
    const std::int64_t millis = rest - seconds * 1000;
    std::string text;
    snprintfAppendPadded(text, hours, 2);
    text += ':';
    snprintfAppendPadded(text, minutes, 2);
    text += ':';
    snprintfAppendPadded(text, seconds, 2);
    text += '.';
    snprintfAppendPadded(text, millis, 3);
    return text;
}

inline std::string snprintfTrwString(std::int64_t ms) {
    const std::string full = snprintfStartString(ms);
    if (ms >= 0 && full.size() > 12) {
        return full.substr(full.size() - 9);
    }
    return full.size() > 3 ? full.substr(3, 9) : std::string{};
}

}  // namespace kalmero::test
