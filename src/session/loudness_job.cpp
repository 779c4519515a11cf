#include "session/loudness_job.h"

#include <cassert>
#include <utility>

namespace kalmero {

LoudnessJob::LoudnessJob(LoudnessPlan plan, const LoudnessMeasurer& measure, LoudnessSteps steps,
                         std::function<void()> finished)
    : m_plan(std::move(plan)) {
    m_thread =
        std::thread([this, measure, steps = std::move(steps), finished = std::move(finished)] {
            const LoudnessSteps noSteps = [](std::size_t, std::size_t) {};
            LoudnessMeasuring measured = measure(m_plan.files, steps ? steps : noSteps, &m_cancel);
            if (m_cancel) {
                return;
            }
            {
                const std::lock_guard lock(m_mutex);
                m_measured = std::move(measured);
            }
            m_finished = true;
            if (finished) {
                finished();
            }
        });
}

LoudnessJob::~LoudnessJob() { cancel(); }

void LoudnessJob::cancel() {
    m_cancel = true;
    wait();
}

void LoudnessJob::wait() {
    // From its own thread (a `finished` or `steps` that ends the job) it would wait for itself.
    assert(m_thread.get_id() != std::this_thread::get_id());
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

LoudnessMeasuring LoudnessJob::measured() const {
    const std::lock_guard lock(m_mutex);
    return m_finished ? m_measured : LoudnessMeasuring{};
}

}  // namespace kalmero
