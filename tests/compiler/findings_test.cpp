#include "compiler/findings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kalmero {
namespace {

TEST(Findings, TheDayComesFirstThenSpotsThenTimingThenLoudness) {
    using K = FindingKind;
    // Given out of order; each kind's own order is kept.
    const std::vector<Finding> given = {
        {K::LoudSpot, "loud"},         {K::BlockDrift, "drift"},  {K::SpotNotPlaced, "lost"},
        {K::UnairedBlock, "unaired"},  {K::FarBreak, "far"},      {K::AdvertLine, "line"},
        {K::PastMidnight, "midnight"}, {K::ShortHour, "short 1"}, {K::SpotWithoutLength, "0 ms"},
        {K::ShortHour, "short 2"},     {K::OverfullHour, "long"}, {K::SpotTooLong, "hours"},
    };
    const std::vector<std::string> expected = {
        "midnight", "long", "short 1", "short 2", "unaired", "line",
        "lost",     "0 ms", "hours",   "drift",   "far",     "loud",
    };
    EXPECT_EQ(findingTexts(orderedFindings(given)), expected);
}

// Each pair of kinds given the other way round: the more urgent still comes first.
TEST(Findings, EveryPairOfKindsComesByUrgency) {
    const auto last = static_cast<int>(FindingKind::BlockLouderThanProgramme);
    for (int first = 0; first <= last; ++first) {
        for (int later = first + 1; later <= last; ++later) {
            const std::vector<Finding> given = {{static_cast<FindingKind>(later), "later"},
                                                {static_cast<FindingKind>(first), "first"}};
            EXPECT_EQ(orderedFindings(given).front().text, "first") << first << " " << later;
        }
    }
}

TEST(Findings, SpotsAreCountedAsBookedWithTheirFilesWhereFewer) {
    Lista spots(5);
    const char* files[] = {"a.mp3", "a.mp3", "b.mp3", "c.mp3", "d.mp3"};
    for (std::size_t i = 0; i < spots.size(); ++i) {
        spots[i].set(Field::Adr, std::string("Adr=") + files[i]);
        spots[i].set(Field::Tyt, std::string("Tyt=") + std::string(files[i]).substr(0, 1));
        spots[i].CzasStart = 6 * 3'600'000;
    }
    const auto same = [](std::string_view text) { return std::string(text); };
    struct CountCase {
        std::vector<std::size_t> which;
        std::string text;
    };
    const CountCase cases[] = {
        {{2}, "Spoty: 1 — 06:00 „b”"},
        {{0, 1}, "Spoty: 2 (1 plik) — 06:00 „a”, 06:00 „a”"},
        {{0, 1, 2, 3, 4}, "Spoty: 5 (4 pliki) — 06:00 „a”, 06:00 „a”, 06:00 „b” i inne"},
    };
    for (const CountCase& c : cases) {
        EXPECT_EQ(spotsFinding(FindingKind::SpotNotPlaced, "Spoty", spots, c.which, same).text,
                  c.text);
    }
}

}  // namespace
}  // namespace kalmero
