#include <memory>

#include "platform/encoding.h"
#include "platform/measure_cache.h"
#include "platform/spot_locator.h"
#include "platform/spot_pool.h"
#include "session/session_tools.h"

namespace kalmero {

namespace {

// Loudness measured on every core through the program's cache, so that the window and the
// batch command on one account decode a file once between them.
LoudnessTools stationLoudnessTools(MeasureCacheOnDemand& onDemand) {
    auto measure = [&onDemand](const std::vector<std::string>& paths, const LoudnessSteps& steps,
                               const std::atomic<bool>* cancel) {
        MeasureCache& cache = onDemand.cache();
        SpotPoolRun run;
        run.progress = steps;
        run.cancel = cancel;
        LoudnessMeasuring measured{measureSpots(paths, &cache, run), {}};
        measured.warning = cache.takeWarning();
        return measured;
    };
    auto correct = [&onDemand](const CopyRequest& request) {
        return makeCorrectedCopy(request, &onDemand.cache());
    };
    return {measure, onDemand.path(), correct};
}

}  // namespace

SessionTools stationTools(MeasureCacheOnDemand& cache) {
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
    tools.loudness = stationLoudnessTools(cache);
    return tools;
}

}  // namespace kalmero
