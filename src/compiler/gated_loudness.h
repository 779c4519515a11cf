#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "model/bs1770.h"
#include "model/spot_loudness.h"

namespace kalmero {

// Integrated loudness (ITU-R BS.1770) of audio given as its 100 ms energies: gating blocks
// of four neighbouring energies (400 ms, overlapping by 300 ms), the absolute gate at
// -70 LUFS, the relative 10 LU under the loudness of the blocks above it. Several files
// aired one after another are one stream of their energies put end to end, as a meter on
// the air would hear them. nullopt when no block passes the absolute gate.
std::optional<double> gatedLoudness(const std::vector<float>& energies);

// The energies of `audio` that air: all of them, or the first `airedMs` when above 0
// (whole 100 ms blocks only).
void appendAired(std::vector<float>& stream, const SpotLoudness& audio, std::int64_t airedMs = 0);

}  // namespace kalmero
