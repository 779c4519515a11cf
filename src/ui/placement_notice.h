#pragma once

#include <QDialog>
#include <QString>
#include <vector>

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

// The spots of `report` that need the operator's eye (not placed exactly once, or of length
// 0), in list order, their record texts decoded from Windows-1250. A copy, so the list
// stays that of its compile when another advert list is loaded.
std::vector<PlacementRow> placementRows(const PlacementReport& report);

// The notice's text, e.g. "Nie wstawiono spotów: 2, zdublowano: 1"; the spots of length 0
// are named after them when there are any.
QString placementNoticeText(const PlacementCounts& counts);

// The status panel's notice: a red-on-light button, hidden until a compile needs it.
QPushButton* makePlacementNotice(QWidget* panel);

// The modal list of spots behind the notice: a table and an OK button.
class PlacementListDialog : public QDialog {
    Q_OBJECT
public:
    PlacementListDialog(const QString& summary, const std::vector<PlacementRow>& rows,
                        QWidget* parent = nullptr);
};

}  // namespace kalmero
