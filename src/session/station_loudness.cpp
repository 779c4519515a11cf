#include "session/station_loudness.h"

#include <memory>
#include <mutex>

#include "platform/encoding.h"
#include "platform/measure_cache.h"
#include "platform/spot_locator.h"
#include "platform/spot_pool.h"
#include "session/session.h"

namespace kalmero {

namespace {

// The cache of one set of tools: made on first use, once, whatever thread asks.
struct SharedCache {
    std::once_flag opened;
    std::unique_ptr<MeasureCache> cache;

    MeasureCache& get() {
        std::call_once(opened, [this] {
            cache = std::make_unique<MeasureCache>(MeasureCache::defaultPath());
        });
        return *cache;
    }
};

}  // namespace

LoudnessTools stationLoudnessTools() {
    auto shared = std::make_shared<SharedCache>();
    auto measure = [shared](const std::vector<std::string>& paths, const LoudnessSteps& steps,
                            const std::atomic<bool>* cancel) {
        MeasureCache& cache = shared->get();
        SpotPoolRun run;
        run.progress = steps;
        run.cancel = cancel;
        LoudnessMeasuring measured{measureSpots(paths, &cache, run), {}};
        measured.warning = cache.warning();
        return measured;
    };
    return {measure};
}

SessionTools stationTools() {
    SessionTools tools;
    tools.decode = cp1250ToUtf8;
    tools.encode = pathToCp1250;
    tools.newMeasurer = [](const PathMap& map, const std::string& listFolder) {
        return newMappedLoadMeasurer(map, listFolder);
    };
    tools.newLocator = [](const PathMap& map, const std::string& folder) -> FileLocator {
        auto locator = std::make_shared<SpotLocator>(map, folder);
        return [locator](std::string_view line) {
            SpotLocation found = locator->locate(line);
            return found.problem == SpotProblem::None ? std::move(found.localPath) : std::string();
        };
    };
    tools.loudness = stationLoudnessTools();
    return tools;
}

}  // namespace kalmero
