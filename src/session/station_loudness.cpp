#include "session/station_loudness.h"

#include <memory>

#include "platform/encoding.h"
#include "platform/measure_cache.h"
#include "platform/spot_locator.h"
#include "platform/spot_pool.h"
#include "session/session_tools.h"

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
    auto correct = [](const CopyRequest& request) {
        return makeCorrectedCopy(request, &MeasureCache::shared());
    };
    return {measure, MeasureCache::defaultPath(), correct};
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
