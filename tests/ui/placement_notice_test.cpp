#include "ui/placement_notice.h"

#include <gtest/gtest.h>

#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

#include "ui/radio_group.h"
#include "ui_fixture.h"

namespace kalmero::test {
namespace {

// A and B overlap, so a block at 10:03 lies in both windows; C stands alone at 12:00.
const std::string kOverlapping =
    "WERSJA=2\r\nPOZYCJI=3\r\n"
    "Emi=10:00:00.000\r\nTyp=SND\r\nTrw=04:00.000\r\nMix=00:00.000\r\nNwK=04:00.000\r\n"
    "Tyt=A\r\nKONIEC OPISU\r\n"
    "Emi=10:02:00.000\r\nTyp=SND\r\nTrw=04:00.000\r\nMix=00:00.000\r\nNwK=04:00.000\r\n"
    "Tyt=B\r\nKONIEC OPISU\r\n"
    "Emi=12:00:00.000\r\nTyp=SND\r\nTrw=04:00.000\r\nMix=00:00.000\r\nNwK=04:00.000\r\n"
    "Tyt=C\r\nKONIEC OPISU\r\n";

class PlacementNoticeTest : public FormTest {
public:
    void SetUp() override {
        FormTest::SetUp();
        // No breaks: only the adverts go between the items.
        writeBytes(files().ini, "[Break]\r\nStart=2\r\n");
        writeBytes(path("dzien.mix"), kOverlapping);
        measureSpot = [](std::string_view spot) {
            return SpotMeasure{spot.find("cisza") != std::string_view::npos ? 0 : 30'000, ""};
        };
    }

    // Loads the playlist and an advert list of (block time, file name in Windows-1250)
    // pairs, then compiles.
    void compile(const std::vector<std::pair<std::string, std::string>>& spots) {
        std::string lst;
        for (const auto& [block, name] : spots) {
            lst += block + "\r\n" + folder() + name + "\r\n";
        }
        writeBytes(path("reklamy.lst"), lst);
        dialogs.answers = {QString::fromStdString(path("dzien.mix")),
                           QString::fromStdString(path("reklamy.lst"))};
        control<QAbstractButton>("BitBtn4")->click();
        control<QAbstractButton>("BitBtn5")->click();
        control<QAbstractButton>("BitBtn3")->click();
        ASSERT_EQ(control<QLabel>("Label1")->text(), QStringLiteral("Kompilowanie list - gotowe!"));
    }

    QPushButton* notice() { return control<QPushButton>("PlacementNotice"); }
};

TEST_F(PlacementNoticeTest, UnplacedAndDoubledSpotsAreCountedAndListed) {
    const std::size_t resultBefore = lists().ListaWynikowa.size();
    compile({{"10:00:00", "raz.wav"}, {"10:03:00", "ksi\xEAgarnia.wav"}, {"11:00:00", "brak.wav"}});
    EXPECT_EQ(resultBefore, 0u);
    // The result is what the compile makes of it: A, the doubled spot twice, B, C.
    EXPECT_EQ(lists().ListaWynikowa.size(), 6u);

    ASSERT_TRUE(notice()->isVisibleTo(&form()));
    // The first problem in words, then how many more.
    EXPECT_EQ(notice()->text().toStdString(), "Spot 11:00 „brak” nie wstawiony; jeszcze 3 uwagi");
    // At the right end of the status line, above the gauge.
    const QRect gauge = control<QProgressBar>("Gauge1")->geometry();
    EXPECT_EQ(notice()->geometry().right(), gauge.right());
    EXPECT_LT(notice()->geometry().bottom(), gauge.top());
    EXPECT_EQ(notice()->parentWidget(), control<QLabel>("Label1")->parentWidget());

    std::vector<std::vector<QString>> shown;
    whenModalOpens([&] {
        auto* list = qobject_cast<PlacementListDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(list, nullptr);
        auto* table = list->findChild<QTableWidget*>(QStringLiteral("PlacementTable"));
        ASSERT_NE(table, nullptr);
        for (int r = 0; r < table->rowCount(); ++r) {
            shown.emplace_back();
            for (int c = 0; c < table->columnCount(); ++c) {
                shown.back().push_back(table->item(r, c)->text());
            }
        }
        list->findChild<QPushButton*>(QStringLiteral("PlacementOk"))->click();
    });
    notice()->click();
    ASSERT_FALSE(QApplication::activeModalWidget()) << "the list closes with its OK";
    const QString dir = QString::fromStdString(folder());
    const std::vector<std::vector<QString>> expected = {
        {QStringLiteral("10:03:00.000"), QStringLiteral("księgarnia"),
         dir + QStringLiteral("księgarnia.wav"), QStringLiteral("00:30.000"), QStringLiteral("2"),
         QStringLiteral("wstawiono 2 razy: czas bloku wypada w oknach 2 pozycji")},
        {QStringLiteral("11:00:00.000"), QStringLiteral("brak"), dir + QStringLiteral("brak.wav"),
         QStringLiteral("00:30.000"), QStringLiteral("0"),
         QStringLiteral("nie wstawiono: czas bloku nie wypada w oknie żadnej pozycji")},
    };
    EXPECT_EQ(shown, expected);
}

TEST_F(PlacementNoticeTest, NoticeFollowsEachCompile) {
    compile({{"11:00:00", "brak.wav"}});
    ASSERT_FALSE(notice()->isHidden());

    // A refused compile leaves the result, and so the notice, standing.
    control<RadioGroup>("RadioGroup1")->setItemIndex(-1);
    control<QAbstractButton>("BitBtn3")->click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_FALSE(notice()->isHidden());
    control<RadioGroup>("RadioGroup1")->setItemIndex(2);

    // A spot of length 0 needs the operator's eye though placed once.
    compile({{"10:00:00", "raz.wav"}, {"12:01:00", "cisza.wav"}});
    EXPECT_FALSE(notice()->isHidden());
    // The day's checks speak too: this day has an hour of silence.
    EXPECT_EQ(
        notice()->text().toStdString(),
        "Spot 12:01 „cisza” bez długości (brak pliku albo plik nieczytelny); jeszcze 1 uwaga");

    // A day without gaps whose spots all went on air near their time: nothing to say, quietly,
    // and the list still opens on its blocks.
    writeBytes(path("dzien.mix"),
               "Emi=10:00:00.000\r\nTyp=SND\r\nMix=00:00.000\r\nNwK=60:00.000\r\nKONIEC OPISU\r\n"
               "Emi=11:00:00.000\r\nTyp=SND\r\nMix=00:00.000\r\nNwK=60:00.000\r\nKONIEC OPISU\r\n"
               "Emi=12:00:00.000\r\nTyp=SND\r\nMix=00:00.000\r\nNwK=04:00.000\r\nKONIEC OPISU\r\n");
    compile({{"10:00:00", "raz.wav"}, {"12:01:00", "dwa.wav"}});
    EXPECT_FALSE(notice()->isHidden());
    EXPECT_EQ(notice()->text(), QStringLiteral("Bez uwag"));
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(PlacementNoticeTest, ASpotOnADriveWithoutAMapSaysWhereToSetOne) {
    measureSpot = [](std::string_view) {
        return SpotMeasure{0, "brak mapowania dla C:\\", "", SpotProblem::NoMap};
    };
    compile({{"12:00:00", "spot.wav"}});
    QString reason;
    whenModalOpens([&] {
        auto* list = QApplication::activeModalWidget();
        ASSERT_NE(list, nullptr);
        auto* table = list->findChild<QTableWidget*>(QStringLiteral("PlacementTable"));
        ASSERT_NE(table, nullptr);
        reason = table->item(0, table->columnCount() - 1)->text();
        list->close();
    });
    notice()->click();
    EXPECT_EQ(reason, QStringLiteral(
                          "długość 0 ms: brak mapowania dla C:\\ — ustaw mapę ścieżek (Ctrl+K)"));
}

// The notice says what is wrong before anything else, the most urgent first.
TEST(PlacementNotice, HeadlineNamesTheDaysFirstProblem) {
    constexpr std::int64_t kMinute = 60'000;
    DayChecks lateBlock;
    lateBlock.driftedBlocks = {{0, 12 * kHourMs, 12 * kHourMs + 978'000, 978'000}};
    DayChecks pastMidnight;
    pastMidnight.pastMidnightMs = 11 * kMinute + 58'000;
    PlacementEntry unmeasured;
    unmeasured.spot.set(Field::Tyt, "Tyt=Za\xbf\xf3\xb3\xe6");  // Windows-1250
    unmeasured.spot.CzasStart = 12 * kHourMs + kMinute;
    unmeasured.timesPlaced = 1;
    unmeasured.silent = true;
    unmeasured.reasonDetail = "brak pliku";
    LoudnessRow loud;
    loud.block = QStringLiteral("12:00:00.000");
    loud.title = QStringLiteral("Lato");
    loud.reason = QStringLiteral("za głośny: krótkoterminowa -10.0 LUFS > -18");
    loud.tooLoud = true;
    LoudnessRow peak = loud;
    peak.reason = QStringLiteral("za wysoki szczyt: -0.5 dBTP > -1");
    PlacementEntry afterMidnight = unmeasured;
    afterMidnight.spot.CzasStart = 24 * kHourMs + 4 * kMinute;
    const struct {
        std::vector<PlacementEntry> entries;
        DayChecks checks;
        std::vector<LoudnessRow> loudness;
        QString headline;
    } days[] = {
        {{}, {}, {}, QStringLiteral("Bez uwag")},
        // The reason says how it is too loud; the finding doesn't say it again.
        {{},
         {},
         {loud},
         QStringLiteral("Spot 12:00 „Lato” za głośny: krótkoterminowa -10.0 LUFS > -18")},
        {{}, {}, {peak}, QStringLiteral("Spot 12:00 „Lato” za wysoki szczyt: -0.5 dBTP > -1")},
        // Past midnight as the result list writes it.
        {{afterMidnight}, {}, {}, QStringLiteral("Spot 24:04 „Zażółć” bez długości (brak pliku)")},
        {{}, lateBlock, {}, QStringLiteral("Blok 12:00 nadany 16:18 później")},
        {{}, pastMidnight, {}, QStringLiteral("Lista kończy się po północy (+11:58)")},
        {{unmeasured},
         lateBlock,
         {},
         QStringLiteral("Spot 12:01 „Zażółć” bez długości (brak pliku); jeszcze 1 uwaga")},
    };
    for (const auto& day : days) {
        EXPECT_EQ(noticeHeadline(day.entries, day.checks, day.loudness), day.headline);
    }
}

// A block louder than its programme is a finding after the spots'; one not compared isn't.
TEST(PlacementNotice, HeadlineCountsTheBlocksLouderThanTheirProgramme) {
    BlockAgainstProgramme loud;
    loud.booked = 12 * kHourMs;
    loud.blockLufs = -14.0;
    loud.programmeLufs = -23.0;
    loud.aboveLu = 9.0;
    loud.tooLoud = true;
    BlockAgainstProgramme uncompared;
    uncompared.booked = 13 * kHourMs;
    uncompared.noComparison = "spotów bloku nie zmierzono";
    DayChecks lateBlock;
    lateBlock.driftedBlocks = {{0, 12 * kHourMs, 12 * kHourMs + 978'000, 978'000}};
    const QString loudText = QStringLiteral(
        "Blok 12:00 głośniejszy od programu o 9,0 LU (blok -14,0 LUFS, program -23,0 LUFS)");
    const struct {
        DayChecks checks;
        std::vector<BlockAgainstProgramme> blocks;
        QString headline;
    } days[] = {
        {{}, {uncompared}, QStringLiteral("Bez uwag")},
        {{}, {uncompared, loud}, loudText},
        {lateBlock, {loud}, loudText + QStringLiteral("; jeszcze 1 uwaga")},
    };
    for (const auto& day : days) {
        EXPECT_EQ(noticeHeadline({}, day.checks, {}, programmeRows(day.blocks)), day.headline);
    }
}

// The findings by urgency, each pair of kinds given the other way round: a spot never placed
// first, then one without a length, one doubled, one too loud, the day's timing, and last a
// spot suspiciously long.
TEST(PlacementNotice, FindingsComeByUrgencyWhateverTheSpotsOrder) {
    struct Finding {
        const char* kind;
        std::vector<PlacementEntry> entries;
        DayChecks checks;
        std::vector<LoudnessRow> loudness;
    };
    const auto entry = [](const char* title, int placed, Placement placement, bool silent,
                          bool suspicious) {
        PlacementEntry e;
        e.spot.set(Field::Tyt, std::string("Tyt=") + title);
        e.spot.CzasStart = 12 * kHourMs;
        e.timesPlaced = placed;
        e.placement = placement;
        e.silent = silent;
        e.suspicious = suspicious;
        return e;
    };
    DayChecks lateBlock;
    lateBlock.driftedBlocks = {{0, 12 * kHourMs, 12 * kHourMs + 978'000, 978'000}};
    LoudnessRow loud;
    loud.block = QStringLiteral("12:00:00.000");
    loud.title = QStringLiteral("Glosny");
    loud.reason = QStringLiteral("za głośny");
    loud.tooLoud = true;
    const Finding byUrgency[] = {
        {"never placed", {entry("Brak", 0, Placement::NoWindow, false, false)}, {}, {}},
        {"no length", {entry("Cichy", 1, Placement::Once, true, false)}, {}, {}},
        {"doubled", {entry("Dwa", 2, Placement::Doubled, false, false)}, {}, {}},
        {"too loud", {}, {}, {loud}},
        {"a block late", {}, lateBlock, {}},
        {"suspiciously long", {entry("Dlugi", 1, Placement::Once, false, true)}, {}, {}},
    };
    const std::size_t kinds = std::size(byUrgency);
    for (std::size_t first = 0; first < kinds; ++first) {
        const Finding& a = byUrgency[first];
        const QString alone = noticeHeadline(a.entries, a.checks, a.loudness);
        for (std::size_t later = first + 1; later < kinds; ++later) {
            const Finding& b = byUrgency[later];
            // The less urgent spot first in the list.
            std::vector<PlacementEntry> entries = b.entries;
            entries.insert(entries.end(), a.entries.begin(), a.entries.end());
            std::vector<LoudnessRow> loudness = b.loudness;
            loudness.insert(loudness.end(), a.loudness.begin(), a.loudness.end());
            const DayChecks& checks = a.checks.driftedBlocks.empty() ? b.checks : a.checks;
            EXPECT_EQ(noticeHeadline(entries, checks, loudness),
                      alone + QStringLiteral("; jeszcze 1 uwaga"))
                << a.kind << " before " << b.kind;
        }
    }
    // A spot under a DJ_ record was never placed either.
    EXPECT_EQ(noticeHeadline({entry("Dj", 0, Placement::UnderDJ, false, false)}, {}),
              QStringLiteral("Spot 12:00 „Dj” nie wstawiony"));
}

}  // namespace
}  // namespace kalmero::test
