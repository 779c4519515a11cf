#include "model/czas.h"

#include <cstdio>
#include <limits>

namespace kalmero {

std::optional<std::int64_t> parseInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    unsigned base = 10;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        ++i;
    }
    if (i == text.size()) {
        return std::nullopt;
    }
    // Accumulate as a negative number so that the most negative 64-bit value still fits.
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    std::int64_t acc = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        if (acc < (kMin + digit) / static_cast<std::int64_t>(base)) {
            return std::nullopt;
        }
        acc = acc * static_cast<std::int64_t>(base) - digit;
    }
    if (!negative) {
        if (acc == kMin) {
            return std::nullopt;
        }
        return -acc;
    }
    return acc;
}

std::int64_t parseIntegerOr(std::string_view text, std::int64_t fallback) {
    return parseInteger(text).value_or(fallback);
}

namespace {

// Group of `length` characters at 1-based `position`; 0 unless the line holds all of it.
std::int64_t group(std::string_view line, std::size_t position, std::size_t length) {
    if (line.size() < position - 1 + length) {
        return 0;
    }
    return parseIntegerOr(line.substr(position - 1, length), 0);
}

// Wrapping arithmetic: a hostile file may hold hexadecimal groups whose products overflow.
std::int64_t wrapMulAdd(std::int64_t acc, std::int64_t value, std::int64_t factor) {
    const auto product = static_cast<std::uint64_t>(value) * static_cast<std::uint64_t>(factor);
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(acc) + product);
}

void appendPadded(std::string& out, std::int64_t value, int width) {
    char buffer[32];
    if (value < 0) {
        const auto magnitude = static_cast<unsigned long long>(-(value + 1)) + 1ULL;
        std::snprintf(buffer, sizeof buffer, "-%0*llu", width, magnitude);
    } else {
        std::snprintf(buffer, sizeof buffer, "%0*lld", width, static_cast<long long>(value));
    }
    out += buffer;
}

}  // namespace

std::int64_t CzasStartInt(std::string_view line) {
    std::int64_t ms = 0;
    ms = wrapMulAdd(ms, group(line, 5, 2), 3'600'000);
    ms = wrapMulAdd(ms, group(line, 8, 2), 60'000);
    ms = wrapMulAdd(ms, group(line, 11, 2), 1000);
    ms = wrapMulAdd(ms, group(line, 14, 3), 1);
    return ms;
}

std::int64_t CzasTrwInt(std::string_view line) {
    std::int64_t ms = 0;
    ms = wrapMulAdd(ms, group(line, 5, 2), 60'000);
    ms = wrapMulAdd(ms, group(line, 8, 2), 1000);
    ms = wrapMulAdd(ms, group(line, 11, 3), 1);
    return ms;
}

std::string CzasStartString(std::int64_t ms) {
    const std::int64_t hours = ms / 3'600'000;
    std::int64_t rest = ms - hours * 3'600'000;
    const std::int64_t minutes = rest / 60'000;
    rest -= minutes * 60'000;
    const std::int64_t seconds = rest / 1000;
    const std::int64_t millis = rest - seconds * 1000;
    std::string text;
    text.reserve(16);
    appendPadded(text, hours, 2);
    text += ':';
    appendPadded(text, minutes, 2);
    text += ':';
    appendPadded(text, seconds, 2);
    text += '.';
    appendPadded(text, millis, 3);
    return text;
}

std::string CzasTrwString(std::int64_t ms) {
    const std::string full = CzasStartString(ms);
    // From 100 hours on the hours take three digits or more: a fixed cut at position 4
    // would then keep a colon and lose the last digit, so take the last nine instead.
    if (ms >= 0 && full.size() > 12) {
        return full.substr(full.size() - 9);
    }
    return full.size() > 3 ? full.substr(3, 9) : std::string{};
}

std::int64_t pelna(std::int64_t ms) { return (ms / 3'600'000) * 3'600'000; }

}  // namespace kalmero
