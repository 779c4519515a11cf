#include "ui/form_port.h"

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

FormPort::FormPort(std::array<ListModel*, 3> models, QLabel* status, QProgressBar* gauge,
                   std::function<BreakSettings()> settings)
    : m_models(models), m_status(status), m_gauge(gauge), m_settings(std::move(settings)) {}

void FormPort::clearRows(View view) {
    m_cleared[slot(view)] = true;
    m_models[slot(view)]->clearRows();
}

void FormPort::appendRow(View view, std::size_t index, std::string_view, std::string_view) {
    // The model reads the row's texts from the list itself.
    m_models[slot(view)]->appendRow(index);
}

void FormPort::setStatus(std::string_view text) {
    m_status->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void FormPort::setGaugeMax(std::int64_t max) { m_gaugeMax = max; }

void FormPort::setGaugeProgress(std::int64_t progress) { m_gaugeProgress = progress; }

void FormPort::processEvents() {
    if (m_sinceEvents.isValid() && m_sinceEvents.elapsed() < kEventsEveryMs) {
        return;
    }
    flush();
    QCoreApplication::processEvents();
    m_sinceEvents.restart();
}

BreakSettings FormPort::breakSettings() const { return m_settings(); }

void FormPort::flush() {
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

void FormPort::resetClearedViews() { m_cleared = {}; }

bool FormPort::wasCleared(View view) const { return m_cleared[slot(view)]; }

}  // namespace kalmero
