#include "session/station_loudness.h"

#include <memory>

#include "platform/encoding.h"
#include "platform/measure_cache.h"
#include "platform/spot_pool.h"

namespace kalmero {

LoudnessTools stationLoudnessTools() {
    auto cache = std::make_shared<std::unique_ptr<MeasureCache>>();
    auto measure = [cache](const std::vector<std::string>& paths, const LoudnessSteps& steps,
                           const std::atomic<bool>* cancel) {
        if (!*cache) {
            *cache = std::make_unique<MeasureCache>(MeasureCache::defaultPath());
        }
        SpotPoolRun run;
        run.progress = steps;
        run.cancel = cancel;
        LoudnessMeasuring measured{measureSpots(paths, cache->get(), run), {}};
        measured.warning = (*cache)->warning();
        return measured;
    };
    return {measure, pathToCp1250};
}

}  // namespace kalmero
