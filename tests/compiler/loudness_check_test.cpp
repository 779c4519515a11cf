#include "compiler/loudness_check.h"

#include <gtest/gtest.h>

namespace kalmero {
namespace {

SpotLoudness spot(std::optional<double> integrated, std::optional<double> shortTerm,
                  std::optional<double> peak, std::string problem = {}) {
    SpotLoudness loudness;
    loudness.integratedLufs = integrated;
    loudness.maxShortTermLufs = shortTerm;
    loudness.truePeakDbtp = peak;
    loudness.problem = std::move(problem);
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
         spot(std::nullopt, std::nullopt, std::nullopt, "brak pliku"),
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

}  // namespace
}  // namespace kalmero
