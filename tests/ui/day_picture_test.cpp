#include "ui/day_picture.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <stdexcept>

#include "model/czas.h"
#include "support/picture_file.h"
#include "ui/day_view.h"
#include "ui/loudness_page.h"
#include "ui/ui_fixture.h"

namespace kalmero {
namespace {

constexpr std::int64_t kMinute = 60'000;

std::int64_t at(const std::string& time) { return CzasStartInt("Emi=" + time); }

TPozycja record(const std::string& time, std::int64_t length, const std::string& typ = "Typ=SND",
                const std::string& title = "Tyt=Song") {
    TPozycja r;
    r.set(Field::Emi, "Emi=" + time);
    r.set(Field::Typ, typ);
    r.set(Field::Tyt, title);
    r.set(Field::Wyk, "Wyk=Artist");
    r.CzasStart = at(time);
    r.CzasNwK = length;
    r.CzasGrania = length;
    return r;
}

DayPicture pictureOf(const Lista& result, const std::vector<AdvertBlock>& blocks = {}) {
    return DayPicture(result, blocks, checkDay(result, blocks, 0));
}

TEST(DayPicture, RowsAreTheDayAndTheHoursPastMidnight) {
    // The empty hours from 00 fold into one thin row, a single one doesn't.
    const struct {
        Lista result;
        int rows;
        int folded;
    } cases[] = {
        {{}, 24, 6},
        {{record("23:50:00.000", 10 * kMinute)}, 24, 6},
        {{record("23:50:00.000", 10 * kMinute + 1)}, 25, 6},
        {{record("23:00:00.000", 150 * kMinute)}, 26, 6},
        {{record("03:10:00.000", kMinute), record("06:00:00.000", kMinute)}, 24, 3},
        {{record("01:00:00.000", kMinute)}, 24, 0},
    };
    for (const auto& [result, rows, folded] : cases) {
        const DayPicture picture = pictureOf(result);
        EXPECT_EQ(picture.rowCount(), rows);
        EXPECT_EQ(picture.foldedRows(), folded);
        EXPECT_GT(picture.size().height(), rows * 20);
    }
}

// An early hour folds only when nothing is drawn in it: a block booked or aired there is
// drawn, a record running into it is drawn; two empty hours at least.
TEST(DayPicture, AnEarlyHourHoldingABlockIsNotFolded) {
    const Lista day = {record("06:00:00.000", kMinute)};
    const auto block = [](const std::string& booked, std::optional<std::string> aired) {
        AdvertBlock b;
        b.booked = at(booked);
        if (aired) {
            b.aired = at(*aired);
        }
        return b;
    };
    const struct {
        const char* name;
        Lista result;
        std::vector<AdvertBlock> blocks;
        int folded;
    } cases[] = {
        {"nothing early", day, {}, 6},
        {"booked at 03:30, never aired", day, {block("03:30:00.000", std::nullopt)}, 3},
        {"booked at 00:00", day, {block("00:00:00.000", std::nullopt)}, 0},
        {"booked at 01:59", day, {block("01:59:59.999", std::nullopt)}, 0},
        {"booked at 02:00", day, {block("02:00:00.000", std::nullopt)}, 2},
        {"booked at 06:00, aired at 04:10", day, {block("06:00:00.000", "04:10:00.000")}, 4},
        {"booked at 05:59", day, {block("05:59:00.000", "06:00:00.000")}, 5},
        {"a record running from 03:50 into 04:00", {record("03:50:00.000", 20 * kMinute)}, {}, 3},
        {"a record ending at 05:00", {record("04:50:00.000", 10 * kMinute)}, {}, 4},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DayPicture(c.result, c.blocks, DayChecks{}).foldedRows(), c.folded) << c.name;
    }
}

TEST(DayPicture, BarsStandAtTheirTimesAndAreFoundThere) {
    const Lista result = {
        record("07:00:00.000", 15 * kMinute),           record("07:15:00.000", 15 * kMinute),
        record("07:30:00.000", 28 * kMinute),           record("07:58:00.000", 6 * kMinute),
        record("08:04:00.000", 4 * kMinute, "Typ=REK"),
    };
    const DayPicture picture = pictureOf(result);
    const QRect seven = picture.barRect(0);
    const QRect quarter = picture.barRect(1);
    const QRect half = picture.barRect(2);
    const QRect crossing = picture.barRect(3);
    const QRect eight = picture.barRect(4);

    // Minutes run left to right at a fixed scale; hours run down one row each.
    EXPECT_EQ(quarter.top(), seven.top());
    EXPECT_EQ(half.left() - seven.left(), 2 * (quarter.left() - seven.left()));
    EXPECT_GT(eight.top(), seven.top());
    EXPECT_EQ(eight.left() - seven.left(), (quarter.left() - seven.left()) * 4 / 15);
    // The record over the full hour ends the row and goes on at the start of the next one.
    EXPECT_EQ(crossing.right() + 1, seven.left() + 4 * (quarter.left() - seven.left()));
    EXPECT_EQ(picture.itemAt(QPoint(seven.left() + 1, eight.center().y())), 3u);

    for (std::size_t i = 0; i < result.size(); ++i) {
        EXPECT_EQ(picture.itemAt(picture.barRect(i).center()), i) << i;
    }
    EXPECT_EQ(picture.itemAt(QPoint(seven.center().x(), seven.top() - 2 * seven.height())),
              std::nullopt);
    EXPECT_TRUE(picture.barRect(result.size()).isEmpty());
}

TEST(DayPicture, DescribesARecordInItsOwnLettersAndItsAdvertBlock) {
    // "Zażółć" in Windows-1250.
    const Lista result = {record("07:10:00.000", 8 * kMinute),
                          record("07:18:00.000", 30'000, "Typ=REK", "Tyt=Za\xbf\xf3\xb3\xe6")};
    std::vector<AdvertBlock> blocks(1);
    blocks[0].booked = at("07:15:00.000");
    blocks[0].spotCount = 1;
    blocks[0].placements = {{1}};
    blocks[0].aired = at("07:18:00.000");
    const DayPicture picture = pictureOf(result, blocks);
    EXPECT_EQ(picture.describe(1),
              QStringLiteral("07:18:00.000 – 07:18:30.000  (0:30)\nArtist – Zażółć\n"
                             "Blok reklam zamówiony na 07:15:00.000, przesunięcie +3:00"));
}

// A silent spot is marked as a loud one is: dead air is no more fit to go on air.
TEST(DayPicture, SpotsTooLoudOrSilentAreMarked) {
    const SpotLoudness within = test::spotFigures(-23.0, -3.0);
    const SpotLoudness loud = test::spotFigures(-23.0, -0.5);
    SpotLoudness silent;
    silent.decodedMs = 30'000;
    silent.leadingSilenceMs = silent.trailingSilenceMs = 30'000;
    const struct {
        SpotLoudness spot;
        QString mark;  // the description's last line; empty for none
    } cases[] = {
        {within, QString()},
        {loud, QStringLiteral("Głośność: za wysoki szczyt: -0.5 dBTP > -1")},
        {silent,
         QStringLiteral("Głośność: cisza: żadna próbka nie sięga -60.0 dBFS (same zera, 30.0 s)")},
    };
    for (const auto& c : cases) {
        DayPicture picture = pictureOf({record("07:18:00.000", 30'000, "Typ=REK")});
        const DayLoudness day(LoudnessPlan{{"a"}, {0}, {}}, {{c.spot}, {}}, LoudnessTargets{});
        markLoudSpots(picture, {0}, day);
        const QString text = picture.describe(0);
        const QString last = text.mid(text.lastIndexOf(QLatin1Char('\n')) + 1);
        EXPECT_EQ(last.startsWith(QStringLiteral("Głośność")) ? last : QString(), c.mark);
    }
}

TEST(DayPicture, WritesPngAndPdf) {
    QTemporaryDir folder;
    const DayPicture picture = pictureOf({record("06:00:00.000", 90 * kMinute)});
    for (const char* name : {"dzien.png", "dzien.PDF"}) {
        const QString path = folder.filePath(QString::fromLatin1(name));
        test::writePictureFile(picture, path);
        const std::string bytes = test::readBytes(path.toStdString());
        ASSERT_FALSE(bytes.empty()) << name;
        if (path.endsWith(QLatin1String("png"))) {
            EXPECT_EQ(QImage(path).size(), picture.size());
        } else {
            EXPECT_EQ(bytes.substr(0, 5), "%PDF-");
        }
    }
    EXPECT_THROW(test::writePictureFile(picture, folder.filePath(QStringLiteral("dzien.gif"))),
                 std::runtime_error);
    EXPECT_THROW(test::writePictureFile(picture, folder.filePath(QStringLiteral("brak/dzien.png"))),
                 std::runtime_error);
}

// A click on a bar, or the arrows then Enter, choose a record and ask for the main window.
TEST(DayView, AClickOrTheKeysChooseARecord) {
    const Lista result = {record("07:00:00.000", 15 * kMinute),
                          record("07:15:00.000", 15 * kMinute), record("08:10:00.000", 5 * kMinute),
                          record("08:40:00.000", 5 * kMinute)};
    DayView view;
    view.setPicture(pictureOf(result));
    auto* canvas = view.findChild<DayPictureWidget*>();
    ASSERT_NE(canvas, nullptr);
    std::vector<std::size_t> clicked;
    int raised = 0;
    QObject::connect(&view, &DayView::itemClicked,
                     [&clicked](std::size_t index) { clicked.push_back(index); });
    QObject::connect(&view, &DayView::mainWindowWanted, [&raised] { ++raised; });
    const struct {
        Qt::Key key;
        std::size_t current;
    } steps[] = {
        {Qt::Key_Right, 0},                      // no cursor yet: the day's first record
        {Qt::Key_Right, 1}, {Qt::Key_Right, 1},  // the row's end holds it
        {Qt::Key_Down, 2},                       // the next row's record nearest in time
        {Qt::Key_Right, 3}, {Qt::Key_Up, 1},    {Qt::Key_Left, 0}, {Qt::Key_Return, 0},
    };
    for (const auto& step : steps) {
        QTest::keyClick(canvas, step.key);
        EXPECT_EQ(canvas->picture().current(), step.current) << step.key;
    }
    QTest::mouseClick(canvas, Qt::LeftButton, {}, canvas->picture().barRect(1).center());
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(clicked, (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(raised, 2);
}

TEST(DayView, OpensBesideTheMainWindowWhereTheScreenAllows) {
    const QSize wanted(1200, 900);
    const QSize least(480, 360);
    const struct {
        const char* what;
        QRect main;
        QRect available;
        DayViewPlaces placed;
    } cases[] = {
        {"room on the right",
         {100, 100, 1000, 700},
         {0, 0, 1920, 1040},
         {{1100, 100, 820, 900}, {100, 100, 1000, 700}}},
        {"room on the left only",
         {900, 0, 1000, 700},
         {0, 0, 1920, 1040},
         {{0, 0, 900, 900}, {900, 0, 1000, 700}}},
        {"1920 x 1080: the main window goes left to make room on its right",
         {465, 200, 990, 670},
         {0, 0, 1920, 1040},
         {{990, 140, 930, 900}, {0, 200, 990, 670}}},
        {"a side just wide enough keeps the main window in place",
         {0, 0, 990, 670},
         {0, 0, 1470, 1040},
         {{990, 0, 480, 900}, {0, 0, 990, 670}}},
        {"1280 x 1024: the main window goes right, the view covers up to its result list",
         {145, 150, 990, 700},
         {0, 0, 1280, 1024},
         {{0, 124, 928, 900}, {290, 150, 990, 700}}},
        {"1024 x 768",
         {17, 49, 990, 670},
         {0, 0, 1024, 768},
         {{0, 0, 672, 768}, {34, 49, 990, 670}}},
        {"a screen narrower than the main window keeps its left edge in sight",
         {-95, 0, 990, 670},
         {0, 0, 800, 600},
         {{0, 0, 638, 600}, {0, 0, 990, 670}}},
    };
    for (const auto& c : cases) {
        const QRect keepClear(c.main.left() + 638, c.main.top() + 40, 322, 368);
        const DayViewPlaces placed =
            dayViewPlacement(c.main, keepClear, c.available, wanted, least);
        EXPECT_EQ(placed.view, c.placed.view) << c.what;
        EXPECT_EQ(placed.main, c.placed.main) << c.what;
    }
}

TEST(DayPicture, FitsTheWidthItIsGivenAndWrapsItsTexts) {
    DayTitle title{"2026-12-08", -1, "bardzo_dluga_nazwa_playlisty_na_caly_dzien.mix",
                   "bardzo_dluga_nazwa_listy_reklam.lst"};
    const Lista result = {record("06:00:00.000", 4 * kMinute), record("06:30:00.000", kMinute)};
    DayPicture picture(result, {}, checkDay(result, {}, 0), title);
    const QSize full = picture.size();
    EXPECT_EQ(full.width(), 1122) << "the picture the batch draws";
    const QRect fullBar = picture.barRect(1);
    const struct {
        int asked;
        int width;
        bool taller;  // the header wraps
    } widths[] = {{800, 800, true},    {582, 582, true},    {300, 582, true},
                  {1122, 1122, false}, {1600, 1600, false}, {5000, 2082, false}};
    for (const auto& w : widths) {
        picture.setWidth(w.asked);
        EXPECT_EQ(picture.size().width(), w.width) << w.asked;
        EXPECT_EQ(picture.size().height() > full.height(), w.taller) << w.asked;
        // Bars keep their hour and minute: the same share of the narrower track.
        const QRect bar = picture.barRect(1);
        EXPECT_NEAR(double(bar.left() - 72) / (w.width - 162), double(fullBar.left() - 72) / 960,
                    0.01)
            << w.asked;
    }
}

}  // namespace
}  // namespace kalmero
