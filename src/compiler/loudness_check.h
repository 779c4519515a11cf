#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/spot_loudness.h"

namespace kalmero {

// A spot's standing against the day's loudness targets.
struct LoudnessVerdict {
    // Above a target: short-term loudness, true peak, or the day's median by more than allowed.
    bool tooLoud = false;
    // Every target it is above, its silence (whole, or at its start or end longer than
    // allowed), then its measuring problem, joined by "; " (Polish, UTF-8); empty when the
    // spot is within the targets and measured normally.
    std::string reason;
    // No sample of it reaches kSilenceDbfs: dead air on the day, not a spot.
    bool silent = false;

    friend bool operator==(const LoudnessVerdict&, const LoudnessVerdict&) = default;
};

// The median of the integrated loudness of the spots that have one (the mean of the two
// middle ones for an even count); nullopt when none has.
std::optional<double> medianIntegratedLufs(const std::vector<SpotLoudness>& spots);
// The same over the figures themselves.
std::optional<double> medianOf(std::vector<double> figures);

// Whether a decoded spot has no sample at or above kSilenceDbfs on any channel. A spot too
// short for an integrated figure (under 400 ms) is not silent for that.
bool isSilent(const SpotLoudness& spot);

// Each spot's verdict, in the spots' order. Figures are compared as shown, to one decimal,
// so that a verdict never contradicts the figures beside it. The relative target uses the
// median of these very spots: pass each spot of the day once.
std::vector<LoudnessVerdict> checkLoudness(const std::vector<SpotLoudness>& spots,
                                           const LoudnessTargets& targets);

// A figure as reports show it: one decimal after a dot, whatever the locale ("-14.2");
// empty when absent or not finite.
std::string formatLoudnessFigure(std::optional<double> figure);

}  // namespace kalmero
