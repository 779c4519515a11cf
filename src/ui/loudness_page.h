#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>
#include <optional>
#include <vector>

#include "model/lists.h"
#include "session/loudness_run.h"

class QTableWidget;
class QWidget;

namespace kalmero {

class DayPicture;

// One advert spot of the "Głośność" page, texts in UTF-8.
struct LoudnessRow {
    QString block;  // block time
    QString title;
    QString path;
    std::optional<double> integratedLufs;
    std::optional<double> maxShortTermLufs;
    std::optional<double> truePeakDbtp;
    QString reason;        // why it is outside the targets or its figures are doubtful
    bool tooLoud = false;  // above a target
};

// Every spot of the advert list with its figures, in list order; none before the figures
// were taken.
std::vector<LoudnessRow> loudnessRows(const Lista& spots, const DayLoudness& loudness);

// The spots above a target as findings of the day, each with its reason: "Spot 12:00 „Lato”
// za głośny: krótkoterminowa -10.0 LUFS > -18".
QStringList loudnessFindings(const std::vector<LoudnessRow>& rows);

// The page's table: block time, title, the three figures, reason; sortable by each column
// (figures by their value), the spots above a target in red.
QTableWidget* makeLoudnessTable(const std::vector<LoudnessRow>& rows, QWidget* parent);

// Marks on the day's picture every copy of a spot above a target, its reason in the tip.
// `origins[r]` is the advert list index that result record r is a copy of.
void markLoudSpots(DayPicture& picture, const std::vector<std::size_t>& origins,
                   const DayLoudness& loudness);

}  // namespace kalmero
