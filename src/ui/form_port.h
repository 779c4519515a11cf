#pragma once

#include <QElapsedTimer>
#include <array>
#include <functional>

#include "model/window_port.h"

class QLabel;
class QProgressBar;

namespace kalmero {

class ListModel;

// The main window as the loaders, the compiler and the writer see it. Rows, the gauge and
// repainting are held back and shown together at most every ~30 ms, so a file of many
// thousand lines isn't slowed down by drawing each of them.
class FormPort : public WindowPort {
public:
    // `models` in the order of View; all pointers must outlive the port. `settings` reads
    // the break settings from the window's controls.
    FormPort(std::array<ListModel*, 3> models, QLabel* status, QProgressBar* gauge,
             std::function<BreakSettings()> settings);

    void clearRows(View view) override;
    void appendRow(View view, std::size_t index, std::string_view caption,
                   std::string_view subItem) override;
    void setStatus(std::string_view text) override;
    void setGaugeMax(std::int64_t max) override;
    void setGaugeProgress(std::int64_t progress) override;
    void processEvents() override;
    BreakSettings breakSettings() const override;

    // Shows everything held back: new rows and the gauge's place.
    void flush();
    // Forgets which views were cleared; wasCleared then tells of those cleared since.
    void resetClearedViews();
    bool wasCleared(View view) const;

private:
    static std::size_t slot(View view) { return static_cast<std::size_t>(view); }

    std::array<ListModel*, 3> m_models;
    std::array<bool, 3> m_cleared{};
    QLabel* m_status;
    QProgressBar* m_gauge;
    std::function<BreakSettings()> m_settings;
    std::int64_t m_gaugeMax = 0;
    std::int64_t m_gaugeProgress = 0;
    QElapsedTimer m_sinceEvents;
};

}  // namespace kalmero
