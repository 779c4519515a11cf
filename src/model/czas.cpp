#include "model/czas.h"

#include <array>
#include <cstring>
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

constexpr std::array<char, 200> kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (std::size_t i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

char* putTwoDigits(char* out, std::uint32_t value) {
    std::memcpy(out, &kDigitPairs[2 * std::size_t{value}], 2);
    return out + 2;
}

// A negative part is written as "-" and its digits. The "-" is always stored and kept only
// for a negative part, so the sign costs no branch.
char* putSign(char* out, bool negative) {
    *out = '-';
    return out + (negative ? 1 : 0);
}

// Hours of at least two digits, as many more as they take.
char* putHours(char* out, std::uint64_t hours) {
    if (hours < 100) {
        return putTwoDigits(out, static_cast<std::uint32_t>(hours));
    }
    char digits[20];
    char* const end = digits + sizeof digits;
    char* first = end;
    while (hours >= 100) {
        first -= 2;
        std::memcpy(first, &kDigitPairs[2 * (hours % 100)], 2);
        hours /= 100;
    }
    if (hours >= 10) {
        first -= 2;
        std::memcpy(first, &kDigitPairs[2 * hours], 2);
    } else {
        *--first = static_cast<char>('0' + hours);
    }
    const auto count = static_cast<std::size_t>(end - first);
    std::memcpy(out, first, count);
    return out + count;
}

// Minutes, seconds and ms of a magnitude below one hour, as "MM:SS.mmm" with the sign of
// each non-zero part when the time is negative.
char* putBelowHour(char* out, std::uint32_t rest, bool negative) {
    const std::uint32_t minutes = rest / 60'000;
    const std::uint32_t seconds = rest / 1000 % 60;
    const std::uint32_t millis = rest % 1000;
    out = putTwoDigits(putSign(out, negative && minutes != 0), minutes);
    *out++ = ':';
    out = putTwoDigits(putSign(out, negative && seconds != 0), seconds);
    *out++ = '.';
    out = putSign(out, negative && millis != 0);
    *out++ = static_cast<char>('0' + millis / 100);
    return putTwoDigits(out, millis % 100);
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

// Truncating division of a negative time gives the negated parts of its magnitude, so the
// parts are worked out once, unsigned, and only the signs depend on the time's sign.
std::size_t formatStartTime(std::int64_t ms, char* out) {
    const bool negative = ms < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(ms) : static_cast<std::uint64_t>(ms);
    const std::uint64_t hours = magnitude / 3'600'000;
    const auto rest = static_cast<std::uint32_t>(magnitude % 3'600'000);
    char* end = putHours(putSign(out, negative && hours != 0), hours);
    *end++ = ':';
    end = putBelowHour(end, rest, negative);
    return static_cast<std::size_t>(end - out);
}

std::size_t formatDuration(std::int64_t ms, char* out) {
    if (ms >= 0) {
        putBelowHour(out, static_cast<std::uint32_t>(ms % 3'600'000), false);
        return kDurationLength;
    }
    // A negative time keeps the fixed cut after the first three characters, which may
    // take a colon and a sign or the hours' last digits: the files written so far hold it.
    char full[kStartTimeMaxLength];
    formatStartTime(ms, full);
    std::memcpy(out, full + 3, kDurationLength);
    return kDurationLength;
}

std::string CzasStartString(std::int64_t ms) {
    char text[kStartTimeMaxLength];
    return std::string(text, formatStartTime(ms, text));
}

std::string CzasTrwString(std::int64_t ms) {
    char text[kDurationLength];
    return std::string(text, formatDuration(ms, text));
}

void appendStartTime(std::string& out, std::int64_t ms) {
    char text[kStartTimeMaxLength];
    out.append(text, formatStartTime(ms, text));
}

void appendDuration(std::string& out, std::int64_t ms) {
    char text[kDurationLength];
    out.append(text, formatDuration(ms, text));
}

std::int64_t pelna(std::int64_t ms) { return (ms / 3'600'000) * 3'600'000; }

}  // namespace kalmero
