#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "session/loudness_run.h"

namespace kalmero {

// One measuring of a day's audio files on a thread of its own, for the window (which goes on
// meanwhile) and the batch (which waits) alike. Its figures are handed over whole once all
// are known, so that nothing sees a half-measured day.
class LoudnessJob {
public:
    // Starts measuring `plan`'s files with `measure`. `steps` hears of each file measured,
    // `finished` of the end of a measuring not cancelled; both are called on the job's
    // threads (one call at a time), must not throw and must not cancel, wait for or destroy
    // the job.
    LoudnessJob(LoudnessPlan plan, const LoudnessMeasurer& measure, LoudnessSteps steps,
                std::function<void()> finished);
    // Cancels a measuring under way and waits for its thread.
    ~LoudnessJob();
    LoudnessJob(const LoudnessJob&) = delete;
    LoudnessJob& operator=(const LoudnessJob&) = delete;

    const LoudnessPlan& plan() const { return m_plan; }
    // Stops soon and waits; a cancelled job is never finished. Not from the job's threads.
    void cancel();
    // Waits for the end of the measuring. Not from the job's threads.
    void wait();
    // Whether all figures are known (not cancelled).
    bool finished() const { return m_finished; }
    // The figures; empty until finished.
    LoudnessMeasuring measured() const;

private:
    LoudnessPlan m_plan;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_finished{false};
    mutable std::mutex m_mutex;
    LoudnessMeasuring m_measured;
    std::thread m_thread;
};

}  // namespace kalmero
