#include "ui/placement_notice.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "model/czas.h"
#include "platform/encoding.h"
#include "ui/pictures.h"

namespace kalmero {

namespace {

QString decoded(const TPozycja& spot, Pole field) {
    return QString::fromStdString(cp1250ToUtf8(spot.value(field)));
}

QString placementReason(const PlacementReport& report, std::size_t i) {
    QStringList parts;
    switch (report.placement(i)) {
        case Placement::Once:
            break;
        case Placement::NoWindow:
            parts << QStringLiteral("nie wstawiono: czas bloku nie wypada w oknie żadnej pozycji");
            break;
        case Placement::UnderDJ:
            parts << QStringLiteral("nie wstawiono: czas bloku wypada w pozycji DJ_");
            break;
        case Placement::Doubled:
            parts << QStringLiteral("wstawiono %1 razy: czas bloku wypada w oknach %1 pozycji")
                         .arg(report.timesPlaced(i));
            break;
    }
    if (report.silent(i)) {
        parts << QStringLiteral("długość 0 ms: brak pliku albo plik nieczytelny");
    }
    return parts.join(QStringLiteral("; "));
}

}  // namespace

std::vector<PlacementRow> placementRows(const PlacementReport& report) {
    std::vector<PlacementRow> rows;
    for (std::size_t i = 0; i < report.size(); ++i) {
        if (!report.needsAttention(i)) {
            continue;
        }
        const TPozycja& spot = report.spot(i);
        rows.push_back({decoded(spot, Pole::Emi), decoded(spot, Pole::Tyt),
                        decoded(spot, Pole::Adr),
                        QString::fromStdString(CzasTrwString(spot.CzasNwK)), report.timesPlaced(i),
                        placementReason(report, i)});
    }
    return rows;
}

QString placementNoticeText(const PlacementCounts& counts) {
    QString text = QStringLiteral("Nie wstawiono spotów: %1, zdublowano: %2")
                       .arg(counts.never)
                       .arg(counts.doubled);
    if (counts.silent > 0) {
        text += QStringLiteral(", o długości 0 ms: %1").arg(counts.silent);
    }
    return text;
}

QPushButton* makePlacementNotice(QWidget* panel) {
    auto* notice = new QPushButton(warningIcon(), QString(), panel);
    notice->setObjectName(QStringLiteral("PlacementNotice"));
    notice->setToolTip(QStringLiteral("Pokaż listę spotów do sprawdzenia"));
    notice->setCursor(Qt::PointingHandCursor);
    notice->setFocusPolicy(Qt::NoFocus);
    notice->setIconSize(QSize(14, 14));
    QFont bold = notice->font();
    bold.setBold(true);
    notice->setFont(bold);
    notice->setStyleSheet(QStringLiteral(
        "QPushButton { color: #b00000; background: #fff0f0; border: 1px solid #d04040;"
        " border-radius: 3px; padding: 1px 8px; }"
        "QPushButton:hover { background: #ffdcdc; }"
        "QPushButton:pressed { background: #ffc8c8; }"));
    notice->hide();
    return notice;
}

PlacementListDialog::PlacementListDialog(const QString& summary,
                                         const std::vector<PlacementRow>& rows, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("PlacementList"));
    setWindowTitle(QStringLiteral("Spoty do sprawdzenia"));

    auto* heading = new QLabel(summary, this);
    heading->setObjectName(QStringLiteral("PlacementSummary"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);

    const QStringList headers = {QStringLiteral("czas bloku"), QStringLiteral("tytuł"),
                                 QStringLiteral("plik"),       QStringLiteral("długość"),
                                 QStringLiteral("wstawiono"),  QStringLiteral("powód")};
    auto* table = new QTableWidget(static_cast<int>(rows.size()), headers.size(), this);
    table->setObjectName(QStringLiteral("PlacementTable"));
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setAlternatingRowColors(true);
    // Columns are measured on one line; wrapping is turned on once they have their widths.
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    for (int r = 0; r < table->rowCount(); ++r) {
        const PlacementRow& row = rows[static_cast<std::size_t>(r)];
        const QString cells[] = {
            row.block, row.title, row.path, row.length, QString::number(row.timesPlaced),
            row.reason};
        for (int c = 0; c < headers.size(); ++c) {
            auto* cell = new QTableWidgetItem(cells[c]);
            cell->setToolTip(cells[c]);
            if (c == 3 || c == 4) {
                cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            table->setItem(r, c, cell);
        }
    }
    table->resizeColumnsToContents();
    table->setColumnWidth(2, std::min(table->columnWidth(2), 260));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("PlacementOk"));
    ok->setIcon(okIcon());
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(table);
    layout->addWidget(buttons);
    ok->setFocus();

    // The dialog grows with its texts up to about the main window's width; a long path is
    // then cut in the middle and a long reason wraps, so no column is pushed out of sight.
    const QMargins margins = layout->contentsMargins();
    const int frame = table->frameWidth() * 2 + margins.left() + margins.right();
    const int reason = headers.size() - 1;
    int others = 0;
    for (int c = 0; c < reason; ++c) {
        others += table->columnWidth(c);
    }
    const int dialogWidth = std::clamp(frame + others + table->columnWidth(reason), 480, 960);
    table->setColumnWidth(reason, std::max(dialogWidth - frame - others, 150));
    table->horizontalHeader()->setStretchLastSection(true);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setTextElideMode(Qt::ElideMiddle);
    table->setWordWrap(true);
    table->resizeRowsToContents();
    int rowsHeight = 0;
    for (int r = 0; r < std::min(table->rowCount(), 14); ++r) {
        rowsHeight += table->rowHeight(r);
    }
    table->setMinimumHeight(table->horizontalHeader()->sizeHint().height() +
                            table->frameWidth() * 2 + std::max(rowsHeight, 60));
    resize(dialogWidth, minimumSizeHint().height());
}

}  // namespace kalmero
