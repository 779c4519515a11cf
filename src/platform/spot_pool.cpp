#include "platform/spot_pool.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace kalmero {

namespace {

bool cancelled(const SpotPoolRun& run) {
    return run.cancel != nullptr && run.cancel->load(std::memory_order_relaxed);
}

// Whether a measuring may answer for its file in later runs. A failure can't tell a broken
// file from a passing fault (memory, an I/O error, a disk going away), and a file that
// changed while it was read was measured half old, half new: both are measured again.
bool worthKeeping(const std::string& path, const MeasuredSpot& measured) {
    return !measured.loudness.problem.any() && !measured.loudness.header.issue.any() &&
           identifyFile(path) == measured.identity;
}

// One spot: the cache's answer when it has one for the file as it is now, else a measuring.
std::optional<SpotLoudness> measureOne(const std::string& path, MeasureCache* cache,
                                       const LoudnessSettings& settings) {
    if (cache != nullptr) {
        if (const auto identity = identifyFile(path)) {
            if (auto known = cache->find(*identity)) {
                return known;
            }
        }
    }
    MeasuredSpot measured = measureLoudness(path, settings);
    if (!measured.lasting) {
        if (settings.cancel != nullptr && settings.cancel->load()) {
            return std::nullopt;
        }
    } else if (cache != nullptr && worthKeeping(path, measured)) {
        // Under the identity of the file measured, which may be newer than the one looked up.
        cache->store(*measured.identity, measured.loudness);
    }
    return std::move(measured.loudness);
}

}  // namespace

std::vector<std::optional<SpotLoudness>> measureSpots(const std::vector<std::string>& paths,
                                                      MeasureCache* cache, const SpotPoolRun& run) {
    std::vector<std::optional<SpotLoudness>> results(paths.size());
    LoudnessSettings settings = run.settings;
    if (run.cancel != nullptr) {
        settings.cancel = run.cancel;
    }
    std::atomic<std::size_t> next{0};
    std::mutex report;
    std::size_t done = 0;
    const auto work = [&] {
        for (std::size_t i = next++; i < paths.size() && !cancelled(run); i = next++) {
            std::optional<SpotLoudness> result;
            try {
                result = measureOne(paths[i], cache, settings);
            } catch (const std::exception& error) {
                // Out of memory, or a thread the system wouldn't give: the spot goes without.
                result = SpotLoudness{};
                result->problem = SpotIssue{SpotProblem::MeasuringFailed, 0, 0, error.what()};
            }
            if (!result) {
                continue;
            }
            const std::lock_guard lock(report);
            results[i] = std::move(result);
            if (run.measured) {
                run.measured(i, *results[i]);
            }
            ++done;
            if (run.progress) {
                run.progress(done, paths.size());
            }
        }
    };
    const unsigned cores = std::max(1U, std::thread::hardware_concurrency());
    const std::size_t threads =
        std::min<std::size_t>(run.threads != 0 ? run.threads : cores, paths.size());
    std::vector<std::thread> pool;
    pool.reserve(threads > 0 ? threads - 1 : 0);
    for (std::size_t t = 1; t < threads; ++t) {
        try {
            pool.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // the threads there are do the work
        }
    }
    // The calling thread measures too: a list of one needs no other.
    if (threads > 0) {
        work();
    }
    for (std::thread& thread : pool) {
        thread.join();
    }
    return results;
}

}  // namespace kalmero
