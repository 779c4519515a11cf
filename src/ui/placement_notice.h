#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "compiler/day_report.h"
#include "compiler/findings.h"
#include "compiler/placement_report.h"
#include "ui/loudness_page.h"

class QDialogButtonBox;
class QPushButton;
class QTableWidget;
class QTabWidget;
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
// or suspiciously long, or among `unaccounted`, sorted), in list order.
std::vector<PlacementEntry> placementEntries(const PlacementReport& report,
                                             const std::vector<std::string>& problems = {},
                                             const std::vector<std::size_t>& unaccounted = {});

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

// The blocks by booked time (an advert list need not be in order), those booked at the
// same time in list order.
std::vector<BlockRow> blockRows(const std::vector<AdvertBlock>& blocks,
                                const DayCheckLimits& limits);

// The notice's text, e.g. "Nie wstawiono spotów: 2, zdublowano: 1"; the spots of length 0
// are named after them when there are any.
QString placementNoticeText(const PlacementCounts& counts);

// The notice's first line from the session's findings, in their order: the first, then how
// many more; "Bez uwag" only when there are none.
QString noticeHeadline(const std::vector<Finding>& found);

// The key that opens the notice's list from anywhere in the main window.
inline constexpr Qt::Key kPlacementNoticeKey = Qt::Key_F8;

// The status panel's notice, hidden until a compile: a button reached with Tab and opened
// with Enter, Space, a click or kPlacementNoticeKey (which the main window binds to its
// click()).
QPushButton* makePlacementNotice(QWidget* panel);
// Shows `headline` on the notice: red with a warning sign, or quiet (grey with a tick) on a
// day with nothing to check, whose list is still worth opening for its blocks.
void setNoticeHeadline(QPushButton* notice, const QString& headline, bool quiet);

// What the list behind the notice shows.
struct PlacementList {
    QString headline;                 // above the pages
    std::vector<PlacementRow> spots;  // the spots to check
    std::vector<BlockRow> blocks;     // every advert block, booked against aired
    QString dayChecks;                // the day's checks as text; no page when empty
    bool dayChecksClean = true;       // the checks found nothing
    // Every spot's loudness; no page when empty (not measured yet).
    std::vector<LoudnessRow> loudness;
    // The compiled day's blocks against their programme, on the same page.
    std::vector<ProgrammeRow> programme;
};

// The modal list behind the notice: the spots to check, the advert blocks booked against
// aired, and the day's checks, each on a page of its own, opened on the first page with
// something to look at; OK, and "Podgląd dnia" when `showDay` is given; on the loudness page
// with loud spots or blocks, "Popraw głośność" (Ctrl+L) when `correct` is given, which closes
// the list and calls it. The window's title names the page shown.
class PlacementListDialog : public QDialog {
    Q_OBJECT
public:
    explicit PlacementListDialog(const PlacementList& list, QWidget* parent = nullptr,
                                 std::function<void()> showDay = {},
                                 std::function<void()> correct = {});
    // The list of a day whose checks are only known as text: they count as findings when
    // there is any text.
    PlacementListDialog(const QString& summary, const std::vector<PlacementRow>& rows,
                        QWidget* parent = nullptr, const std::vector<BlockRow>& blocks = {},
                        const QString& dayChecks = {}, std::function<void()> showDay = {});

private:
    QTableWidget* addSpotsPage(const std::vector<PlacementRow>& rows);
    void addButtons(const std::function<void()>& showDay);
    // "Popraw głośność", shown while the loudness page `page` is.
    void addCorrectButton(QWidget* page, const std::function<void()>& correct);
    // Ctrl+Tab, Ctrl+PgDn and back switch the pages from anywhere in the dialog.
    void addPageKeys();
    void openFirstPageWithFindings(const PlacementList& list);
    void fitToTexts(QTableWidget* spots, const PlacementList& list);

    QTabWidget* m_pages;
    QDialogButtonBox* m_buttons = nullptr;
    QPushButton* m_ok = nullptr;
};

}  // namespace kalmero
