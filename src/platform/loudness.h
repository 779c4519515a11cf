#pragma once

#include <atomic>
#include <chrono>
#include <optional>
#include <string_view>

#include "model/spot_loudness.h"
#include "platform/audio_length.h"
#include "platform/measure_cache.h"

namespace kalmero {

// Bounds on measuring one spot's loudness.
struct LoudnessSettings {
    // Wall time for decoding a spot whole; past it the spot has no figures. Spots last
    // seconds to minutes and decode at hundreds of times real time.
    std::chrono::milliseconds decodeLimit{20'000};
    // The header length's bounds, as for measureSpotWith.
    MeasureSettings header;
    // When set and true, the spot under way stops at once (its answer is not to be kept).
    const std::atomic<bool>* cancel = nullptr;
};

// A spot's measuring and the file it belongs to.
struct MeasuredSpot {
    SpotLoudness loudness;
    // The file opened; nullopt when none could be.
    std::optional<FileIdentity> identity;
    // Whether another measuring of the same file would answer the same (not cut short by
    // the time limit or a cancel): fit to keep in a cache.
    bool lasting = false;
};

// Decodes the spot named by a path in Windows-1250 bytes whole and measures its loudness
// (ITU-R BS.1770: integrated, the most of the short-term taken every 100 ms, true peak),
// beside its header length exactly as measureSpotWith gives it. A file that can't be
// opened or decoded gives no figures and its reason in `problem`, as does a decoded
// length differing from a (non-zero) header length by more than kMostLengthDifferenceMs.
// Thread-safe.
MeasuredSpot measureLoudness(std::string_view pathCp1250, const LoudnessSettings& settings = {});

}  // namespace kalmero
