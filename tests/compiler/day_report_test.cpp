#include "compiler/day_report.h"

#include <gtest/gtest.h>

#include <limits>

#include "fixtures.h"

namespace kalmero {
namespace {

using namespace kalmero::test;

// Appends back-to-back 4-minute songs from the start of `hour` holding `minutes` in all;
// the last song takes the rest (so content over 60 minutes runs into the next hour, and
// under 60 leaves a gap).
void fillHour(Lista& day, int hour, std::int64_t minutes) {
    std::int64_t at = hour * kHour;
    std::int64_t left = minutes * kMinute;
    while (left > 0) {
        const std::int64_t length = left > 8 * kMinute ? 4 * kMinute : left;
        day.push_back(item("S", at, length));
        at += length;
        left -= length;
    }
}

// A day of the given hours, each with its content in minutes.
Lista hours(std::initializer_list<std::pair<int, std::int64_t>> contents) {
    Lista day;
    for (const auto& [hour, minutes] : contents) {
        fillHour(day, hour, minutes);
    }
    return day;
}

TEST(DayReport, ItemEndReachesTheBreakThatCutItAndNoFurther) {
    TPozycja faded = item("X", at("11:58:00.000"), 2 * kMinute);
    faded.CzasMix = faded.CzasNwK - 3000;
    faded.CzasGrania = 3000;
    const TPozycja news = item("Wiadomości", at("12:00:00.000"), 10 * kSecond, "Typ=BRK");
    TPozycja newsAtOne = news;
    newsAtOne.CzasStart = at("13:00:00.000");
    const Lista result = {faded,
                          news,
                          item("Unfaded", at("12:58:00.000"), 4 * kMinute),
                          newsAtOne,
                          item("RunsOn", at("13:59:00.000"), 4 * kMinute),
                          item("Z", at("14:00:00.000"), kMinute)};
    const std::int64_t ends[] = {at("12:00:00.000"), at("12:00:10.000"), at("13:00:00.000"),
                                 at("13:00:10.000"), at("14:03:00.000"), at("14:01:00.000")};
    for (std::size_t i = 0; i < result.size(); ++i) {
        EXPECT_EQ(itemEnd(result, i), ends[i]) << i;  // RunsOn overlaps Z: as written
    }
}

TEST(DayReport, BlocksAndSpotsAsBookedAndAired) {
    // Two blocks at 07:15 that don't stand together, one placed twice, one never.
    const Lista spots = {
        spot("A", at("07:15:00.000"), 30 * kSecond), spot("B", at("07:15:00.000"), 20 * kSecond),
        spot("C", at("08:45:00.000"), 10 * kSecond), spot("D", at("07:15:00.000"), 15 * kSecond),
        spot("E", at("09:00:00.000"), 15 * kSecond)};
    const Lista result = {
        item("S1", at("07:10:00.000"), 8 * kMinute), spot("A", at("07:18:00.000"), 30 * kSecond),
        spot("B", at("07:18:30.000"), 20 * kSecond), spot("C", at("08:43:00.000"), 10 * kSecond),
        spot("D", at("08:43:10.000"), 15 * kSecond), spot("C", at("08:49:00.000"), 10 * kSecond)};
    // The last result record has no origin entry: a shorter list leaves it unowned.
    const std::vector<std::size_t> origin = {kNoOrigin, 0, 1, 2, 3};
    const std::vector<AdvertBlock> blocks = advertBlocks(spots, result, origin);

    struct Expected {
        std::int64_t booked;
        std::size_t firstSpot;
        std::size_t spotCount;
        std::optional<std::int64_t> drift;
    };
    const Expected expected[] = {
        {at("07:15:00.000"), 0, 2, 3 * kMinute},
        {at("08:45:00.000"), 2, 1, -2 * kMinute},
        {at("07:15:00.000"), 3, 1, at("08:43:10.000") - at("07:15:00.000")},
        {at("09:00:00.000"), 4, 1, std::nullopt},
    };
    ASSERT_EQ(blocks.size(), std::size(expected));
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        SCOPED_TRACE(b);
        EXPECT_EQ(blocks[b].booked, expected[b].booked);
        EXPECT_EQ(blocks[b].firstSpot, expected[b].firstSpot);
        EXPECT_EQ(blocks[b].spotCount, expected[b].spotCount);
        EXPECT_EQ(blocks[b].titles.size(), expected[b].spotCount);
        EXPECT_EQ(blocks[b].drift(), expected[b].drift);
    }
    EXPECT_EQ(blocks[0].titles[1], "B");

    const std::vector<std::string> cells = spotTimingCells(blocks, result);
    const std::vector<std::string> expectedCells = {
        "07:15:00.000,07:18:00.000,180000",
        "07:15:00.000,07:18:30.000,210000",
        "08:45:00.000,08:43:00.000,-120000",
        "07:15:00.000,08:43:10.000,5290000",
        "09:00:00.000,,",
    };
    EXPECT_EQ(cells, expectedCells);

    // With the last copy of C owned, C shows both airings and drifts from the first.
    std::vector<std::size_t> full = origin;
    full.push_back(2);
    EXPECT_EQ(spotTimingCells(advertBlocks(spots, result, full), result)[2],
              "08:45:00.000,08:43:00.000 08:49:00.000,-120000");
}

TEST(DayReport, ChecksOfTheDay) {
    const TPozycja news = item("Wiadomości", at("07:00:00.000"), 10 * kSecond, "Typ=BRK");
    const auto breakAt = [&](const std::string& time, bool sound = false) {
        TPozycja r = news;
        r.CzasStart = at(time);
        if (sound) {
            r.set(Field::Typ, "Typ=SND");
            r.set(Field::Wyk, "Wyk=BREAK");
        }
        return r;
    };
    // 0, -5:00, +7:10, -5:00.001 (the break sound), +5:00.001 from the nearest full hour.
    const Lista breaks = {breakAt("07:00:00.000"), breakAt("07:55:00.000"), breakAt("08:07:10.000"),
                          breakAt("08:54:59.999", true), breakAt("10:05:00.001")};
    Lista overlapped = hours({{6, 60}, {7, 60}, {8, 60}});
    overlapped.push_back(item("Over", at("07:30:00.000"), 2 * kMinute));
    struct Case {
        const char* name;
        Lista result;
        int mode;
        std::vector<int> overfull;
        std::vector<int> shortHours;
        std::vector<std::int64_t> breakOffsets;
        std::int64_t pastMidnight;
        std::size_t afterMidnight;
    };
    const Case cases[] = {
        {"full hours", hours({{6, 60}, {7, 60}, {8, 60}}), 0, {}, {}, {}, 0, 0},
        {"overlapping records", overlapped, 0, {7}, {}, {}, 0, 0},
        {"a song past the full hour", hours({{6, 60}, {7, 58}, {8, 60}}), 0, {}, {}, {}, 0, 0},
        {"short hour", hours({{6, 60}, {7, 49}, {8, 60}}), 0, {}, {7}, {}, 0, 0},
        {"hour at the limit", hours({{6, 60}, {7, 50}, {8, 60}}), 0, {}, {}, {}, 0, 0},
        {"empty hour", hours({{6, 60}, {8, 60}}), 0, {}, {7}, {}, 0, 0},
        {"day starts and ends part-way", hours({{6, 30}, {7, 60}, {8, 5}}), 0, {}, {}, {}, 0, 0},
        {"runs past midnight", hours({{22, 60}, {23, 62}}), 0, {}, {}, {}, 2 * kMinute, 0},
        {"items after midnight", hours({{23, 60}, {24, 10}}), 0, {}, {}, {}, 10 * kMinute, 2},
        {"far breaks", breaks, 0, {}, {8, 9}, {430'000, -300'001, 300'001}, 0, 0},
        {"breaks on the hour unchecked", {breakAt("08:07:10.000")}, 1, {}, {}, {}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DayChecks checks = checkDay(c.result, {}, c.mode);
        std::vector<int> overfull;
        for (const HourContent& h : checks.overfullHours) {
            overfull.push_back(h.hour);
        }
        std::vector<int> shortHours;
        for (const HourContent& h : checks.shortHours) {
            shortHours.push_back(h.hour);
        }
        std::vector<std::int64_t> offsets;
        for (const BreakOffset& b : checks.farBreaks) {
            offsets.push_back(b.offsetMs);
        }
        EXPECT_EQ(overfull, c.overfull);
        EXPECT_EQ(shortHours, c.shortHours);
        EXPECT_EQ(offsets, c.breakOffsets);
        EXPECT_EQ(checks.pastMidnightMs, c.pastMidnight);
        EXPECT_EQ(checks.afterMidnight.size(), c.afterMidnight);
        EXPECT_EQ(checks.clean(), c.overfull.empty() && c.shortHours.empty() &&
                                      c.breakOffsets.empty() && c.pastMidnight == 0);
    }
}

TEST(DayReport, BlocksOutsideTheDriftLimitAndNeverAired) {
    std::vector<AdvertBlock> blocks(4);
    const std::int64_t drifts[] = {5 * kMinute, 5 * kMinute + 1, -6 * kMinute};
    for (std::size_t b = 0; b < 3; ++b) {
        blocks[b].booked = at("10:00:00.000");
        blocks[b].aired = blocks[b].booked + drifts[b];
    }
    blocks[3].booked = at("11:00:00.000");
    const DayChecks checks = checkDay({}, blocks, 0);
    ASSERT_EQ(checks.driftedBlocks.size(), 2u);
    EXPECT_EQ(checks.driftedBlocks[0].block, 1u);
    EXPECT_EQ(checks.driftedBlocks[1].driftMs, -6 * kMinute);
    ASSERT_EQ(checks.unairedBlocks.size(), 1u);
    EXPECT_EQ(checks.unairedBlocks[0].time, at("11:00:00.000"));
}

TEST(DayReport, DriftTooFarOnlyBeyondTheLimitEitherWay) {
    const DayCheckLimits limits{kMinute};
    const std::pair<std::int64_t, bool> cases[] = {
        {0, false},        {kMinute, false},     {kMinute + 1, true},
        {-kMinute, false}, {-kMinute - 1, true}, {std::numeric_limits<std::int64_t>::min(), true},
    };
    for (const auto& [drift, far] : cases) {
        EXPECT_EQ(limits.driftTooFar(drift), far) << drift;
    }
}

TEST(DayReport, DriftText) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "+0:00"},   {192'000, "+3:12"}, {-45'000, "-0:45"}, {3'723'000, "+1:02:03"},
        {499, "+0:00"}, {-500, "-0:01"},
    };
    for (const auto& [ms, text] : cases) {
        EXPECT_EQ(driftText(ms), text) << ms;
    }
}

TEST(DayReport, SummaryNamesEveryFindingWithItsTime) {
    Lista day = hours({{22, 60}, {23, 40}, {24, 12}});
    day.push_back(item("Wiadomości", at("23:07:00.000"), 10 * kSecond, "Typ=BRK"));
    day.push_back(item("Over", at("22:30:00.000"), kMinute));
    std::vector<AdvertBlock> blocks(2);
    blocks[0].booked = at("22:15:00.000");
    blocks[0].aired = at("22:21:30.000");
    blocks[1].booked = at("23:45:00.000");
    EXPECT_EQ(dayChecksSummary(checkDay(day, blocks, 0)),
              "Kontrola dnia: od 22:00:00.000 do 24:12:00.000 (00:12:00.000 następnego dnia)\n"
              "Lista kończy się po północy (+12:00); po północy zaczynają się 2 pozycje\n"
              "  24:00:00.000 (00:00:00.000 następnego dnia)\n"
              "  24:04:00.000 (00:04:00.000 następnego dnia)\n"
              "Godziny dłuższe niż 60:00 (pozycje nakładają się): 1\n  22:00  61:00\n"
              "Godziny krótsze niż 50:00 (przerwy w emisji): 1\n  23:00  40:10\n"
              "Breaki dalej niż 5:00 od pełnej godziny: 1\n  23:07:00.000  +7:00\n"
              "Bloki reklam przesunięte o więcej niż 5:00: 1\n"
              "  zamówiony 22:15:00.000, nadany 22:21:30.000  +6:30\n"
              "Bloki reklam nienadane: 1\n  zamówiony 23:45:00.000\n");
}

TEST(ClockText, PastMidnightReadsAsTheListWritesItWithTheClocksTimeBeside) {
    const struct {
        std::int64_t ms;
        const char* clock;
        const char* clockSeconds;
        const char* shortText;
    } cases[] = {
        {at("12:00:00.000"), "12:00:00.000", "12:00:00", "12:00"},
        {at("12:00:30.000"), "12:00:30.000", "12:00:30", "12:00:30"},
        {at("12:00:30.250"), "12:00:30.250", "12:00:30", "12:00:30.250"},
        {at("23:59:59.999"), "23:59:59.999", "23:59:59", "23:59:59.999"},
        {at("24:00:00.000"), "24:00:00.000 (00:00:00.000 następnego dnia)",
         "24:00:00 (00:00:00 następnego dnia)", "24:00"},
        {at("24:04:02.000"), "24:04:02.000 (00:04:02.000 następnego dnia)",
         "24:04:02 (00:04:02 następnego dnia)", "24:04:02"},
        {at("48:10:00.000"), "48:10:00.000 (00:10:00.000 za 2 dni)", "48:10:00 (00:10:00 za 2 dni)",
         "48:10"},
        {100 * kHourMs + 500, "100:00:00.500 (04:00:00.500 za 4 dni)",
         "100:00:00 (04:00:00 za 4 dni)", "100:00:00.500"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(clockText(c.ms), c.clock) << c.clock;
        EXPECT_EQ(clockText(c.ms, false), c.clockSeconds) << c.clock;
        EXPECT_EQ(shortClockText(c.ms), c.shortText) << c.clock;
    }
}

}  // namespace
}  // namespace kalmero
