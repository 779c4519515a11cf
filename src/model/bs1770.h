#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

namespace kalmero {

// ITU-R BS.1770's figures that both the meter and the programme comparison build on.

// The length of audio each K-weighted energy block stands for, in ms: a gating block is four
// of them (400 ms, overlapping by 300 ms), a short-term window thirty.
inline constexpr std::int64_t kEnergyBlockMs = 100;

// BS.1770's loudness of a K-weighted mean square energy e: -0.691 + 10 log10(e).
inline constexpr double kLoudnessOffsetLu = 0.691;

// The loudness in LUFS of a K-weighted mean square energy (-inf for 0), and back.
inline double loudnessOf(double energy) { return 10 * std::log10(energy) - kLoudnessOffsetLu; }
inline double energyOf(double lufs) { return std::pow(10.0, (lufs + kLoudnessOffsetLu) / 10); }

// Integrated loudness (ITU-R BS.1770) of audio given as its 100 ms energies: gating blocks
// of four neighbouring energies (400 ms, overlapping by 300 ms), the absolute gate at
// -70 LUFS, the relative 10 LU under the loudness of the blocks above it. Several files
// aired one after another are one stream of their energies put end to end, as a meter on
// the air would hear them. nullopt when no block passes the absolute gate.
std::optional<double> gatedLoudness(const std::vector<float>& energies);

}  // namespace kalmero
