#pragma once

#include <functional>
#include <optional>
#include <string>

#include "model/spot_loudness.h"
#include "platform/corrected_copy.h"
#include "platform/loudness.h"
#include "platform/measure_cache.h"

namespace kalmero {

// One lowered copy a day's corrections ask for.
struct CopyRequest {
    std::string source;  // the original's local path, UTF-8
    double gainDb = 0;   // a multiple of 0.1
    // The copy's local path (UTF-8) for a gain.
    std::function<std::string(double gainDb)> targetFor;
    // How much more (dB, a multiple of 0.1) a copy measured so still needs to be within its
    // own targets; 0 when it is. A lossy encoder moves the true peak: a copy a little short
    // is made once more, lowered by that much more.
    std::function<double(const SpotLoudness&)> shortOf;
};

// What came of a request.
struct CopyMade {
    CopyWritten written;
    double gainDb = 0;   // the gain of the copy made or found
    std::string target;  // its local path (UTF-8)
    // The copy measured with the day's meter, and the file measured; nullopt when none was
    // written.
    std::optional<SpotLoudness> loudness;
    std::optional<FileIdentity> identity;
    // An earlier run's copy of the same original, unchanged since, at the same gain.
    bool reused = false;
};

// Makes the copy `request` asks for and measures it, or finds it made: a copy recorded in
// `cache` (may be null) for this very original and gain and unchanged since is used as it is,
// nothing written. A copy we made for another state of the original, unchanged since, is
// replaced; a file anyone else put or changed at the name is never (CopyFailure::NameTaken).
// A copy short of its targets made now is removed when the second one is made. Thread-safe
// for distinct targets.
CopyMade makeCorrectedCopy(const CopyRequest& request, MeasureCache* cache,
                           const LoudnessSettings& settings = {});

}  // namespace kalmero
