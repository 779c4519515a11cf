#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "compiler/day_report.h"
#include "compiler/placement_report.h"

class QPushButton;
class QWidget;

namespace kalmero {

// One spot of the placement list as the window shows it, texts in UTF-8.
struct PlacementRow {
    QString block;  // block time, "HH:MM:SS.mmm"
    QString title;
    QString path;
    QString length;  // "MM:SS.mmm"
    int timesPlaced = 0;
    QString reason;  // for the operator, in Polish
};

// A spot that needs the operator's eye as its compile left it: a copy, so the list stays
// that of its compile when another advert list is loaded. Texts stay Windows-1250 until
// the list is opened.
struct PlacementEntry {
    TPozycja spot;
    int timesPlaced = 0;
    Placement placement = Placement::Once;
    bool silent = false;
    bool suspicious = false;
    std::string reasonDetail;  // the measuring problem, UTF-8; empty when none
};

// The spots of `report` that need the operator's eye (not placed exactly once, of length 0
// or suspiciously long), in list order.
std::vector<PlacementEntry> placementEntries(const PlacementReport& report,
                                             const std::vector<std::string>& problems = {});

// The entries' rows, their record texts decoded from Windows-1250.
std::vector<PlacementRow> placementRows(const std::vector<PlacementEntry>& entries);
std::vector<PlacementRow> placementRows(const PlacementReport& report);

// One advert block of the list's second page: booked and aired times, drift, its spots.
struct BlockRow {
    QString booked;
    QString aired;  // empty when none of its spots went on air
    QString drift;  // "+3:12"; empty when never aired
    QString titles;
    bool overLimit = false;
};

std::vector<BlockRow> blockRows(const std::vector<AdvertBlock>& blocks, std::int64_t driftLimitMs);

// The notice's text, e.g. "Nie wstawiono spotów: 2, zdublowano: 1"; the spots of length 0
// are named after them when there are any.
QString placementNoticeText(const PlacementCounts& counts);

// The status panel's notice: a red-on-light button, hidden until a compile needs it.
QPushButton* makePlacementNotice(QWidget* panel);

// The modal list behind the notice: the spots to check, the advert blocks booked against
// aired, and the day's checks, each on a page of its own; OK, and "Podgląd dnia" when
// `showDay` is given.
class PlacementListDialog : public QDialog {
    Q_OBJECT
public:
    PlacementListDialog(const QString& summary, const std::vector<PlacementRow>& rows,
                        QWidget* parent = nullptr, const std::vector<BlockRow>& blocks = {},
                        const QString& dayChecks = {}, std::function<void()> showDay = {});
};

}  // namespace kalmero
