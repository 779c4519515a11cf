#include "ui/window_progress.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>
#include <climits>

#include "ui/list_models.h"

namespace kalmero {

namespace {

constexpr qint64 kEventsEveryMs = 30;

int clampToInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, 0, INT_MAX));
}

}  // namespace

void WindowProgress::attach(std::array<ListModel*, 3> models, QLabel* status, QProgressBar* gauge) {
    m_models = models;
    m_status = status;
    m_gauge = gauge;
}

void WindowProgress::listCleared(ListId list) {
    m_cleared[slot(list)] = true;
    m_models[slot(list)]->clearRows();
}

void WindowProgress::rowsAppended(ListId list, std::size_t rowCount) {
    // The model reads the rows' texts from the list itself.
    m_models[slot(list)]->setRowCount(rowCount);
}

void WindowProgress::status(std::string_view text) {
    m_status->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())) +
                      m_closingNote);
}

void WindowProgress::setClosingNote(const QString& note) {
    m_closingNote = note;
    if (m_status != nullptr) {
        m_status->setText(m_status->text() + note);
    }
}

void WindowProgress::gaugeMax(std::int64_t max) { m_gaugeMax = max; }

void WindowProgress::gaugeProgress(std::int64_t done) { m_gaugeProgress = done; }

void WindowProgress::breathe() {
    if (m_sinceEvents.isValid() && m_sinceEvents.elapsed() < kEventsEveryMs) {
        return;
    }
    flush();
    QCoreApplication::processEvents();
    m_sinceEvents.restart();
}

void WindowProgress::flush() {
    for (ListModel* model : m_models) {
        model->flush();
    }
    // An empty piece of work shows 0 %, not the bar's busy animation.
    const int max = std::max(1, clampToInt(m_gaugeMax));
    if (m_gauge->maximum() != max) {
        m_gauge->setMaximum(max);
    }
    m_gauge->setValue(m_gaugeMax <= 0 ? 0 : std::min(max, clampToInt(m_gaugeProgress)));
}

void WindowProgress::resetClearedViews() { m_cleared = {}; }

bool WindowProgress::wasCleared(ListId list) const { return m_cleared[slot(list)]; }

}  // namespace kalmero
