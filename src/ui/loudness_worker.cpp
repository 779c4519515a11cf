#include "ui/loudness_worker.h"

#include <QMetaObject>
#include <utility>

namespace kalmero {

LoudnessWorker::LoudnessWorker(
    std::function<void(std::size_t, std::size_t)> progress,
    std::function<void(const LoudnessPlan&, const LoudnessMeasuring&)> finished, QObject* parent)
    : QObject(parent), m_progress(std::move(progress)), m_finished(std::move(finished)) {}

LoudnessWorker::~LoudnessWorker() { cancel(); }

void LoudnessWorker::start(LoudnessPlan plan, LoudnessMeasurer measure) {
    cancel();
    m_cancel = false;
    m_running = true;
    const std::uint64_t run = ++m_run;
    m_thread = std::thread([this, run, plan = std::move(plan), measure = std::move(measure)] {
        const LoudnessSteps steps = [this, run](std::size_t done, std::size_t total) {
            QMetaObject::invokeMethod(
                this,
                [this, run, done, total] {
                    if (run == m_run) {
                        m_progress(done, total);
                    }
                },
                Qt::QueuedConnection);
        };
        LoudnessMeasuring measured = measure(plan.files, steps, &m_cancel);
        if (m_cancel) {
            return;
        }
        QMetaObject::invokeMethod(
            this,
            [this, run, plan, measured = std::move(measured)] {
                if (run != m_run) {
                    return;
                }
                if (m_thread.joinable()) {
                    m_thread.join();
                }
                m_running = false;
                m_finished(plan, measured);
            },
            Qt::QueuedConnection);
    });
}

void LoudnessWorker::cancel() {
    // Whatever the old measuring posted and is still on its way is now stale.
    ++m_run;
    m_cancel = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_running = false;
}

}  // namespace kalmero
