#include "nightly/day_choice.h"

#include <algorithm>
#include <tuple>

namespace kalmero {

namespace {

bool holds(const std::vector<Day>& days, const Day& day) {
    return std::find(days.begin(), days.end(), day) != days.end();
}

}  // namespace

bool before(const Day& a, const Day& b) {
    return std::tie(a.year, a.month, a.day) < std::tie(b.year, b.month, b.day);
}

Day targetDay(const DayChoiceInput& input) {
    if (input.named) {
        return *input.named;
    }
    switch (input.setting.kind) {
        case DaySetting::Kind::Usual:
            // A run caught up after midnight (the machine was off at the timer's hour)
            // compiles the day that has just begun, not the one after it.
            return addDays(input.today, input.hour < 12 ? 0 : 1);
        case DaySetting::Kind::Offset:
            return addDays(input.today, input.setting.offset);
        case DaySetting::Kind::Date:
            break;
    }
    return input.setting.date;
}

NightPlan chooseDays(const DayChoiceInput& input) {
    NightPlan plan;
    const Day target = targetDay(input);
    // A day counted from today stands for every night: the day on air must have a result
    // whatever the hour. A day named by its date is that day alone.
    const bool everyNight = !input.named && input.setting.kind != DaySetting::Kind::Date;
    if (everyNight && target != input.today && !holds(input.results, input.today)) {
        plan.jobs.push_back({input.today, JobReason::BegunWithout, false});
    }
    std::vector<Day> marked = input.marked;
    std::sort(marked.begin(), marked.end(), before);
    for (const Day& day : marked) {
        if (day == target || (!plan.jobs.empty() && plan.jobs.front().day == day)) {
            continue;
        }
        if (before(day, input.today)) {
            plan.pastMarks.push_back(day);
        } else {
            // A mark without its result: nothing on air to keep, so whatever compiles.
            plan.jobs.push_back({day, JobReason::Marked, holds(input.results, day)});
        }
    }
    const bool begun = !before(input.today, target);
    const bool forced = input.force && (input.redo || input.named);
    if (!begun || !holds(input.results, target)) {
        plan.jobs.push_back({target, JobReason::Target, false});
    } else if (holds(input.marked, target)) {
        plan.jobs.push_back({target, JobReason::Marked, !forced});
    } else if (input.redo || input.named) {
        plan.jobs.push_back({target, JobReason::Redo, !input.force});
    } else {
        plan.leftOnAir = target;
    }
    std::stable_sort(plan.jobs.begin(), plan.jobs.end(),
                     [](const NightJob& a, const NightJob& b) { return before(a.day, b.day); });
    return plan;
}

}  // namespace kalmero
