#include "compiler/loudness_check.h"

#include <gtest/gtest.h>

namespace kalmero {
namespace {

// Figures, and for the silence rules the length decoded and the silences at both ends.
SpotLoudness spot(std::optional<double> integrated, std::optional<double> shortTerm,
                  std::optional<double> peak, SpotIssue problem = {}, std::int64_t ms = 0,
                  std::int64_t leadingMs = 0, std::int64_t trailingMs = 0) {
    SpotLoudness loudness;
    loudness.integratedLufs = integrated;
    loudness.maxShortTermLufs = shortTerm;
    loudness.truePeakDbtp = peak;
    loudness.problem = std::move(problem);
    loudness.decodedMs = ms;
    loudness.leadingSilenceMs = leadingMs;
    loudness.trailingSilenceMs = trailingMs;
    return loudness;
}

TEST(LoudnessCheck, NamesEverySpotAboveATarget) {
    struct Case {
        const char* name;
        SpotLoudness spot;
        LoudnessVerdict verdict;
    };
    // The median of the integrated figures below is -20.0 LUFS.
    const Case cases[] = {
        {"Within", spot(-20.0, -18.0, -1.0), {false, ""}},
        // -17.96 shows as -18.0, which is not above -18.
        {"AtTargetsAsShown", spot(-20.0, -17.96, -1.04), {false, ""}},
        {"ShortTerm",
         spot(-21.0, -14.24, -3.0),
         {true, "za głośny: krótkoterminowa -14.2 LUFS > -18"}},
        {"PeakAndAboveTheDay",
         spot(-16.94, -18.5, -0.05),
         {true,
          "za wysoki szczyt: -0.1 dBTP > -1; głośniejszy od reszty dnia: zintegrowana -16.9 "
          "LUFS, mediana -20.0 LUFS, różnica 3.1 LU > 3"}},
        {"NotDecoded",
         spot(std::nullopt, std::nullopt, std::nullopt, SpotProblem::NotFound),
         {false, "brak pliku"}},
    };
    std::vector<SpotLoudness> spots;
    for (const Case& c : cases) {
        spots.push_back(c.spot);
    }
    spots.push_back(spot(-20.0, -19.0, -2.0));
    const auto verdicts = checkLoudness(spots, LoudnessTargets{});
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(verdicts[i], cases[i].verdict);
    }
    EXPECT_EQ(formatLoudnessFigure(-0.04), "0.0");
    EXPECT_EQ(formatLoudnessFigure(std::nullopt), "");
}

TEST(LoudnessCheck, NamesSilenceWholeOrAtTheEdges) {
    struct Case {
        const char* name;
        SpotLoudness spot;
        double maxSilenceSeconds;
        LoudnessVerdict verdict;
    };
    const Case cases[] = {
        {"DigitalSilence",
         spot(std::nullopt, std::nullopt, std::nullopt, {}, 10'000, 10'000, 10'000),
         2,
         {false, "cisza: żadna próbka nie sięga -60.0 dBFS (same zera, 10.0 s)", true}},
        {"BelowTheGate",
         spot(std::nullopt, std::nullopt, -80.04, {}, 10'000, 10'000, 10'000),
         2,
         {false, "cisza: żadna próbka nie sięga -60.0 dBFS (szczyt -80.0 dBTP, 10.0 s)", true}},
        // Too short for an integrated figure, or quiet under the gate, yet with a sample at
        // the floor: a sound, however short, or at the very last sample.
        {"ShortSound",
         spot(std::nullopt, std::nullopt, -6.9, {}, 139, 0, 0),
         2,
         {false, "", false}},
        {"SoundInTheLastSample",
         spot(std::nullopt, std::nullopt, -59.0, {}, 10'000, 10'000, 0),
         20,
         {false, "", false}},
        {"SoundInTheFirstSample",
         spot(std::nullopt, std::nullopt, -59.0, {}, 10'000, 0, 10'000),
         20,
         {false, "", false}},
        // Not decoded at all: its problem says so, it isn't silence.
        {"NotDecoded",
         spot(std::nullopt, std::nullopt, std::nullopt, {}, 0, 0, 0),
         2,
         {false, {}, false}},
        // 2.04 s shows as 2.0, which is not above 2.
        {"EdgesAtTheLimitAsShown",
         spot(-20, -20, -3, {}, 30'000, 2'040, 2'000),
         2,
         {false, {}, false}},
        {"LongStart",
         spot(-20, -20, -3, {}, 30'000, 2'060, 0),
         2,
         {false, "cisza na początku 2.1 s > 2 s", false}},
        {"LongStartAndEnd",
         spot(-20, -20, -3, {}, 30'000, 3'000, 12'500),
         2,
         {false, "cisza na początku 3.0 s > 2 s; cisza na końcu 12.5 s > 2 s", false}},
        {"LimitFromTheConfiguration",
         spot(-20, -20, -3, {}, 30'000, 3'000, 12'500),
         12.5,
         {false, {}, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoudnessTargets targets;
        targets.maxSilenceSeconds = c.maxSilenceSeconds;
        EXPECT_EQ(checkLoudness({c.spot}, targets).at(0), c.verdict);
        EXPECT_EQ(isSilent(c.spot), c.verdict.silent);
    }
}

// Each target at its boundary, with targets unlike the defaults and unlike each other so that
// a figure compared with another's target shows. Figures count as shown, to one decimal.
TEST(LoudnessCheck, EachTargetAtItsBoundary) {
    const LoudnessTargets targets{-20.0, -3.0, 2.0};
    // Three quiet spots hold the median at -30.0 whatever the spot looked at.
    const std::vector<SpotLoudness> quiet(3, spot(-30.0, -40.0, -10.0));
    const struct {
        const char* name;
        SpotLoudness spot;
        bool tooLoud;
    } cases[] = {
        {"short-term at its target", spot(-30.0, -20.0, -10.0), false},
        {"short-term shown at its target", spot(-30.0, -19.96, -10.0), false},
        {"short-term above", spot(-30.0, -19.9, -10.0), true},
        {"short-term against its own target, not the peak's", spot(-30.0, -4.0, -10.0), true},
        {"true peak at its target", spot(-30.0, -40.0, -3.0), false},
        {"true peak above", spot(-30.0, -40.0, -2.9), true},
        {"true peak shown at its target", spot(-30.0, -40.0, -2.96), false},
        {"above the median by the difference allowed", spot(-28.0, -40.0, -10.0), false},
        {"above the median by more", spot(-27.9, -40.0, -10.0), true},
        // The relative target is a ceiling over the median, not a band around it.
        {"below the median by more", spot(-32.1, -40.0, -10.0), false},
        {"far below the median", spot(-60.0, -40.0, -10.0), false},
        {"no figures", spot(std::nullopt, std::nullopt, std::nullopt), false},
    };
    for (const auto& c : cases) {
        std::vector<SpotLoudness> day = quiet;
        day.push_back(c.spot);
        day.push_back(spot(-30.0, -40.0, -10.0));
        EXPECT_EQ(checkLoudness(day, targets)[3].tooLoud, c.tooLoud) << c.name;
    }
}

TEST(LoudnessCheck, TheMedianOfOddAndEvenCounts) {
    const auto of = [](std::initializer_list<std::optional<double>> figures) {
        std::vector<SpotLoudness> spots;
        for (const std::optional<double> figure : figures) {
            spots.push_back(spot(figure, std::nullopt, std::nullopt));
        }
        return medianIntegratedLufs(spots);
    };
    const struct {
        const char* name;
        std::optional<double> median;
        std::optional<double> expected;
    } cases[] = {
        {"none", of({}), std::nullopt},
        {"none measured", of({std::nullopt, std::nullopt}), std::nullopt},
        {"one", of({-23.0}), -23.0},
        {"odd, unsorted", of({-10.0, -30.0, -20.0}), -20.0},
        {"odd, the loud one far off", of({-20.0, -21.0, 0.0, -22.0, -19.0}), -20.0},
        {"even: the mean of the middle two", of({-24.0, -10.0, -20.0, -30.0}), -22.0},
        {"two", of({-20.0, -25.0}), -22.5},
        {"unmeasured spots don't count", of({std::nullopt, -20.0, std::nullopt, -30.0, -10.0}),
         -20.0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.median, c.expected) << c.name;
    }
}

}  // namespace
}  // namespace kalmero
