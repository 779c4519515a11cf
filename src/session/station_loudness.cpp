#include "session/station_loudness.h"

#include <memory>

#include "platform/encoding.h"
#include "platform/measure_cache.h"
#include "platform/spot_pool.h"

namespace kalmero {

LoudnessTools stationLoudnessTools() {
    auto measure = [](const std::vector<std::string>& paths, const LoudnessSteps& steps,
                      const std::atomic<bool>* cancel) {
        MeasureCache& cache = MeasureCache::shared();
        SpotPoolRun run;
        run.progress = steps;
        run.cancel = cancel;
        LoudnessMeasuring measured{measureSpots(paths, &cache, run), {}};
        measured.warning = cache.takeWarning();
        return measured;
    };
    return {measure, pathToCp1250, MeasureCache::defaultPath()};
}

}  // namespace kalmero
