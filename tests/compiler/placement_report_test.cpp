#include "compiler/placement_report.h"

#include <gtest/gtest.h>

#include "fixtures.h"

namespace kalmero {
namespace {

using namespace kalmero::test;

TEST(PlacementReport, ClassifiesEverySpot) {
    struct Case {
        const char* title;
        std::int64_t block;
        std::int64_t length;
        int placed;
        Placement placement;
        bool attention;
        std::string reason;
    };
    const std::string zero = "length 0: its audio is missing or unreadable";
    const std::string noWindow = "never placed: its block time lies in no item's window";
    const std::string underDJ = "never placed: its block time lies under a DJ_ record";
    const Case cases[] = {
        {"Once", at("10:00:00.000"), 30 * kSecond, 1, Placement::Once, false, ""},
        {"Gap", at("10:10:00.000"), 30 * kSecond, 0, Placement::NoWindow, true, noWindow},
        {"InDJ", at("11:54:30.000"), 30 * kSecond, 0, Placement::UnderDJ, true, underDJ},
        {"DJEnd", at("11:55:00.000"), 30 * kSecond, 0, Placement::UnderDJ, true, underDJ},
        {"Twice", at("10:23:00.000"), 10 * kSecond, 2, Placement::Doubled, true,
         "placed 2 times: its block time lies in 2 items' windows"},
        {"Silent", at("10:01:00.000"), 0, 1, Placement::Once, true, zero},
        {"SilentGap", at("10:11:00.000"), 0, 0, Placement::NoWindow, true, noWindow + "; " + zero},
        {"SilentThrice", at("10:24:00.000"), 0, 3, Placement::Doubled, true,
         "placed 3 times: its block time lies in 3 items' windows; " + zero},
        // The measuring's reason stands for the general one, not beside it.
        {"Missing", at("10:02:00.000"), 0, 1, Placement::Once, true, "length 0: brak pliku"},
    };
    Lista spots;
    std::vector<int> placed;
    for (const Case& c : cases) {
        spots.push_back(spot(c.title, c.block, c.length));
        placed.push_back(c.placed);
    }
    // The DJ_ record as the result placed it, [11:54:00, 11:55:00]; an item's record over
    // the same time doesn't count.
    const Lista result = {item("A", at("11:50:00.000"), 4 * kMinute),
                          item("DA", at("11:54:00.000"), kMinute, "Typ=DJ_"),
                          item("B", at("10:10:00.000"), 2 * kMinute)};
    std::vector<std::string> problems(std::size(cases));
    problems.back() = "brak pliku";
    const PlacementReport report(spots, placed, result, problems);
    ASSERT_EQ(report.size(), std::size(cases));
    for (std::size_t i = 0; i < report.size(); ++i) {
        SCOPED_TRACE(cases[i].title);
        EXPECT_EQ(report.timesPlaced(i), cases[i].placed);
        EXPECT_EQ(report.placement(i), cases[i].placement);
        EXPECT_EQ(report.needsAttention(i), cases[i].attention);
        EXPECT_EQ(report.reason(i), cases[i].reason);
    }
    const PlacementCounts counts = report.counts();
    EXPECT_EQ(counts.never, 4u);
    EXPECT_EQ(counts.doubled, 2u);
    EXPECT_EQ(counts.silent, 4u);
    EXPECT_EQ(counts.placements, 8u);
    EXPECT_EQ(counts.distinct, 5u);
}

TEST(PlacementReport, SpotsTheCompileDidNotCountWereNeverPlaced) {
    const Lista spots = {spot("A", at("10:00:00.000"), kSecond),
                         spot("B", at("10:00:00.000"), kSecond)};
    const PlacementReport report(spots, {1}, {});
    EXPECT_EQ(report.timesPlaced(1), 0);
    EXPECT_EQ(report.placement(1), Placement::NoWindow);
    EXPECT_EQ(report.counts().never, 1u);
}

TEST(PlacementReport, CountsMatchACompile) {
    Lists lists;
    lists.ListaMIX = {item("A", at("10:00:00.000"), 4 * kMinute),
                      item("B", at("10:02:00.000"), 4 * kMinute)};
    lists.ListaLST = {spot("Both", at("10:03:00.000"), 20 * kSecond),
                      spot("None", at("11:00:00.000"), 30 * kSecond),
                      spot("First", at("10:00:30.000"), 0)};
    Compiler kompilator(lists, settingsFor(BreakMode::None));
    kompilator.NowyMozg(hoursLine({}));
    const PlacementReport report(lists.ListaLST, kompilator.placedCounts(), lists.ListaWynikowa);
    EXPECT_EQ(report.placement(0), Placement::Doubled);
    EXPECT_EQ(report.placement(1), Placement::NoWindow);
    EXPECT_EQ(report.placement(2), Placement::Once);
    const PlacementCounts counts = report.counts();
    EXPECT_EQ(counts.placements, lists.ListaWynikowa.size() - 2);
    EXPECT_EQ(counts.never, 1u);
    EXPECT_EQ(counts.doubled, 1u);
    EXPECT_EQ(counts.silent, 1u);
}

TEST(PlacementReport, CsvKeepsTheRecordsBytesAndDefusesFormulas) {
    Lista spots = {spot("Reklama \xB9, \"nowa\"", at("10:00:00.000"), 1500),
                   spot("=1+1", at("10:05:00.000"), 2000)};
    spots[1].set(Field::Adr, "Adr=-x.wav");
    const PlacementReport report(spots, {1, 1}, {});
    EXPECT_EQ(report.csv(),
              "block time,title,path,length (ms),times placed,reason\r\n"
              "10:00:00.000,\"Reklama \xB9, \"\"nowa\"\"\",,1500,1,\r\n"
              "10:05:00.000,'=1+1,'-x.wav,2000,1,\r\n");

    // Where a spot without a length was looked for, in the columns after the report's own.
    spots.push_back(spot("cisza", at("10:06:00.000"), 0));
    spots[2].set(Field::Adr, "Adr=C:\\Radio\\Cisza.mp3");
    const PlacementReport sources(spots, {1, 1, 1}, {}, {"", "", "brak pliku, \"C\""},
                                  PlacementReport::kLongSpotMs, {"", "", "=/srv/radio/Cisza.mp3"});
    EXPECT_EQ(
        sources.sourceCells(),
        (std::vector<std::string>{
            ",,", ",,", "C:\\Radio\\Cisza.mp3,'=/srv/radio/Cisza.mp3,\"brak pliku, \"\"C\"\"\""}));
}

// What makes a spot one the night must not call done, each condition at its boundary: no
// length, a length over the long-spot limit (at the limit is still a booking), never placed,
// placed more than once.
TEST(PlacementReport, EverySpotNotAiredOnceWithALengthWithinTheLimitNeedsAttention) {
    constexpr std::int64_t kLimit = 2 * kMinute;
    const struct {
        const char* title;
        std::int64_t length;
        int placed;
        bool silent;
        bool suspicious;
        bool attention;
    } cases[] = {
        {"Once", 30 * kSecond, 1, false, false, false},
        {"Shortest", 1, 1, false, false, false},
        {"NoLength", 0, 1, true, false, true},
        {"NegativeLength", -1, 1, true, false, true},
        {"AtTheLimit", kLimit, 1, false, false, false},
        {"OverTheLimit", kLimit + 1, 1, false, true, true},
        {"Never", 30 * kSecond, 0, false, false, true},
        {"Twice", 30 * kSecond, 2, false, false, true},
    };
    Lista spots;
    std::vector<int> placed;
    for (const auto& c : cases) {
        spots.push_back(spot(c.title, at("10:00:00.000"), c.length));
        placed.push_back(c.placed);
    }
    const PlacementReport report(spots, placed, {}, {}, kLimit);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].title);
        EXPECT_EQ(report.silent(i), cases[i].silent);
        EXPECT_EQ(report.suspicious(i), cases[i].suspicious);
        EXPECT_EQ(report.needsAttention(i), cases[i].attention);
    }
    // Without a limit given: an hour.
    const Lista hour = {spot("Hour", at("10:00:00.000"), kHour),
                        spot("Longer", at("10:00:00.000"), kHour + 1)};
    const PlacementReport byDefault(hour, {1, 1}, {});
    EXPECT_FALSE(byDefault.suspicious(0));
    EXPECT_TRUE(byDefault.suspicious(1));
}

// Every first character a spreadsheet reads as the start of a formula gets the quote mark;
// one it doesn't, and the same characters later in the text, don't.
TEST(PlacementReport, FormulaGuardByFirstCharacter) {
    const std::pair<std::string, std::string> cases[] = {
        {"=A1", "'=A1"},       {"+1", "'+1"},  {"-1", "'-1"},  {"@SUM", "'@SUM"}, {"\t=1", "'\t=1"},
        {"\r=1", "\"'\r=1\""}, {"a=1", "a=1"}, {" =1", " =1"}, {"#1", "#1"},      {"'=1", "'=1"},
    };
    for (const auto& [title, cell] : cases) {
        const Lista spots = {spot(title, at("10:00:00.000"), 1000)};
        const PlacementReport report(spots, {1}, {});
        EXPECT_EQ(report.csv(),
                  "block time,title,path,length (ms),times placed,reason\r\n"
                  "10:00:00.000," +
                      cell + ",,1000,1,\r\n")
            << title;
    }
}

}  // namespace
}  // namespace kalmero
