// Which exit code a night acts on: each pair of codes of two days, and when a day's summary
// is told.
#include <gtest/gtest.h>

#include <algorithm>

#include "cli/batch.h"
#include "cli/day_plan.h"

namespace kalmero {
namespace {

TEST(ExitRules, TheWorseOfTwoDaysInTheOrderUsageFileUnaccountedWritten) {
    // Worst first: a day not run at all, one not written, one written with spots to see to.
    const int order[] = {kExitUsage, kExitFileError, kExitUnaccounted, kExitWritten};
    for (int a = 0; a < 4; ++a) {
        for (int b = 0; b < 4; ++b) {
            const int worse = order[std::min(a, b)];
            EXPECT_EQ(worseExit(order[a], order[b]), worse) << order[a] << " " << order[b];
        }
    }
    EXPECT_EQ(kExitWritten, 0);
    EXPECT_EQ(kExitFileError, 1);
    EXPECT_EQ(kExitUsage, 2);
    EXPECT_EQ(kExitUnaccounted, 3);
}

TEST(ExitRules, TheDaysSummaryIsToldForADayCompiled) {
    Outcome failed = Outcome::failed("Cannot open file");
    const struct {
        const char* name;
        Outcome outcome;
        bool told;
    } cases[] = {
        {"written", Outcome{}, true},
        {"strict, refused for its spots", Outcome::refused(Refusal::UnaccountedSpots), true},
        {"strict, refused for a cut playlist", Outcome::refused(Refusal::CutPlaylist), false},
        {"no playlist", Outcome::refused(Refusal::EmptyPlaylist), false},
        {"no break mode", Outcome::refused(Refusal::NoBreakMode), false},
        {"nothing to save", Outcome::refused(Refusal::NothingToSave), false},
        {"an output over an input", Outcome::refused(Refusal::OutputOverInput), false},
        {"a file error", failed, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tellsDaySummary(c.outcome), c.told) << c.name;
    }
}

}  // namespace
}  // namespace kalmero
