#pragma once

#include <QElapsedTimer>
#include <QString>
#include <array>

#include "session/progress.h"

class QLabel;
class QProgressBar;

namespace kalmero {

class ListModel;

// The session's progress shown in the main window: its list views, status line and gauge.
// Rows, the gauge and
// repainting are held back and shown together at most every ~30 ms, so a file of many
// thousand lines isn't slowed down by drawing each of them.
class WindowProgress : public Progress {
public:
    // Shows nothing until attached to the window's views, status line and gauge, which
    // must outlive it; `models` in the order of ListId.
    void attach(std::array<ListModel*, 3> models, QLabel* status, QProgressBar* gauge);

    void status(std::string_view text) override;
    void gaugeMax(std::int64_t max) override;
    void gaugeProgress(std::int64_t done) override;
    void breathe() override;
    void listCleared(ListId list) override;
    void rowsAppended(ListId list, std::size_t rowCount) override;

    // A text kept after every status from now on (the window closing when work ends).
    void setClosingNote(const QString& note);

    // Shows everything held back: new rows and the gauge's place.
    void flush();
    // Forgets which views were cleared; wasCleared then tells of those cleared since.
    void resetClearedViews();
    bool wasCleared(ListId list) const;

private:
    static std::size_t slot(ListId list) { return static_cast<std::size_t>(list); }

    std::array<ListModel*, 3> m_models{};
    std::array<bool, 3> m_cleared{};
    QLabel* m_status = nullptr;
    QString m_closingNote;
    QProgressBar* m_gauge = nullptr;
    std::int64_t m_gaugeMax = 0;
    std::int64_t m_gaugeProgress = 0;
    QElapsedTimer m_sinceEvents;
};

}  // namespace kalmero
