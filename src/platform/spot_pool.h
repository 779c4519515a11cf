#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/spot_loudness.h"
#include "platform/loudness.h"
#include "platform/measure_cache.h"

namespace kalmero {

// How a list of spots is measured.
struct SpotPoolRun {
    // After each spot: spots done and their total. Called from the measuring threads, one
    // call at a time, `done` rising by one each call.
    std::function<void(std::size_t done, std::size_t total)> progress;
    // Each spot's figures as soon as they are known, by its index in the list. Called from
    // the measuring threads, one call at a time (not for spots a cancel left unmeasured).
    std::function<void(std::size_t index, const SpotLoudness&)> measured;
    // Set to true from any thread to stop soon: the spots under way are dropped.
    const std::atomic<bool>* cancel = nullptr;
    // Measuring threads; 0 for one per core.
    unsigned threads = 0;
    LoudnessSettings settings;
};

// Measures the spots at `paths` (Windows-1250 bytes, best each file once) on a pool of
// threads, answering from `cache` (none when null) what it holds for the unchanged file
// and keeping there what is measured. The answers in the paths' order; nullopt for a spot a
// cancel left unmeasured. A bad file or cache never throws; the callbacks must not.
std::vector<std::optional<SpotLoudness>> measureSpots(const std::vector<std::string>& paths,
                                                      MeasureCache* cache,
                                                      const SpotPoolRun& run = {});

}  // namespace kalmero
