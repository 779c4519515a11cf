#pragma once

#include <QObject>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "session/loudness_run.h"

namespace kalmero {

class MeasureCache;

// Measures an advert list's loudness on a thread of its own while the window goes on, and
// hands back the figures whole, on the window's thread, when all are known: a command never
// sees a half-filled list. One measuring at a time; a new one or a cancel drops the old.
class LoudnessWorker : public QObject {
    Q_OBJECT
public:
    // `progress` and `finished` are called on the thread owning the worker.
    LoudnessWorker(std::function<void(std::size_t done, std::size_t total)> progress,
                   std::function<void(const LoudnessPlan&, const LoudnessMeasuring&)> finished,
                   QObject* parent = nullptr);
    // Cancels a measuring under way and waits for its thread.
    ~LoudnessWorker() override;
    LoudnessWorker(const LoudnessWorker&) = delete;
    LoudnessWorker& operator=(const LoudnessWorker&) = delete;

    // Starts measuring `plan`'s files with `measure`, cancelling one under way first.
    void start(LoudnessPlan plan, LoudnessMeasurer measure);
    // Stops a measuring under way and waits for it; nothing of it is delivered.
    void cancel();
    bool running() const { return m_running; }

private:
    std::function<void(std::size_t, std::size_t)> m_progress;
    std::function<void(const LoudnessPlan&, const LoudnessMeasuring&)> m_finished;
    std::thread m_thread;
    std::atomic<bool> m_cancel{false};
    // Which measuring is current: what an older one posted is dropped on arrival.
    std::uint64_t m_run = 0;
    bool m_running = false;
};

}  // namespace kalmero
