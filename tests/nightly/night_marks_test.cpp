// Where a day's mark stands: beside its result, hidden, named after it.
#include "nightly/night_marks.h"

#include <gtest/gtest.h>

namespace kalmero {
namespace {

TEST(NightMarks, BesideTheResultNamedAfterIt) {
    const Day day{2026, 12, 13};
    const struct {
        const char* pattern;
        const char* result;
        const char* mark;
    } rows[] = {
        {"%Y%m%d.mix", "/w/20261213.mix", "/w/.20261213.mix.niepewny"},
        {"%Y/%m%d_%a.mix", "/w/2026/1213_nd.mix", "/w/2026/.1213_nd.mix.niepewny"},
        {"%a.mix", "/w/nd.mix", "/w/.nd.mix.niepewny"},
        {"dzien.mix", "/w/dzien.mix", "/w/.dzien.mix.niepewny"},
    };
    for (const auto& row : rows) {
        const DayFiles files("/w", row.pattern);
        EXPECT_EQ(files.result(day), row.result) << row.pattern;
        EXPECT_EQ(files.mark(day), row.mark) << row.pattern;
    }
}

}  // namespace
}  // namespace kalmero
