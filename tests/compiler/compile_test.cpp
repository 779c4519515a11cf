#include <gtest/gtest.h>

#include "fixtures.h"

namespace kalmero {
namespace {

using namespace kalmero::test;

// One compile on lists built in the test, with the matrix given as Monday's line.
struct Compile1 {
    explicit Compile1(BreakMode mode, std::initializer_list<int> breakHours = {},
                      std::int64_t seconds = 10, bool fade = false)
        : settings(settingsFor(mode, seconds, fade)), line(hoursLine(breakHours)) {}

    // The result as "HH:MM:SS.mmm title" texts.
    std::vector<std::string> compile() {
        Compiler compiler(lists, settings);
        progress.clear();
        compiler.NowyMozg(line, [this](std::size_t done) { progress.push_back(done); });
        shift = compiler.Przesuniecie;
        placed = compiler.placedCounts();
        breaks = compiler.breaksPlaced();
        std::vector<std::string> out;
        for (const TPozycja& r : lists.ListaWynikowa) {
            EXPECT_EQ(r.CzasStart, CzasStartInt(r.line(Field::Emi)));
            out.push_back(std::string(r.value(Field::Emi)) + " " +
                          std::string(r.value(Field::Tyt)));
        }
        return out;
    }

    const TPozycja& result(const std::string& title) const {
        for (const TPozycja& r : lists.ListaWynikowa) {
            if (r.value(Field::Tyt) == title) {
                return r;
            }
        }
        throw std::runtime_error("no " + title);
    }

    CompileSettings settings;
    std::string line;
    Lists lists;
    std::vector<std::size_t> progress;
    std::int64_t shift = 0;
    std::vector<int> placed;
    std::size_t breaks = 0;
};

const std::string kNews =
    "Wiadomo\x9C"
    "ci";
std::string news(const std::string& time) { return time + " " + kNews; }

struct ExampleCase {
    const char* name;
    int mode;
    bool fade;
    std::vector<std::string> expected;
};

class WorkedExample : public ::testing::TestWithParam<ExampleCase> {};

// Break at 12:00, one advert block at 12:00 of two spots (30 s, 20 s), X at 11:59 and Y at
// 12:03, both 4 minutes long, breaks 10 s.
TEST_P(WorkedExample, PlacesBreakAndAdvertsAroundX) {
    const ExampleCase& c = GetParam();
    Compile1 run(breakModeFromIndex(c.mode), {12}, 10, c.fade);
    run.lists.ListaMIX = {item("X", at("11:59:00.000"), 4 * kMinute),
                          item("Y", at("12:03:00.000"), 4 * kMinute)};
    run.lists.ListaLST = {spot("S1", at("12:00:00.000"), 30 * kSecond),
                          spot("S2", at("12:00:00.000"), 20 * kSecond)};
    EXPECT_EQ(run.compile(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, WorkedExample,
    ::testing::Values(ExampleCase{"Nearest",
                                  0,
                                  false,
                                  {news("11:59:00.000"), "11:59:00.000 S1", "11:59:30.000 S2",
                                   "12:00:00.000 X", "12:04:00.000 Y"}},
                      ExampleCase{"OnTheHour",
                                  1,
                                  false,
                                  {"11:59:00.000 X", news("12:00:00.000"), "12:00:10.000 S1",
                                   "12:00:40.000 S2", "12:01:00.000 Y"}},
                      ExampleCase{"OnTheHourFaded",
                                  1,
                                  true,
                                  {"11:59:00.000 X", news("12:00:00.000"), "12:00:10.000 S1",
                                   "12:00:40.000 S2", "12:01:00.000 Y"}},
                      ExampleCase{"NoBreaks",
                                  2,
                                  false,
                                  {"11:59:00.000 S1", "11:59:30.000 S2", "11:59:50.000 X",
                                   "12:03:50.000 Y"}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Compile, FadedItemIsCutAtTheHourAndUnfadedKeepsItsFields) {
    for (const bool fade : {false, true}) {
        Compile1 run(BreakMode::OnTheHour, {12}, 10, fade);
        run.lists.ListaMIX = {item("X", at("11:59:00.000"), 4 * kMinute)};
        run.compile();
        const TPozycja& x = run.result("X");
        EXPECT_EQ(x.line(Field::Trw), fade ? "Trw=01:00.000" : "Trw=04:00.000");
        EXPECT_EQ(x.line(Field::Mix), fade ? "Mix=00:57.000" : "Mix=00:00.000");
        EXPECT_EQ(x.CzasGrania, fade ? 3000 : 4 * kMinute);
        EXPECT_EQ(x.empty(Field::FOT), !fade);
    }
}

struct WindowCase {
    const char* name;
    int mode;
    std::string itemStart;
    std::int64_t grania;
    std::vector<std::string> expected;
};

class HalfWindow : public ::testing::TestWithParam<WindowCase> {};

// A break at 12:00 against one item, followed back to back by Z.
TEST_P(HalfWindow, DecidesBeforeOrAfter) {
    const WindowCase& c = GetParam();
    Compile1 run(breakModeFromIndex(c.mode), {12});
    const std::int64_t start = at(c.itemStart);
    run.lists.ListaMIX = {item("I", start, c.grania), item("Z", start + c.grania, kMinute)};
    EXPECT_EQ(run.compile(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Break, HalfWindow,
    ::testing::Values(
        // The hour at exactly half of 11:58 .. 12:02 goes after the item.
        WindowCase{"ExactlyHalfGoesAfter",
                   0,
                   "11:58:00.000",
                   4 * kMinute,
                   {"11:58:00.000 I", news("12:02:00.000"), "12:02:10.000 Z"}},
        WindowCase{"FirstHalfGoesBefore",
                   0,
                   "11:58:00.001",
                   4 * kMinute - 1,
                   {news("11:58:00.001"), "11:58:10.001 I", "12:02:10.000 Z"}},
        WindowCase{"OnTheHourDropsTheRest",
                   1,
                   "11:58:00.000",
                   4 * kMinute,
                   {"11:58:00.000 I", news("12:00:00.000"), "12:00:10.000 Z"}},
        WindowCase{"WindowEndsOnTheHour",
                   0,
                   "11:56:00.000",
                   4 * kMinute,
                   {"11:56:00.000 I", news("12:00:00.000"), "12:00:10.000 Z"}},
        WindowCase{"WindowStartsOnTheHour",
                   0,
                   "12:00:00.000",
                   4 * kMinute,
                   {news("12:00:00.000"), "12:00:10.000 I", "12:04:10.000 Z"}},
        // The first item of the day starting on the hour: its whole length is dropped.
        WindowCase{"OnTheHourAtItsStart",
                   1,
                   "12:00:00.000",
                   4 * kMinute,
                   {"12:00:00.000 I", news("12:00:00.000"), "12:00:10.000 Z"}},
        WindowCase{
            "OutsideTheWindow", 0, "12:00:00.001", kMinute, {"12:00:00.001 I", "12:01:00.001 Z"}}),
    [](const auto& row) { return std::string(row.param.name); });

// Two break records in one window: the hours 10 and 100 both read back as 10:00, and an item
// longer than an hour holds 12:00 and 13:00.
TEST(Compile, TwoBreaksInOneWindow) {
    struct Case {
        const char* name;
        BreakMode mode;
        std::initializer_list<int> hours;
        std::string start;
        std::int64_t grania;
        std::vector<std::string> expected;
        std::int64_t shift;
    };
    const Case cases[] = {
        {"NearestBothAtTheLaterPlace",
         BreakMode::Nearest,
         {12, 13},
         "11:30:00.000",
         90 * kMinute,
         {"11:30:00.000 I", news("13:00:00.000"), news("13:00:00.000")},
         20 * kSecond},
        {"OnTheHourOnlyTheLater",
         BreakMode::OnTheHour,
         {12, 13},
         "11:30:00.000",
         90 * kMinute,
         {"11:30:00.000 I", news("13:00:00.000")},
         10 * kSecond},
        {"OnTheHourEarlierOnly",
         BreakMode::OnTheHour,
         {12},
         "11:30:00.000",
         100 * kMinute,
         {"11:30:00.000 I"},
         -10 * kMinute},
        {"NearestBeforeTwoEqualHours",
         BreakMode::Nearest,
         {},
         "09:59:00.000",
         10 * kMinute,
         {news("09:59:00.000"), news("09:59:00.000"), "09:59:20.000 I"},
         20 * kSecond},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Compile1 run(c.mode, c.hours);
        if (c.hours.size() == 0) {
            // Position 4 is hour 10 and position 94 hour 100, which reads back as 10:00.
            run.line.assign(95, '0');
            run.line[4] = '1';
            run.line[94] = '1';
        }
        run.lists.ListaMIX = {item("I", at(c.start), c.grania)};
        EXPECT_EQ(run.compile(), c.expected);
        EXPECT_EQ(run.shift, c.shift);
    }
}

TEST(Compile, FadingBeforeTheSecondBreakCutsTheFirst) {
    Compile1 run(BreakMode::OnTheHour, {}, 10, true);
    run.line.assign(95, '0');
    run.line[4] = '1';
    run.line[94] = '1';
    run.lists.ListaMIX = {item("I", at("09:58:00.000"), 4 * kMinute)};
    run.compile();
    ASSERT_EQ(run.lists.ListaWynikowa.size(), 3u);
    EXPECT_EQ(run.lists.ListaWynikowa[0].line(Field::Trw), "Trw=02:00.000");
    const TPozycja& first = run.lists.ListaWynikowa[1];
    EXPECT_EQ(first.line(Field::Trw), "Trw=00:00.000");
    EXPECT_EQ(first.line(Field::Mix), "Mix=00:00.000");
    EXPECT_EQ(first.CzasGrania, 0);
    EXPECT_EQ(run.lists.ListaWynikowa[2].line(Field::Trw), "Trw=00:10.000");
}

TEST(Compile, DJRecordsFollowTheirItemOnly) {
    struct Case {
        const char* name;
        BreakMode mode;
        bool fade;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"NoBreaks",
         BreakMode::None,
         false,
         {"11:50:00.000 A", "11:54:00.000 DA", "11:55:00.000 B", "11:59:00.000 DB",
          "12:00:00.000 S", "12:00:30.000 C"}},
        {"BreakAfterTheDJ",
         BreakMode::Nearest,
         false,
         {"11:50:00.000 A", "11:54:00.000 DA", "11:55:00.000 B", "11:59:00.000 DB",
          news("12:00:00.000"), "12:00:10.000 S", "12:00:40.000 C"}},
        {"FadeCutsTheDJ",
         BreakMode::OnTheHour,
         true,
         {"11:50:00.000 A", "11:54:00.000 DA", "11:55:00.000 B", "11:59:00.000 DB",
          news("12:00:00.000"), "12:00:10.000 S", "12:00:40.000 C"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Compile1 run(c.mode, {12}, 10, c.fade);
        run.lists.ListaMIX = {
            item("Head", at("11:49:00.000"), kMinute, "Typ=DJ_"),
            item("A", at("11:50:00.000"), 5 * kMinute),
            item("DA", at("11:54:00.000"), kMinute, "Typ=DJ_"),
            item("DD", at("11:54:30.000"), kMinute, "Typ=DJ_"),
            item("B", at("11:55:00.000"), 5 * kMinute),
            item("DB", at("11:59:00.000"), 2 * kMinute, "Typ=DJ_"),
            item("C", at("12:00:00.000"), 5 * kMinute),
        };
        run.lists.ListaLST = {spot("S", at("12:00:00.000"), 30 * kSecond)};
        EXPECT_EQ(run.compile(), c.expected);
        EXPECT_EQ(run.progress, (std::vector<std::size_t>{2, 5, 7}));
        if (c.fade) {
            EXPECT_EQ(run.result("DB").line(Field::Trw), "Trw=01:00.000");
            EXPECT_EQ(run.result("B").line(Field::Trw), "Trw=05:00.000");
        }
    }
}

TEST(Compile, BreakOfZeroLengthTakesNoTime) {
    Compile1 run(BreakMode::Nearest, {12}, 0);
    run.lists.ListaMIX = {item("A", at("11:58:00.000"), 4 * kMinute),
                          item("B", at("12:02:00.000"), kMinute)};
    EXPECT_EQ(run.compile(),
              (std::vector<std::string>{"11:58:00.000 A", news("12:02:00.000"), "12:02:00.000 B"}));
    EXPECT_EQ(run.lists.ListaWynikowa[1].line(Field::Trw), "Trw=00:00.000");
}

TEST(Compile, SpotsBelongToEveryWindowTheyFallIn) {
    Compile1 run(BreakMode::None);
    run.lists.ListaMIX = {
        item("A", at("10:00:00.000"), 4 * kMinute), item("B", at("10:04:00.000"), 4 * kMinute),
        item("C", at("10:20:00.000"), 4 * kMinute), item("D", at("10:22:00.000"), 4 * kMinute)};
    run.lists.ListaLST = {spot("AtEndOfA", at("10:04:00.000"), 30 * kSecond),
                          spot("InGap", at("10:10:00.000"), 30 * kSecond),
                          spot("InCAndD", at("10:23:00.000"), 10 * kSecond),
                          spot("EarlyBlock", at("10:00:00.000"), 5 * kSecond)};
    // A's window holds two blocks; the later in list order (at its start) puts both first.
    // The spot at 10:23 lies in C's window (second half) and, shifted, in D's (first half).
    EXPECT_EQ(
        run.compile(),
        (std::vector<std::string>{
            "10:00:00.000 AtEndOfA", "10:00:30.000 EarlyBlock", "10:00:35.000 A", "10:04:35.000 B",
            "10:20:35.000 C", "10:24:35.000 InCAndD", "10:22:45.000 InCAndD", "10:22:55.000 D"}));
    EXPECT_EQ(run.placed, (std::vector<int>{1, 0, 2, 1}));
}

TEST(Compile, SpotAtTheEndOfAWindowIsNotTakenAgain) {
    Compile1 run(BreakMode::None);
    run.lists.ListaMIX = {item("A", at("10:00:00.000"), 4 * kMinute),
                          item("B", at("10:04:00.000"), 4 * kMinute)};
    run.lists.ListaLST = {spot("S", at("10:04:00.000"), 30 * kSecond)};
    EXPECT_EQ(run.compile(),
              (std::vector<std::string>{"10:00:00.000 A", "10:04:00.000 S", "10:04:30.000 B"}));
}

TEST(Compile, BreakAndAdvertsBeforeShareTheStamp) {
    Compile1 run(BreakMode::Nearest, {12});
    run.lists.ListaMIX = {item("A", at("11:59:00.000"), 10 * kMinute)};
    run.lists.ListaLST = {spot("S", at("11:59:30.000"), 30 * kSecond),
                          spot("T", at("12:01:00.000"), 20 * kSecond)};
    EXPECT_EQ(run.compile(), (std::vector<std::string>{news("11:59:00.000"), "11:59:00.000 S",
                                                       "11:59:30.000 T", "12:00:00.000 A"}));
}

TEST(Compile, OnTheHourAdvertsBeforeTheHourStayOut) {
    Compile1 run(BreakMode::OnTheHour, {12});
    run.lists.ListaMIX = {item("A", at("11:55:00.000"), 10 * kMinute)};
    run.lists.ListaLST = {spot("Early", at("11:56:00.000"), 30 * kSecond),
                          spot("OnHour", at("12:00:05.000"), 20 * kSecond)};
    EXPECT_EQ(run.compile(), (std::vector<std::string>{"11:55:00.000 A", news("12:00:00.000"),
                                                       "12:00:10.000 OnHour"}));
    EXPECT_EQ(run.placed, (std::vector<int>{0, 1}));
}

TEST(Compile, SecondCompileGivesTheSameResult) {
    Compile1 run(BreakMode::OnTheHour, {12, 13}, 25, true);
    run.lists.ListaMIX = {item("A", at("11:58:00.000"), 4 * kMinute),
                          item("B", at("12:02:00.000"), 60 * kMinute)};
    run.lists.ListaLST = {spot("S", at("12:00:00.000"), 30 * kSecond)};
    run.compile();
    const Lista first = run.lists.ListaWynikowa;
    run.compile();
    EXPECT_EQ(run.lists.ListaWynikowa, first);
}

TEST(Compile, NoBreaksModeLeavesTheBreakListAlone) {
    Compile1 run(BreakMode::None, {12});
    run.lists.ListaMIX = {item("A", at("11:58:00.000"), 4 * kMinute)};
    run.lists.ListaBreak = {item("stale", at("11:59:00.000"), 1)};
    EXPECT_EQ(run.compile(), std::vector<std::string>{"11:58:00.000 A"});
    EXPECT_EQ(run.lists.ListaBreak.size(), 1u);
}

struct FadeCase {
    const char* name;
    std::int64_t start;
    std::int64_t cut;
    std::string cutText;
    std::string fadeText;
    std::int64_t nwk;
    std::int64_t mix;
};

class Fade : public ::testing::TestWithParam<FadeCase> {};

TEST_P(Fade, CutsTheLastRecord) {
    const FadeCase& c = GetParam();
    Lists lists;
    Compiler compiler(lists, CompileSettings{});
    TPozycja r = item("A", c.start, 10 * kMinute);
    r.set(Field::Out, "Out=09:00.000");
    r.set(Field::FOu, "FOu=09:00.000");
    r.set(Field::FOT, "FOT=500");
    lists.ListaWynikowa = {item("Earlier", 0, kMinute), r};

    compiler.WyciszWczesniejszaPozycje(c.cut);

    const TPozycja& last = lists.ListaWynikowa.back();
    EXPECT_EQ(last.line(Field::Trw), "Trw=" + c.cutText);
    EXPECT_EQ(last.line(Field::NwK), "NwK=" + c.cutText);
    EXPECT_EQ(last.line(Field::Out), "Out=" + c.fadeText);
    EXPECT_EQ(last.line(Field::FOu), "FOu=" + c.fadeText);
    EXPECT_EQ(last.line(Field::Mix), "Mix=" + c.fadeText);
    EXPECT_EQ(last.line(Field::FOT), "FOT=0");
    EXPECT_EQ(last.CzasNwK, c.nwk);
    EXPECT_EQ(last.CzasMix, c.mix);
    EXPECT_EQ(last.CzasGrania, c.nwk - c.mix);
    EXPECT_EQ(last.CzasStart, c.start);
    EXPECT_EQ(last.line(Field::Emi), r.line(Field::Emi));
    EXPECT_EQ(lists.ListaWynikowa.front(), item("Earlier", 0, kMinute));
}

INSTANTIATE_TEST_SUITE_P(
    Figures, Fade,
    ::testing::Values(FadeCase{"TwoMinutes", at("11:58:00.000"), at("12:00:00.000"), "02:00.000",
                               "01:57.000", 120'000, 117'000},
                      FadeCase{"ExactlyThreeSeconds", at("11:59:57.000"), at("12:00:00.000"),
                               "00:03.000", "00:00.000", 3000, 0},
                      FadeCase{"OverAnHour", at("10:57:57.000"), at("12:00:00.000"), "02:03.000",
                               "02:00.000", 3'723'000, 3'720'000},
                      FadeCase{"UnderThreeSeconds", at("11:59:58.500"), at("12:00:00.000"),
                               "00:01.500", "00:00.000", 1500, 0},
                      FadeCase{"OnItsStart", at("12:00:00.000"), at("12:00:00.000"), "00:00.000",
                               "00:00.000", 0, 0},
                      FadeCase{"BeforeItsStart", at("12:00:30.000"), at("12:00:00.000"),
                               "00:00.000", "00:00.000", 0, 0}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(FadeEmpty, EmptyResultIsLeftAlone) {
    Lists lists;
    Compiler(lists, CompileSettings{}).WyciszWczesniejszaPozycje(at("12:00:00.000"));
    EXPECT_TRUE(lists.ListaWynikowa.empty());
}

TEST(Compile, SoundBreaksCarryTheAudioPath) {
    Compile1 run(BreakMode::Nearest, {12});
    run.settings.sound = {true, "/srv/audio/sygnal.mp3"};
    run.lists.ListaMIX = {item("A", at("11:58:00.000"), 4 * kMinute)};
    run.compile();
    const TPozycja& b = run.lists.ListaWynikowa.at(1);
    EXPECT_EQ(b.line(Field::Typ), "Typ=SND");
    EXPECT_EQ(b.line(Field::Ide), "Ide=sygnal");
    EXPECT_EQ(b.line(Field::Adr), "Adr=/srv/audio/sygnal.mp3");
    EXPECT_EQ(b.line(Field::Emi), "Emi=12:02:00.000");
}

}  // namespace
}  // namespace kalmero
