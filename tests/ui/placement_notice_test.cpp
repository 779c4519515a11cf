#include "ui/placement_notice.h"

#include <gtest/gtest.h>

#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

#include "ui/loudness_page.h"
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
            return SpotMeasure{spot.find("cisza") != std::string_view::npos ? 0 : 30'000};
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
    // The first problem in words, the day's own first, then how many more.
    EXPECT_EQ(notice()->text().toStdString(),
              "Godzina 11:00 trwa tylko 0:00 (przerwa w emisji); jeszcze 3 uwagi");
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
    EXPECT_EQ(notice()->text().toStdString(),
              "Godzina 11:00 trwa tylko 0:00 (przerwa w emisji); jeszcze 1 uwaga");

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
        return SpotMeasure{0, SpotIssue{SpotProblem::NoMap, 0, 0, "C:\\"}};
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
    const Finding unmeasured{FindingKind::SpotWithoutLength, "Spoty bez długości: 1"};
    std::vector<Finding> both = checkFindings(lateBlock);
    both.push_back(unmeasured);
    const struct {
        std::vector<Finding> found;
        QString headline;
    } days[] = {
        {{}, QStringLiteral("Bez uwag")},
        {checkFindings(lateBlock), QStringLiteral("Blok 12:00 nadany 16:18 później")},
        {checkFindings(pastMidnight), QStringLiteral("Lista kończy się po północy (+11:58)")},
        {orderedFindings(both), QStringLiteral("Spoty bez długości: 1; jeszcze 1 uwaga")},
    };
    for (const auto& day : days) {
        EXPECT_EQ(noticeHeadline(day.found), day.headline);
    }
}

// A block louder than its programme is told in the loudness's place: after the drift.
TEST(PlacementNotice, HeadlineCountsTheBlocksLouderThanTheirProgramme) {
    BlockAgainstProgramme loud;
    loud.booked = 12 * kHourMs;
    loud.blockLufs = -14.0;
    loud.programmeLufs = -23.0;
    loud.aboveLu = 9.0;
    loud.tooLoud = true;
    DayChecks lateBlock;
    lateBlock.driftedBlocks = {{0, 12 * kHourMs, 12 * kHourMs + 978'000, 978'000}};
    const Finding loudFinding{FindingKind::BlockLouderThanProgramme, programmeFindingText(loud)};
    std::vector<Finding> both = {loudFinding};
    for (Finding& finding : checkFindings(lateBlock)) {
        both.push_back(std::move(finding));
    }
    const QString loudText = QStringLiteral(
        "Blok 12:00 głośniejszy od programu o 9,0 LU (blok -14,0 LUFS, program -23,0 LUFS)");
    EXPECT_EQ(noticeHeadline({loudFinding}), loudText);
    EXPECT_EQ(noticeHeadline(orderedFindings(both)),
              QStringLiteral("Blok 12:00 nadany 16:18 później; jeszcze 1 uwaga"));
}

// The "Głośność" page marks red what may not go on air as it is, and says where a spot on
// an unmapped drive is to be mapped.
TEST(LoudnessPage, SilentSpotsAreMarkedAsLoudOnesAndAMissingMapSaysWhereToSetOne) {
    const SpotLoudness within = spotFigures(-23.0, -3.0);
    const SpotLoudness loud = spotFigures(-10.0, -3.0);
    SpotLoudness silent;
    silent.decodedMs = 30'000;
    silent.leadingSilenceMs = silent.trailingSilenceMs = 30'000;
    SpotLoudness unmapped;
    unmapped.problem = SpotIssue{SpotProblem::NoMap, 0, 0, "C:\\"};
    const struct {
        SpotLoudness spot;
        bool outside;
        QString reason;
    } cases[] = {
        {within, false, QString()},
        {loud, true, QStringLiteral("za głośny: krótkoterminowa -10.0 LUFS > -18")},
        {silent, true,
         QStringLiteral("cisza: żadna próbka nie sięga -60.0 dBFS (same zera, 30.0 s)")},
        {unmapped, false, QStringLiteral("brak mapowania dla C:\\ — ustaw mapę ścieżek (Ctrl+K)")},
    };
    for (const auto& c : cases) {
        // Beside the spot within the targets, which keeps the day's median its own.
        const LoudnessPlan plan{{"a", "b"}, {0, 1}, {}};
        const DayLoudness day(plan, {{within, c.spot}, {}}, LoudnessTargets{});
        const std::vector<LoudnessRow> rows = loudnessRows(Lista(2), day);
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[1].outside, c.outside) << c.reason.toStdString();
        EXPECT_EQ(rows[1].reason, c.reason);
    }
}

}  // namespace
}  // namespace kalmero::test
