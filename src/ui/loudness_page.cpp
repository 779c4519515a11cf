#include "ui/loudness_page.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>
#include <limits>

#include "compiler/day_report.h"
#include "platform/encoding.h"
#include "ui/day_picture.h"
#include "ui/read_only_table.h"

namespace kalmero {

namespace {

const QColor kOutside(176, 0, 0);

QString decoded(const TPozycja& spot, Field field) {
    return QString::fromStdString(cp1250ToUtf8(spot.value(field)));
}

// A figure's cell: shown to one decimal, sorted by its value, an unmeasured one lowest.
class FigureItem : public QTableWidgetItem {
public:
    explicit FigureItem(std::optional<double> figure)
        : QTableWidgetItem(QString::fromStdString(formatLoudnessFigure(figure))) {
        setData(Qt::UserRole, figure ? *figure : -std::numeric_limits<double>::infinity());
        setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    bool operator<(const QTableWidgetItem& other) const override {
        return data(Qt::UserRole).toDouble() < other.data(Qt::UserRole).toDouble();
    }
};

// Dead air is marked as a spot too loud is: neither may go on air as it is.
bool outsideTargets(const LoudnessVerdict& verdict) { return verdict.tooLoud || verdict.silent; }

}  // namespace

std::vector<LoudnessRow> loudnessRows(const Lista& spots, const DayLoudness& loudness) {
    std::vector<LoudnessRow> rows;
    if (!loudness.delivered()) {
        return rows;
    }
    rows.reserve(spots.size());
    for (std::size_t i = 0; i < spots.size(); ++i) {
        LoudnessRow row;
        row.block = decoded(spots[i], Field::Emi);
        row.title = decoded(spots[i], Field::Tyt);
        row.path = decoded(spots[i], Field::Adr);
        if (const SpotLoudness* figures = loudness.spot(i)) {
            row.integratedLufs = figures->integratedLufs;
            row.maxShortTermLufs = figures->maxShortTermLufs;
            row.truePeakDbtp = figures->truePeakDbtp;
            row.reason = QString::fromStdString(loudness.verdict(i).reason);
            row.outside = outsideTargets(loudness.verdict(i));
        } else {
            row.reason = QStringLiteral("nie zmierzono");
        }
        // The locator's words for a drive no map line covers.
        if (row.reason.contains(QStringLiteral("brak mapowania dla "))) {
            row.reason += QString::fromUtf8(kSetPathMap);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

QTableWidget* makeLoudnessTable(const std::vector<LoudnessRow>& rows, QWidget* parent) {
    const QStringList headers = {
        QStringLiteral("czas bloku"),        QStringLiteral("tytuł"),
        QStringLiteral("zintegrowana LUFS"), QStringLiteral("maks. krótkoterminowa LUFS"),
        QStringLiteral("szczyt dBTP"),       QStringLiteral("powód")};
    auto* table = new ReadOnlyTable(headers, static_cast<int>(rows.size()),
                                    QStringLiteral("LoudnessTable"), parent);
    table->setToolTip(
        QStringLiteral(
            "Głośność każdego spotu według EBU R 128 (ITU-R BS.1770): zintegrowana, największa "
            "krótkoterminowa (okno 3 s) i szczyt rzeczywisty. Spot mono mierzony jest tak, jak "
            "idzie na antenę: na obu kanałach. Kliknij nagłówek kolumny, by posortować. ") +
        ReadOnlyTable::sortKeysTip(static_cast<int>(headers.size())));
    for (int r = 0; r < table->rowCount(); ++r) {
        const LoudnessRow& row = rows[static_cast<std::size_t>(r)];
        QTableWidgetItem* cells[] = {
            new QTableWidgetItem(row.block),    new QTableWidgetItem(row.title),
            new FigureItem(row.integratedLufs), new FigureItem(row.maxShortTermLufs),
            new FigureItem(row.truePeakDbtp),   new QTableWidgetItem(row.reason)};
        cells[1]->setToolTip(row.path);
        cells[5]->setToolTip(row.reason);
        for (int c = 0; c < headers.size(); ++c) {
            if (row.outside) {
                cells[c]->setForeground(kOutside);
            }
            table->setItem(r, c, cells[c]);
        }
    }
    table->setSortingEnabled(true);
    table->sortByColumn(0, Qt::AscendingOrder);
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

std::vector<ProgrammeRow> programmeRows(const std::vector<BlockAgainstProgramme>& comparisons) {
    std::vector<ProgrammeRow> rows;
    rows.reserve(comparisons.size());
    for (const BlockAgainstProgramme& comparison : comparisons) {
        ProgrammeRow row;
        row.block = QString::fromStdString(shortClockText(comparison.booked));
        row.blockLufs = comparison.blockLufs;
        row.programmeLufs = comparison.programmeLufs;
        row.aboveLu = comparison.aboveLu;
        row.tooLoud = comparison.tooLoud;
        row.finding = QString::fromStdString(programmeFindingText(comparison));
        row.note = comparison.tooLoud ? QStringLiteral("głośniejszy od programu")
                                      : QString::fromStdString(noComparisonText(comparison));
        rows.push_back(std::move(row));
    }
    return rows;
}

QWidget* makeLoudnessPage(const std::vector<LoudnessRow>& spots,
                          const std::vector<ProgrammeRow>& blocks, QWidget* parent) {
    auto* page = new QWidget(parent);
    page->setObjectName(QStringLiteral("LoudnessPage"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(makeLoudnessTable(spots, page), 3);
    if (blocks.empty()) {
        return page;
    }
    layout->addWidget(new QLabel(QStringLiteral("Bloki reklam a program wokół nich:"), page));
    const QStringList headers = {QStringLiteral("blok"), QStringLiteral("blok LUFS"),
                                 QStringLiteral("program LUFS"), QStringLiteral("różnica LU"),
                                 QStringLiteral("uwagi")};
    auto* table = new ReadOnlyTable(headers, static_cast<int>(blocks.size()),
                                    QStringLiteral("ProgrammeTable"), page);
    table->setToolTip(QStringLiteral(
        "Głośność zintegrowana każdego bloku (jego spoty jeden po drugim) i programu nadanego "
        "przed nim i po nim (okno OknoProgramuMinuty w sekcji Kontrola)."));
    for (int r = 0; r < table->rowCount(); ++r) {
        const ProgrammeRow& row = blocks[static_cast<std::size_t>(r)];
        QTableWidgetItem* cells[] = {new QTableWidgetItem(row.block), new FigureItem(row.blockLufs),
                                     new FigureItem(row.programmeLufs), new FigureItem(row.aboveLu),
                                     new QTableWidgetItem(row.note)};
        cells[4]->setToolTip(row.finding);
        for (int c = 0; c < headers.size(); ++c) {
            if (row.tooLoud) {
                cells[c]->setForeground(kOutside);
            }
            table->setItem(r, c, cells[c]);
        }
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table, 1);
    return page;
}

void markLoudSpots(DayPicture& picture, const std::vector<std::size_t>& origins,
                   const DayLoudness& loudness) {
    for (std::size_t r = 0; r < origins.size(); ++r) {
        const LoudnessVerdict& verdict = loudness.verdict(origins[r]);
        if (outsideTargets(verdict)) {
            picture.markLoud(r, QString::fromStdString(verdict.reason));
        }
    }
}

void markCorrectedSpots(DayPicture& picture, const std::vector<std::size_t>& origins,
                        const std::vector<SpotCorrection>& corrections) {
    for (std::size_t r = 0; r < origins.size(); ++r) {
        if (origins[r] < corrections.size() && corrections[origins[r]].used) {
            picture.markCorrected(r,
                                  QString::fromStdString(correctionText(corrections[origins[r]])));
        }
    }
}

}  // namespace kalmero
