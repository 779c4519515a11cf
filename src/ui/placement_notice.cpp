#include "ui/placement_notice.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "model/czas.h"
#include "platform/encoding.h"
#include "ui/pictures.h"

namespace kalmero {

namespace {

QString decoded(const TPozycja& spot, Field field) {
    return QString::fromStdString(cp1250ToUtf8(spot.value(field)));
}

QString placementReason(const PlacementEntry& entry) {
    QStringList parts;
    switch (entry.placement) {
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
                         .arg(entry.timesPlaced);
            break;
    }
    if (entry.silent) {
        parts << QStringLiteral("długość 0 ms: brak pliku albo plik nieczytelny");
    }
    if (entry.suspicious) {
        parts << QStringLiteral("podejrzana długość: dłuższy niż limit w kalmero.ini");
    }
    if (!entry.reasonDetail.empty()) {
        parts << QString::fromStdString(entry.reasonDetail);
    }
    return parts.join(QStringLiteral("; "));
}

// The blocks' page: booked, aired, drift and spots; blocks past the limit in red.
QTableWidget* makeBlockTable(const std::vector<BlockRow>& blocks, QWidget* parent) {
    const QStringList headers = {QStringLiteral("zamówiony"), QStringLiteral("emisja"),
                                 QStringLiteral("przesunięcie"), QStringLiteral("spoty")};
    auto* table = new QTableWidget(static_cast<int>(blocks.size()), headers.size(), parent);
    table->setObjectName(QStringLiteral("BlockTable"));
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setAlternatingRowColors(true);
    table->verticalHeader()->hide();
    for (int r = 0; r < table->rowCount(); ++r) {
        const BlockRow& row = blocks[static_cast<std::size_t>(r)];
        const QString aired = row.aired.isEmpty() ? QStringLiteral("nie wyemitowano") : row.aired;
        const QString cells[] = {row.booked, aired, row.drift, row.titles};
        for (int c = 0; c < headers.size(); ++c) {
            auto* cell = new QTableWidgetItem(cells[c]);
            cell->setToolTip(cells[c]);
            if (c == 2) {
                cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            if (row.overLimit || row.aired.isEmpty()) {
                cell->setForeground(QColor(176, 0, 0));
            }
            table->setItem(r, c, cell);
        }
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

}  // namespace

std::vector<PlacementEntry> placementEntries(const PlacementReport& report,
                                             const std::vector<std::string>& problems) {
    std::vector<PlacementEntry> entries;
    for (std::size_t i = 0; i < report.size(); ++i) {
        if (!report.needsAttention(i)) {
            continue;
        }
        entries.push_back({report.spot(i), report.timesPlaced(i), report.placement(i),
                           report.silent(i), report.suspicious(i),
                           i < problems.size() ? problems[i] : std::string()});
    }
    return entries;
}

std::vector<PlacementRow> placementRows(const std::vector<PlacementEntry>& entries) {
    std::vector<PlacementRow> rows;
    rows.reserve(entries.size());
    for (const PlacementEntry& entry : entries) {
        const TPozycja& spot = entry.spot;
        rows.push_back({decoded(spot, Field::Emi), decoded(spot, Field::Tyt),
                        decoded(spot, Field::Adr),
                        QString::fromStdString(CzasTrwString(spot.CzasNwK)), entry.timesPlaced,
                        placementReason(entry)});
    }
    return rows;
}

std::vector<PlacementRow> placementRows(const PlacementReport& report) {
    return placementRows(placementEntries(report));
}

std::vector<BlockRow> blockRows(const std::vector<AdvertBlock>& blocks, std::int64_t driftLimitMs) {
    std::vector<BlockRow> rows;
    rows.reserve(blocks.size());
    for (const AdvertBlock& block : blocks) {
        BlockRow row;
        row.booked = QString::fromStdString(CzasStartString(block.booked));
        if (const auto drift = block.drift()) {
            row.aired = QString::fromStdString(CzasStartString(*block.aired));
            row.drift = QString::fromStdString(driftText(*drift));
            row.overLimit = *drift > driftLimitMs || *drift < -driftLimitMs;
        }
        QStringList titles;
        for (const std::string& title : block.titles) {
            titles << QString::fromStdString(cp1250ToUtf8(title));
        }
        row.titles = titles.join(QStringLiteral(", "));
        rows.push_back(std::move(row));
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
                                         const std::vector<PlacementRow>& rows, QWidget* parent,
                                         const std::vector<BlockRow>& blocks,
                                         const QString& dayChecks, std::function<void()> showDay)
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
    auto* pages = new QTabWidget(this);
    pages->setObjectName(QStringLiteral("PlacementPages"));
    auto* table = new QTableWidget(static_cast<int>(rows.size()), headers.size(), pages);
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
    if (showDay) {
        QPushButton* day =
            buttons->addButton(QStringLiteral("Podgląd dnia"), QDialogButtonBox::ActionRole);
        day->setObjectName(QStringLiteral("PlacementDayView"));
        connect(day, &QPushButton::clicked, this, [this, showDay] {
            accept();
            showDay();
        });
    }

    pages->addTab(table, QStringLiteral("Spoty do sprawdzenia (%1)").arg(rows.size()));
    if (!blocks.empty()) {
        pages->addTab(makeBlockTable(blocks, pages), QStringLiteral("Bloki reklam"));
    }
    if (!dayChecks.isEmpty()) {
        auto* checks = new QPlainTextEdit(dayChecks, pages);
        checks->setObjectName(QStringLiteral("DayChecks"));
        checks->setReadOnly(true);
        pages->addTab(checks, QStringLiteral("Kontrola dnia"));
    }
    // Opens on the first page with something on it.
    if (rows.empty() && pages->count() > 1) {
        pages->setCurrentIndex(1);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(pages);
    layout->addWidget(buttons);
    ok->setFocus();

    // The dialog grows with its texts up to about the main window's width; a long path is
    // then cut in the middle and a long reason wraps, so no column is pushed out of sight.
    const QMargins margins = layout->contentsMargins();
    const int frame = table->frameWidth() * 2 + margins.left() + margins.right() + 8;
    const int reason = headers.size() - 1;
    int others = 0;
    for (int c = 0; c < reason; ++c) {
        others += table->columnWidth(c);
    }
    const int dialogWidth =
        std::clamp(frame + others + table->columnWidth(reason), blocks.empty() ? 480 : 680, 960);
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
    // The other pages need room too: a day has blocks from morning to evening.
    table->setMinimumHeight(table->horizontalHeader()->sizeHint().height() +
                            table->frameWidth() * 2 +
                            std::max(rowsHeight, blocks.empty() && dayChecks.isEmpty() ? 60 : 240));
    resize(dialogWidth, minimumSizeHint().height());
}

}  // namespace kalmero
