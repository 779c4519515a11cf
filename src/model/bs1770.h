#pragma once

#include <cmath>
#include <cstdint>

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

}  // namespace kalmero
