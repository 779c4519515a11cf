#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace kalmero {

// A calendar day in the local time zone.
struct Day {
    int year = 1970;
    int month = 1;  // 1 .. 12
    int day = 1;    // 1 .. 31

    friend bool operator==(const Day&, const Day&) = default;
};

// The day `text` names, counted from `today`: "YYYY-MM-DD" (a real date), "today",
// "tomorrow" or "+N" days; nullopt for anything else.
std::optional<Day> parseDay(std::string_view text, const Day& today);

// Today in the local time zone.
Day localToday();

// The day `count` days after `day` (negative: before).
Day addDays(const Day& day, int count);

// 0 Monday .. 6 Sunday.
int weekdayOf(const Day& day);

// Day of the year, 1 .. 366.
int dayOfYear(const Day& day);

// Decimal digits only (at most nine), no more than `max`; nullopt for anything else.
std::optional<int> wholeNumber(std::string_view text, int max);

// "YYYY-MM-DD".
std::string isoText(const Day& day);

// The Polish weekday abbreviations the batch command takes: pn wt sr cz pi so nd.
std::string_view weekdayAbbreviation(int weekday);

// `pattern` with %Y (2026), %m (12), %d (09), %y (26), %j (343), %a (wt) and %% ("%")
// replaced for `day`; any other "%" stands as it is.
std::string expandDay(std::string_view pattern, const Day& day);

}  // namespace kalmero
