#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>
#include <optional>
#include <vector>

#include "compiler/programme_check.h"
#include "model/lists.h"
#include "session/corrections.h"
#include "session/loudness_run.h"

class QTableWidget;
class QWidget;

namespace kalmero {

class DayPicture;

// Where a spot on a drive no map line covers tells the operator to go.
inline constexpr const char* kSetPathMap = " — ustaw mapę ścieżek (Ctrl+K)";

// One advert spot of the "Głośność" page, texts in UTF-8.
struct LoudnessRow {
    QString block;  // block time
    QString title;
    QString path;
    std::optional<double> integratedLufs;
    std::optional<double> maxShortTermLufs;
    std::optional<double> truePeakDbtp;
    QString reason;  // why it is outside the targets or its figures are doubtful
    // Above a target, or silent (dead air on the day): marked red either way.
    bool outside = false;
};

// One advert block against the programme around it, on the same page.
struct ProgrammeRow {
    QString block;  // booked time
    std::optional<double> blockLufs;
    std::optional<double> programmeLufs;
    std::optional<double> aboveLu;
    QString note;          // why there is no comparison, or the block louder than the limit
    QString finding;       // the whole finding, for the figures' tooltip
    bool tooLoud = false;  // louder than its programme by more than the limit
};

std::vector<ProgrammeRow> programmeRows(const std::vector<BlockAgainstProgramme>& comparisons);

// The "Głośność" page: the spots' table and under it, once the day is compiled, the blocks'
// against their programme (the loud ones red). Named "LoudnessPage".
QWidget* makeLoudnessPage(const std::vector<LoudnessRow>& spots,
                          const std::vector<ProgrammeRow>& blocks, QWidget* parent);

// Every spot of the advert list with its figures, in list order; none before the figures
// were taken. A reason naming a drive without a map line ends with kSetPathMap.
std::vector<LoudnessRow> loudnessRows(const Lista& spots, const DayLoudness& loudness);

// The page's table: block time, title, the three figures, reason; sortable by each column
// (figures by their value), the spots outside in red.
QTableWidget* makeLoudnessTable(const std::vector<LoudnessRow>& rows, QWidget* parent);

// Marks on the day's picture every copy of a spot above a target or silent, its reason in
// the tip. `origins[r]` is the advert list index that result record r is a copy of.
void markLoudSpots(DayPicture& picture, const std::vector<std::size_t>& origins,
                   const DayLoudness& loudness);
// Marks every copy of a spot that airs its lowered copy, how in the tip.
void markCorrectedSpots(DayPicture& picture, const std::vector<std::size_t>& origins,
                        const std::vector<SpotCorrection>& corrections);

}  // namespace kalmero
