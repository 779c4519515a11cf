#include "ui/placement_notice.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStringList>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "model/czas.h"
#include "platform/encoding.h"
#include "ui/pictures.h"
#include "ui/read_only_table.h"

namespace kalmero {

namespace {

const QString kNoAudio = QStringLiteral("brak pliku albo plik nieczytelny");

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
    // The measuring's own words ("brak pliku") say more exactly why a length is 0, and
    // saying both would name the cause twice.
    const QString detail = QString::fromStdString(entry.reasonDetail);
    if (entry.silent) {
        parts << QStringLiteral("długość 0 ms: ") + (detail.isEmpty() ? kNoAudio : detail);
    }
    if (entry.suspicious) {
        parts << QStringLiteral("podejrzana długość: dłuższy niż limit w kalmero.ini");
    }
    if (!detail.isEmpty() && !entry.silent) {
        parts << detail;
    }
    return parts.join(QStringLiteral("; "));
}

// The blocks' page: booked, aired, drift and spots; blocks past the limit in red.
QTableWidget* makeBlockTable(const std::vector<BlockRow>& blocks, QWidget* parent) {
    const QStringList headers = {QStringLiteral("zamówiony"), QStringLiteral("nadany"),
                                 QStringLiteral("przesunięcie"), QStringLiteral("spoty")};
    auto* table = new ReadOnlyTable(headers, static_cast<int>(blocks.size()),
                                    QStringLiteral("BlockTable"), parent);
    for (int r = 0; r < table->rowCount(); ++r) {
        const BlockRow& row = blocks[static_cast<std::size_t>(r)];
        const QString aired = row.aired.isEmpty() ? QStringLiteral("nienadany") : row.aired;
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
                                             const std::vector<std::string>& problems,
                                             const std::vector<std::size_t>& unaccounted) {
    std::vector<PlacementEntry> entries;
    for (std::size_t i = 0; i < report.size(); ++i) {
        if (!report.needsAttention(i) &&
            !std::binary_search(unaccounted.begin(), unaccounted.end(), i)) {
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

std::vector<BlockRow> blockRows(const std::vector<AdvertBlock>& blocks,
                                const DayCheckLimits& limits) {
    std::vector<const AdvertBlock*> byTime;
    byTime.reserve(blocks.size());
    for (const AdvertBlock& block : blocks) {
        byTime.push_back(&block);
    }
    std::stable_sort(byTime.begin(), byTime.end(), [](const AdvertBlock* a, const AdvertBlock* b) {
        return a->booked < b->booked;
    });
    std::vector<BlockRow> rows;
    rows.reserve(blocks.size());
    for (const AdvertBlock* sorted : byTime) {
        const AdvertBlock& block = *sorted;
        BlockRow row;
        row.booked = QString::fromStdString(clockText(block.booked));
        if (const auto drift = block.drift()) {
            row.aired = QString::fromStdString(clockText(*block.aired));
            row.drift = QString::fromStdString(driftText(*drift));
            row.overLimit = limits.driftTooFar(*drift);
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

QString noticeHeadline(const std::vector<Finding>& found) {
    if (found.empty()) {
        return QStringLiteral("Bez uwag");
    }
    const QString first = QString::fromStdString(found.front().text);
    return found.size() == 1 ? first
                             : first + QStringLiteral("; jeszcze ") +
                                   QString::fromStdString(
                                       countedText(found.size() - 1, "uwaga", "uwagi", "uwag"));
}

QPushButton* makePlacementNotice(QWidget* panel) {
    auto* notice = new QPushButton(warningIcon(), QString(), panel);
    notice->setObjectName(QStringLiteral("PlacementNotice"));
    notice->setToolTip(QStringLiteral("Pokaż listę spotów, bloków reklam i kontroli dnia (%1)")
                           .arg(QKeySequence(kPlacementNoticeKey).toString()));
    notice->setCursor(Qt::PointingHandCursor);
    // A stop after the window's own controls; Enter opens it like Space, as on a dialog.
    notice->setFocusPolicy(Qt::StrongFocus);
    notice->setAutoDefault(true);
    notice->setIconSize(QSize(14, 14));
    QFont bold = notice->font();
    bold.setBold(true);
    notice->setFont(bold);
    setNoticeHeadline(notice, QString(), false);
    notice->hide();
    return notice;
}

void setNoticeHeadline(QPushButton* notice, const QString& headline, bool quiet) {
    notice->setText(headline);
    notice->setIcon(quiet ? okIcon() : warningIcon());
    // The focus frame is drawn by the style sheet: a button with one draws none of its own.
    notice->setStyleSheet(
        quiet ? QStringLiteral(
                    "QPushButton { color: #305030; background: #f2f6f2; border: 1px solid #a0b8a0;"
                    " border-radius: 3px; padding: 1px 8px; font-weight: normal; }"
                    "QPushButton:hover { background: #e4ede4; }"
                    "QPushButton:focus { border: 2px solid #2060c0; padding: 0px 7px; }")
              : QStringLiteral(
                    "QPushButton { color: #b00000; background: #fff0f0; border: 1px solid #d04040;"
                    " border-radius: 3px; padding: 1px 8px; }"
                    "QPushButton:hover { background: #ffdcdc; }"
                    "QPushButton:pressed { background: #ffc8c8; }"
                    "QPushButton:focus { border: 2px solid #2060c0; padding: 0px 7px; }"));
}

PlacementListDialog::PlacementListDialog(const QString& summary,
                                         const std::vector<PlacementRow>& rows, QWidget* parent,
                                         const std::vector<BlockRow>& blocks,
                                         const QString& dayChecks, std::function<void()> showDay)
    : PlacementListDialog(
          PlacementList{summary, rows, blocks, dayChecks, dayChecks.isEmpty(), {}, {}}, parent,
          std::move(showDay)) {}

PlacementListDialog::PlacementListDialog(const PlacementList& list, QWidget* parent,
                                         std::function<void()> showDay,
                                         std::function<void()> correct)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_pages(new QTabWidget(this)) {
    setObjectName(QStringLiteral("PlacementList"));
    m_pages->setObjectName(QStringLiteral("PlacementPages"));

    auto* heading = new QLabel(list.headline, this);
    heading->setObjectName(QStringLiteral("PlacementSummary"));
    heading->setWordWrap(true);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);

    QTableWidget* spots = addSpotsPage(list.spots);
    if (!list.blocks.empty()) {
        m_pages->addTab(makeBlockTable(list.blocks, m_pages), QStringLiteral("Bloki reklam"));
    }
    if (!list.dayChecks.isEmpty()) {
        auto* checks = new QPlainTextEdit(list.dayChecks, m_pages);
        checks->setObjectName(QStringLiteral("DayChecks"));
        checks->setReadOnly(true);
        checks->setTabChangesFocus(true);
        m_pages->addTab(checks, QStringLiteral("Kontrola dnia"));
    }
    QWidget* loudnessPage = nullptr;
    if (!list.loudness.empty()) {
        loudnessPage = makeLoudnessPage(list.loudness, list.programme, m_pages);
        m_pages->addTab(loudnessPage, QStringLiteral("Głośność"));
    }
    addButtons(showDay);
    const bool loud = std::any_of(list.loudness.begin(), list.loudness.end(),
                                  [](const LoudnessRow& row) { return row.outside; }) ||
                      std::any_of(list.programme.begin(), list.programme.end(),
                                  [](const ProgrammeRow& row) { return row.tooLoud; });
    if (correct && loud && loudnessPage != nullptr) {
        addCorrectButton(loudnessPage, correct);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_pages);
    layout->addWidget(m_buttons);

    connect(m_pages, &QTabWidget::currentChanged, this,
            [this](int page) { setWindowTitle(m_pages->tabText(page)); });
    openFirstPageWithFindings(list);
    setWindowTitle(m_pages->tabText(m_pages->currentIndex()));
    addPageKeys();
    fitToTexts(spots, list);
    m_ok->setFocus();
}

QTableWidget* PlacementListDialog::addSpotsPage(const std::vector<PlacementRow>& rows) {
    const QStringList headers = {QStringLiteral("czas bloku"), QStringLiteral("tytuł"),
                                 QStringLiteral("plik"),       QStringLiteral("długość"),
                                 QStringLiteral("wstawiono"),  QStringLiteral("powód")};
    auto* table = new ReadOnlyTable(headers, static_cast<int>(rows.size()),
                                    QStringLiteral("PlacementTable"), m_pages);
    // Columns are measured on one line; wrapping is turned on once they have their widths.
    table->setWordWrap(false);
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
    m_pages->addTab(table, QStringLiteral("Spoty do sprawdzenia (%1)").arg(rows.size()));
    return table;
}

void PlacementListDialog::addPageKeys() {
    // Wherever the focus is, as in a browser's tabs; the tab bar alone knows them only while
    // it holds the focus.
    const auto turn = [this](int by) {
        const int count = m_pages->count();
        m_pages->setCurrentIndex((m_pages->currentIndex() + by + count) % count);
    };
    const QKeySequence next[] = {QKeySequence(Qt::CTRL | Qt::Key_Tab),
                                 QKeySequence(Qt::CTRL | Qt::Key_PageDown)};
    const QKeySequence previous[] = {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
                                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
                                     QKeySequence(Qt::CTRL | Qt::Key_PageUp)};
    for (const QKeySequence& key : next) {
        connect(new QShortcut(key, this), &QShortcut::activated, this, [turn] { turn(1); });
    }
    for (const QKeySequence& key : previous) {
        connect(new QShortcut(key, this), &QShortcut::activated, this, [turn] { turn(-1); });
    }
    m_pages->tabBar()->setToolTip(
        QStringLiteral("Ctrl+Tab, Ctrl+PgDn: następna strona; Ctrl+Shift+Tab, Ctrl+PgUp: "
                       "poprzednia"));
}

void PlacementListDialog::addButtons(const std::function<void()>& showDay) {
    m_buttons = new QDialogButtonBox(this);
    m_ok = m_buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName(QStringLiteral("PlacementOk"));
    m_ok->setIcon(okIcon());
    m_ok->setDefault(true);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    if (showDay) {
        QPushButton* day =
            m_buttons->addButton(QStringLiteral("Podgląd dnia"), QDialogButtonBox::ActionRole);
        day->setObjectName(QStringLiteral("PlacementDayView"));
        connect(day, &QPushButton::clicked, this, [this, showDay] {
            accept();
            showDay();
        });
    }
}

void PlacementListDialog::addCorrectButton(QWidget* page, const std::function<void()>& correct) {
    QPushButton* button =
        m_buttons->addButton(QStringLiteral("Popraw głośność"), QDialogButtonBox::ActionRole);
    button->setObjectName(QStringLiteral("PlacementCorrect"));
    button->setToolTip(
        QStringLiteral("Ctrl+L: obniżone kopie głośnych spotów do wyniku (najpierw pytanie)"));
    const auto run = [this, correct] {
        accept();
        correct();
    };
    connect(button, &QPushButton::clicked, this, run);
    auto* key = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    connect(key, &QShortcut::activated, this, [this, page, run] {
        if (m_pages->currentWidget() == page) {
            run();
        }
    });
    const auto follow = [this, page, button] {
        button->setVisible(m_pages->currentWidget() == page);
    };
    connect(m_pages, &QTabWidget::currentChanged, this, follow);
    follow();
}

void PlacementListDialog::openFirstPageWithFindings(const PlacementList& list) {
    const bool blocksAstray =
        std::any_of(list.blocks.begin(), list.blocks.end(),
                    [](const BlockRow& row) { return row.overLimit || row.aired.isEmpty(); });
    QWidget* page = nullptr;
    const bool loud = std::any_of(list.loudness.begin(), list.loudness.end(),
                                  [](const LoudnessRow& row) { return row.outside; }) ||
                      std::any_of(list.programme.begin(), list.programme.end(),
                                  [](const ProgrammeRow& row) { return row.tooLoud; });
    if (!list.spots.empty()) {
        page = findChild<QWidget*>(QStringLiteral("PlacementTable"));
    } else if (loud && !blocksAstray) {
        page = findChild<QWidget*>(QStringLiteral("LoudnessPage"));
    } else if (blocksAstray || (list.dayChecksClean && !list.blocks.empty())) {
        // On a day with nothing to check the blocks are what is worth a look.
        page = findChild<QWidget*>(QStringLiteral("BlockTable"));
    } else {
        page = findChild<QWidget*>(QStringLiteral("DayChecks"));
    }
    if (page != nullptr) {
        m_pages->setCurrentWidget(page);
    }
}

void PlacementListDialog::fitToTexts(QTableWidget* table, const PlacementList& list) {
    // The dialog grows with its texts up to about the main window's width; a long path is
    // then cut in the middle and a long reason wraps, so no column is pushed out of sight.
    const QMargins margins = layout()->contentsMargins();
    const int frame = table->frameWidth() * 2 + margins.left() + margins.right() + 8;
    const int reason = table->columnCount() - 1;
    int others = 0;
    for (int c = 0; c < reason; ++c) {
        others += table->columnWidth(c);
    }
    const int dialogWidth = std::clamp(frame + others + table->columnWidth(reason),
                                       list.blocks.empty() ? 480 : 680, 960);
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
    table->setMinimumHeight(
        table->horizontalHeader()->sizeHint().height() + table->frameWidth() * 2 +
        std::max(rowsHeight, list.blocks.empty() && list.dayChecks.isEmpty() ? 60 : 240));
    resize(dialogWidth, minimumSizeHint().height());
}

}  // namespace kalmero
