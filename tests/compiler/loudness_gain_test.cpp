#include "compiler/loudness_gain.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kalmero {
namespace {

// A spot of 3 s at one level, with its three figures.
SpotLoudness spot(double integrated, double shortTerm, double peak) {
    SpotLoudness audio;
    audio.integratedLufs = integrated;
    audio.maxShortTermLufs = shortTerm;
    audio.truePeakDbtp = peak;
    audio.blockEnergies.assign(30, static_cast<float>(std::pow(10.0, (integrated + 0.691) / 10)));
    return audio;
}

TEST(Attenuations, SmallestStepWithinEveryTargetAndBlock) {
    const SpotLoudness quiet = spot(-40, -38, -20);
    const SpotLoudness within = spot(-20, -18, -1);
    const SpotLoudness shortTermJustOver = spot(-20, -17.9, -1);
    const SpotLoudness shortTermShownWithin = spot(-20, -17.96, -1);
    const SpotLoudness shortTermOver = spot(-20, -15, -1);
    const SpotLoudness peakOver = spot(-20, -18, 0.5);
    const SpotLoudness aboveMedian = spot(-19, -18, -1);
    const SpotLoudness atMedianLimit = spot(-20, -18, -1);
    const SpotLoudness peakAndShortTerm = spot(-20, -16, 2);
    const SpotLoudness loudA = spot(-14, -18, -1);
    const SpotLoudness loudB = spot(-14, -18, -9);
    const SpotLoudness loudOwnA = spot(-14, -18, 7);  // needs 8 dB of its own
    const SpotLoudness blockAtLimit = spot(-19, -18, -1);
    const SpotLoudness blockOverLimit = spot(-18.9, -18, -1);
    const struct {
        const char* name;
        std::vector<const SpotLoudness*> spots;
        std::vector<BlockToLower> blocks;
        std::vector<double> expected;
        std::optional<double> median = std::nullopt;
    } rows[] = {
        {"within every target", {&within, &atMedianLimit}, {}, {0, 0}, -23.0},
        {"a quiet spot is never raised", {&quiet}, {}, {0}},
        {"short-term a step over", {&shortTermJustOver}, {}, {0.1}},
        {"short-term over as shown only", {&shortTermShownWithin}, {}, {0}},
        {"short-term 3 dB over", {&shortTermOver}, {}, {3.0}},
        {"true peak over", {&peakOver}, {}, {1.5}},
        {"integrated over the median", {&aboveMedian}, {}, {1.0}, -23.0},
        {"the most any target needs", {&peakAndShortTerm}, {}, {3.0}},
        {"unmeasured", {nullptr}, {}, {0}},
        {"block lowered together", {&loudA, &loudB}, {{{0, 1}, -24.0}}, {9.0, 9.0}},
        {"block: a spot's own larger gain kept, the others lowered as little as the block needs",
         {&loudOwnA, &loudB},
         {{{0, 1}, -20.0}},
         {8.0, 3.2}},
        {"block exactly at the limit", {&blockAtLimit}, {{{0}, -20.0}}, {0}},
        {"block a step over the limit", {&blockOverLimit}, {{{0}, -20.0}}, {0.1}},
        {"block without a programme figure", {&loudA}, {{{0}, std::nullopt}}, {0}},
        {"a file in two blocks takes each booking's gain",
         {&loudA, &loudA, &within, &within},
         {{{0, 2}, -20.0}, {{1, 3}, -10.0}},
         {3.0, 0, 3.0, 0}},
    };
    LoudnessTargets targets;
    targets.maxShortTermLufs = -18;
    targets.maxTruePeakDbtp = -1;
    targets.aboveMedianLu = 3;
    targets.maxAboveProgrammeLu = 1;
    for (const auto& row : rows) {
        const std::vector<double> gains = attenuations(row.spots, row.blocks, row.median, targets);
        ASSERT_EQ(gains.size(), row.expected.size()) << row.name;
        for (std::size_t i = 0; i < gains.size(); ++i) {
            EXPECT_NEAR(gains[i], row.expected[i], 1e-9) << row.name << " spot " << i;
        }
    }
}

}  // namespace
}  // namespace kalmero
