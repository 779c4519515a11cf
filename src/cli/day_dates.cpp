#include "cli/day_dates.h"

#include <array>
#include <cstdio>

namespace kalmero {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date, and back: exact for any year, with
// no time zone or daylight-saving hour in the way.
long long daysFromCivil(int y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

Day civilFromDays(long long z) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0)), m, d};
}

std::string padded(int value, int width) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
    return buffer;
}

}  // namespace

std::optional<Day> parseDay(std::string_view text, const Day& today) {
    if (text == "today") {
        return today;
    }
    if (text == "tomorrow") {
        return addDays(today, 1);
    }
    if (text.size() > 1 && text[0] == '+') {
        const auto count = wholeNumber(text.substr(1), 3660);
        if (!count) {
            return std::nullopt;
        }
        return addDays(today, *count);
    }
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    const auto y = wholeNumber(text.substr(0, 4), 9999);
    const auto m = wholeNumber(text.substr(5, 2), 12);
    const auto d = wholeNumber(text.substr(8, 2), 31);
    if (!y || !m || !d || *m < 1 || *m > 12 || *d < 1) {
        return std::nullopt;
    }
    const Day day{*y, *m, *d};
    // 2026-02-30 is no day: it would come back as another.
    if (civilFromDays(daysFromCivil(day.year, day.month, day.day)) != day) {
        return std::nullopt;
    }
    return day;
}

Day localToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

Day addDays(const Day& day, int count) {
    return civilFromDays(daysFromCivil(day.year, day.month, day.day) + count);
}

int weekdayOf(const Day& day) {
    // 1970-01-01 was a Thursday (3 counting from Monday).
    const long long z = daysFromCivil(day.year, day.month, day.day);
    return static_cast<int>(((z % 7) + 7 + 3) % 7);
}

int dayOfYear(const Day& day) {
    return static_cast<int>(daysFromCivil(day.year, day.month, day.day) -
                            daysFromCivil(day.year, 1, 1) + 1);
}

std::optional<int> wholeNumber(std::string_view text, int max) {
    if (text.empty() || text.size() > 9) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value <= max ? std::optional<int>(value) : std::nullopt;
}

std::string isoText(const Day& day) {
    return padded(day.year, 4) + "-" + padded(day.month, 2) + "-" + padded(day.day, 2);
}

std::string_view weekdayAbbreviation(int weekday) {
    static constexpr std::array<std::string_view, 7> kNames = {"pn", "wt", "sr", "cz",
                                                               "pi", "so", "nd"};
    return kNames[static_cast<std::size_t>(((weekday % 7) + 7) % 7)];
}

std::string expandDay(std::string_view pattern, const Day& day) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 == pattern.size()) {
            out += pattern[i];
            continue;
        }
        switch (pattern[i + 1]) {
            case 'Y':
                out += padded(day.year, 4);
                break;
            case 'm':
                out += padded(day.month, 2);
                break;
            case 'd':
                out += padded(day.day, 2);
                break;
            case 'y':
                out += padded(day.year % 100, 2);
                break;
            case 'j':
                out += padded(dayOfYear(day), 3);
                break;
            case 'a':
                out += weekdayAbbreviation(weekdayOf(day));
                break;
            case '%':
                out += '%';
                break;
            default:
                out += pattern[i];
                continue;
        }
        ++i;
    }
    return out;
}

}  // namespace kalmero
