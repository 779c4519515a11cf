// Which days a night compiles: the hour × the day on air with or without its result × the
// marks past, on air and ahead × DZIEN × --redo / --day / --force.
#include "nightly/day_choice.h"

#include <gtest/gtest.h>

namespace kalmero {
namespace {

const Day k17{2026, 12, 17};
const Day k18{2026, 12, 18};  // today in every row
const Day k19{2026, 12, 19};
const Day k20{2026, 12, 20};
const Day k13{2026, 12, 13};

DaySetting offset(int days) { return {DaySetting::Kind::Offset, days, {}}; }
DaySetting date(const Day& day) { return {DaySetting::Kind::Date, 0, day}; }

using R = JobReason;

TEST(DayChoice, EveryRowOfTheWeek) {
    const struct {
        const char* name;
        int hour;
        DaySetting setting;
        std::optional<Day> named;
        bool redo;
        bool force;
        std::vector<Day> results;
        std::vector<Day> marked;
        std::vector<NightJob> jobs;
        std::vector<Day> past;
        std::optional<Day> left;
    } rows[] = {
        {"the night: tomorrow",
         23,
         {},
         {},
         false,
         false,
         {k18},
         {},
         {{k19, R::Target, false}},
         {},
         {}},
        {"11:59 caught up: the day begun",
         11,
         {},
         {},
         false,
         false,
         {},
         {},
         {{k18, R::Target, false}},
         {},
         {}},
        {"12:00: tomorrow, the day on air without a result first",
         12,
         {},
         {},
         false,
         false,
         {},
         {},
         {{k18, R::BegunWithout, false}, {k19, R::Target, false}},
         {},
         {}},
        {"morning, begun day written: left on air",
         9,
         {},
         {},
         false,
         false,
         {k18},
         {},
         {},
         {},
         k18},
        {"tomorrow setting, begun day without result",
         1,
         offset(1),
         {},
         false,
         false,
         {},
         {},
         {{k18, R::BegunWithout, false}, {k19, R::Target, false}},
         {},
         {}},
        {"+2, today and tomorrow written",
         23,
         offset(2),
         {},
         false,
         false,
         {k18, k19},
         {},
         {{k20, R::Target, false}},
         {},
         {}},
        {"today setting, written: left", 23, offset(0), {}, false, false, {k18}, {}, {}, {}, k18},
        {"a fixed date is that day alone",
         23,
         date(k20),
         {},
         false,
         false,
         {},
         {},
         {{k20, R::Target, false}},
         {},
         {}},
        {"--day names a day ahead",
         23,
         {},
         k20,
         false,
         false,
         {k18},
         {},
         {{k20, R::Target, false}},
         {},
         {}},
        {"--day names the day on air, written: strict",
         13,
         {},
         k18,
         false,
         false,
         {k18},
         {},
         {{k18, R::Redo, true}},
         {},
         {}},
        {"--day --force on the day on air",
         13,
         {},
         k18,
         false,
         true,
         {k18},
         {},
         {{k18, R::Redo, false}},
         {},
         {}},
        {"--day names a past day without result",
         13,
         {},
         k17,
         false,
         false,
         {k18},
         {},
         {{k17, R::Target, false}},
         {},
         {}},
        {"--redo on the day on air: strict",
         9,
         {},
         {},
         true,
         false,
         {k18},
         {},
         {{k18, R::Redo, true}},
         {},
         {}},
        {"--redo --force", 9, {}, {}, true, true, {k18}, {}, {{k18, R::Redo, false}}, {}, {}},
        {"--redo on a day ahead is a plain night",
         23,
         {},
         {},
         true,
         false,
         {k18, k19},
         {},
         {{k19, R::Target, false}},
         {},
         {}},
        {"marked day on air, mended after noon",
         13,
         {},
         {},
         false,
         false,
         {k18},
         {k18},
         {{k18, R::Marked, true}, {k19, R::Target, false}},
         {},
         {}},
        {"marked day on air is the target: strict",
         9,
         {},
         {},
         false,
         false,
         {k18},
         {k18},
         {{k18, R::Marked, true}},
         {},
         {}},
        {"marked target with --redo --force",
         9,
         {},
         {},
         true,
         true,
         {k18},
         {k18},
         {{k18, R::Marked, false}},
         {},
         {}},
        {"marked day ahead, not the target: strict",
         23,
         offset(1),
         {},
         false,
         false,
         {k18, k20},
         {k20},
         {{k19, R::Target, false}, {k20, R::Marked, true}},
         {},
         {}},
        {"marked target ahead: written whatever, marked again",
         23,
         {},
         {},
         false,
         false,
         {k18, k19},
         {k19},
         {{k19, R::Target, false}},
         {},
         {}},
        {"a mark without its result ahead",
         23,
         {},
         {},
         false,
         false,
         {k18},
         {k20},
         {{k19, R::Target, false}, {k20, R::Marked, false}},
         {},
         {}},
        {"past marks named, in order",
         23,
         {},
         {},
         false,
         false,
         {k18},
         {k17, k13},
         {{k19, R::Target, false}},
         {k13, k17},
         {}},
        {"a past mark on a fixed-date night too",
         23,
         date(k20),
         {},
         false,
         false,
         {k18},
         {k17},
         {{k20, R::Target, false}},
         {k17},
         {}},
        {"the day on air without result and marked: once",
         13,
         {},
         {},
         false,
         false,
         {},
         {k18},
         {{k18, R::BegunWithout, false}, {k19, R::Target, false}},
         {},
         {}},
    };
    for (const auto& row : rows) {
        DayChoiceInput input;
        input.today = k18;
        input.hour = row.hour;
        input.setting = row.setting;
        input.named = row.named;
        input.redo = row.redo;
        input.force = row.force;
        input.results = row.results;
        input.marked = row.marked;
        const NightPlan plan = chooseDays(input);
        EXPECT_EQ(plan.jobs, row.jobs) << row.name;
        EXPECT_EQ(plan.pastMarks, row.past) << row.name;
        EXPECT_EQ(plan.leftOnAir, row.left) << row.name;
    }
}

TEST(DayChoice, TheTargetAcrossNoonAndTheMonthsEnd) {
    const struct {
        Day today;
        int hour;
        DaySetting setting;
        Day target;
    } rows[] = {
        {{2026, 12, 31}, 23, {}, {2027, 1, 1}},
        {{2026, 12, 31}, 11, {}, {2026, 12, 31}},
        {{2028, 2, 28}, 12, {}, {2028, 2, 29}},
        {{2026, 12, 31}, 0, offset(2), {2027, 1, 2}},
    };
    for (const auto& row : rows) {
        DayChoiceInput input;
        input.today = row.today;
        input.hour = row.hour;
        input.setting = row.setting;
        EXPECT_EQ(targetDay(input), row.target) << isoText(row.today) << " " << row.hour;
    }
}

}  // namespace
}  // namespace kalmero
