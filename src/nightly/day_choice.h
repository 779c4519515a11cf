#pragma once

#include <optional>
#include <vector>

#include "cli/day_dates.h"
#include "nightly/night_settings.h"

namespace kalmero {

// What a run knows of the days before it chooses: the clock and the days' results and marks.
struct DayChoiceInput {
    Day today;
    int hour = 0;  // 0 .. 23, local time
    DaySetting setting;
    std::optional<Day> named;  // --day
    bool redo = false;         // --redo or NADPISZ_TRWAJACY_DZIEN="tak"
    bool force = false;        // --force: a redo may replace a day with a worse one
    std::vector<Day> results;  // the days whose result exists (those asked about)
    std::vector<Day> marked;   // the days whose result carries a mark
};

// Why a day is compiled.
enum class JobReason {
    Target,        // the day the settings or --day name
    BegunWithout,  // a day on air with no result
    Marked,        // a marked day on air or ahead
    Redo,          // a begun day with a result, asked for again
};

// One day to compile. A strict one replaces the result only when every spot is accounted
// for; otherwise whatever compiles is written, and a day with spots not accounted for marked.
struct NightJob {
    Day day;
    JobReason reason = JobReason::Target;
    bool strict = false;

    friend bool operator==(const NightJob&, const NightJob&) = default;
};

struct NightPlan {
    std::vector<NightJob> jobs;    // in the order to run
    std::vector<Day> pastMarks;    // marked days already over: named as errors
    std::optional<Day> leftOnAir;  // the target, begun, its result kept
};

// The day the settings name (or --day) at `today`, `hour`.
Day targetDay(const DayChoiceInput& input);

// Which days a run compiles, and how. Pure.
NightPlan chooseDays(const DayChoiceInput& input);

// Whether `a` comes before `b`.
bool before(const Day& a, const Day& b);

}  // namespace kalmero
