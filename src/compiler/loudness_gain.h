#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "model/spot_loudness.h"

namespace kalmero {

// An advert block whose spots are lowered together: its spots as aired, each once, and the
// loudness of the programme around it.
struct BlockToLower {
    std::vector<std::size_t> spots;  // indexes into the spots given to attenuations()
    std::optional<double> programmeLufs;
};

// The step attenuations are rounded up to, in dB.
inline constexpr double kGainStepDb = 0.1;

// The smallest attenuation in dB (0 or more, in steps of kGainStepDb) for each spot (one per
// booking; null when it wasn't measured) that brings it within every target it breaks: its
// short-term maximum and true peak, its integrated loudness at most aboveMedianLu over
// `median`; and brings each block with a programme figure within maxAboveProgrammeLu of it,
// its spots lowered by one gain (a spot needing more for itself keeps its own), so that the
// block keeps its balance. Figures are compared as the reports show them, to one decimal. A
// spot is never raised. A spot in several blocks takes the most any of them needs.
std::vector<double> attenuations(const std::vector<const SpotLoudness*>& spots,
                                 const std::vector<BlockToLower>& blocks,
                                 std::optional<double> median, const LoudnessTargets& targets);

// The attenuation in dB that `spot` alone still needs to be within its own targets (its short
// term, true peak and the median's); 0 when it is within them.
double attenuationNeeded(const SpotLoudness& spot, std::optional<double> median,
                         const LoudnessTargets& targets);

// A block's spots as aired (each of `block.spots` an index into `spots`, null ones left out)
// above its programme as the reports show it, to one decimal; nullopt without both figures.
std::optional<double> aboveProgramme(const std::vector<const SpotLoudness*>& spots,
                                     const BlockToLower& block);

}  // namespace kalmero
