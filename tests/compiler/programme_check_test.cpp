#include "compiler/programme_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "compiler/fixtures.h"

namespace kalmero {
namespace {

using test::at;
using test::kMinute;
using test::kSecond;

float energyAt(double lufs) { return static_cast<float>(std::pow(10.0, (lufs + 0.691) / 10)); }

// Audio of `ms` at one level, then `tailMs` at another.
SpotLoudness level(double lufs, std::int64_t ms, double tailLufs = 0, std::int64_t tailMs = 0) {
    SpotLoudness audio;
    audio.blockEnergies.assign(static_cast<std::size_t>(ms / kEnergyBlockMs), energyAt(lufs));
    audio.blockEnergies.insert(audio.blockEnergies.end(),
                               static_cast<std::size_t>(tailMs / kEnergyBlockMs),
                               energyAt(tailLufs));
    return audio;
}

std::vector<float> stream(std::initializer_list<std::pair<double, std::size_t>> parts) {
    std::vector<float> energies;
    for (const auto& [lufs, count] : parts) {
        energies.insert(energies.end(), count, energyAt(lufs));
    }
    return energies;
}

TEST(GatedLoudness, GatesAsBs1770) {
    const double halfAndHalf = 10 * std::log10((std::pow(10.0, -2.0) + std::pow(10.0, -2.6)) / 2);
    const struct {
        const char* name;
        std::vector<float> energies;
        std::optional<double> lufs;
    } cases[] = {
        {"Steady", stream({{-23, 50}}), -23.0},
        {"ThreeBlocksMakeNoGate", stream({{-23, 3}}), std::nullopt},
        {"FourMakeOne", stream({{-23, 4}}), -23.0},
        {"Silence", stream({{-200, 50}}), std::nullopt},
        {"UnderTheAbsoluteGate", stream({{-70.5, 50}}), std::nullopt},
        // Both halves above the relative gate: the energies' mean.
        {"TwoLevelsMeanEnergy", stream({{-20, 1000}, {-26, 1000}}), halfAndHalf},
        // The quiet half falls under the relative gate (only the straddling blocks are kept).
        {"QuietPartGatedOut", stream({{-20, 1000}, {-45, 1000}}), -20.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<double> lufs = gatedLoudness(c.energies);
        ASSERT_EQ(lufs.has_value(), c.lufs.has_value());
        if (lufs) {
            EXPECT_NEAR(*lufs, *c.lufs, 0.02);
        }
    }
}

// A compiled day laid out by hand: items back to back from `clock`, each with its audio.
struct Day {
    Lista spots;
    Lista result;
    std::vector<std::size_t> origins;
    std::vector<const SpotLoudness*> audio;
    std::int64_t clock = at("12:00:00.000");

    void item(std::int64_t length, const SpotLoudness* sound, const std::string& typ = "Typ=SND",
              std::int64_t nwk = -1) {
        TPozycja r = test::item("song", clock, length, typ);
        if (nwk >= 0) {
            r.CzasNwK = nwk;
        }
        result.push_back(r);
        origins.push_back(kNoOrigin);
        audio.push_back(sound);
        clock += length;
    }
    void gap(std::int64_t ms) { clock += ms; }
    // A block booked at `booked` airing now, its spots back to back.
    void block(std::int64_t booked, const std::vector<const SpotLoudness*>& sounds,
               std::int64_t spotMs = 30 * kSecond) {
        for (const SpotLoudness* sound : sounds) {
            TPozycja booking = test::spot("spot", booked, spotMs);
            spots.push_back(booking);
            booking.CzasStart = clock;
            result.push_back(booking);
            origins.push_back(spots.size() - 1);
            audio.push_back(sound);
            clock += spotMs;
        }
    }
    std::vector<BlockAgainstProgramme> check(const LoudnessTargets& targets = {}) const {
        return checkBlocksAgainstProgramme(result, origins, advertBlocks(spots, result, origins),
                                           audio, targets);
    }
};

TEST(ProgrammeCheck, ADayOfKnownLevels) {
    const SpotLoudness song = level(-23, 4 * kMinute);
    const SpotLoudness loud = level(-14, 30 * kSecond);
    const SpotLoudness quiet = level(-23.5, 30 * kSecond);
    const SpotLoudness silent = level(-200, 30 * kSecond);
    Day day;
    const auto songs = [&](int count, const SpotLoudness* sound) {
        for (int i = 0; i < count; ++i) {
            day.item(4 * kMinute, sound);
        }
    };
    songs(5, &song);
    day.block(at("12:20:00.000"), {&loud, &loud});
    songs(10, &song);
    day.block(at("13:00:00.000"), {&quiet});
    songs(5, &song);
    songs(5, nullptr);  // files not found
    day.block(at("14:00:00.000"), {&quiet});
    songs(5, nullptr);
    day.block(at("15:00:00.000"), {&silent});
    day.block(at("15:30:00.000"), {nullptr});

    struct Row {
        const char* name;
        double limit;
        std::vector<bool> tooLoud;
    };
    const Row rows[] = {{"Default", 1.0, {true, false, false, false, false}},
                        {"LimitAboveTheBlock", 9.1, {false, false, false, false, false}},
                        {"LimitJustUnder", 8.9, {true, false, false, false, false}},
                        {"LimitExactlyTheDifference", 9.0, {false, false, false, false, false}},
                        // The quieter block is 0.5 LU under: never named, whatever the limit.
                        {"NoLimit", 0.0, {true, false, false, false, false}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LoudnessTargets targets;
        targets.maxAboveProgrammeLu = row.limit;
        const std::vector<BlockAgainstProgramme> found = day.check(targets);
        ASSERT_EQ(found.size(), row.tooLoud.size());
        for (std::size_t b = 0; b < found.size(); ++b) {
            EXPECT_EQ(found[b].tooLoud, row.tooLoud[b]) << b;
        }
    }
    const std::vector<BlockAgainstProgramme> found = day.check();
    EXPECT_EQ(found[0].aboveLu, 9.0);
    EXPECT_EQ(found[1].aboveLu, -0.5);
    EXPECT_EQ(programmeFindingText(found[0]),
              "Blok 12:20 głośniejszy od programu o 9,0 LU (blok -14,0 LUFS, program -23,0 LUFS)");
    EXPECT_EQ(programmeFindingText(found[1]),
              "Blok 13:00 w granicy programu (blok -23,5 LUFS, program -23,0 LUFS)");
    EXPECT_EQ(programmeFindingText(found[2]),
              "Blok 14:00 bez porównania z programem: brak zmierzonych plików programu "
              "(0 z 8 pozycji w oknie ±15 min)");
    EXPECT_EQ(noComparisonText(found[3]), "spoty bloku są ciche");
    EXPECT_EQ(noComparisonText(found[4]), "spotów bloku nie zmierzono");
    EXPECT_EQ(programmeSummary(found),
              "Bloki głośniejsze od programu: 1\n  " + programmeFindingText(found[0]) +
                  "\nBloki bez porównania z programem: 3\n  " + programmeFindingText(found[2]) +
                  "\n  " + programmeFindingText(found[3]) + "\n  " +
                  programmeFindingText(found[4]) + "\n");
}

TEST(ProgrammeCheck, TheWindowsEdges) {
    const SpotLoudness sound = level(-23, 2 * kMinute);
    const SpotLoudness spotSound = level(-20, 30 * kSecond);
    // One item before the block and one after, `before` and `after` ms away from it, in a
    // window of five minutes.
    struct Row {
        const char* name;
        std::int64_t beforeGap;
        std::int64_t afterGap;
        const char* typ;
        std::size_t items;
    };
    const std::int64_t window = 5 * kMinute;
    const Row rows[] = {
        {"Touching", 0, 0, "Typ=SND", 2},
        {"EndsAtTheWindowsStart", window, window - 1, "Typ=SND", 1},
        {"EndsJustInside", window - 1, window, "Typ=SND", 1},
        {"BothOutside", window, window, "Typ=SND", 0},
        {"BothJustInside", window - 1, window - 1, "Typ=JNG", 2},
        {"PresenterLinks", 0, 0, "Typ=DJ_", 2},
        {"NewsBreaks", 0, 0, "Typ=BRK", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Day day;
        day.item(2 * kMinute, &sound, row.typ);
        day.gap(row.beforeGap);
        day.block(at("12:00:00.000"), {&spotSound});
        day.gap(row.afterGap);
        day.item(2 * kMinute, &sound, row.typ);
        LoudnessTargets targets;
        targets.programmeWindowMinutes = 5;
        const std::vector<BlockAgainstProgramme> found = day.check(targets);
        ASSERT_EQ(found.size(), 1U);
        EXPECT_EQ(found[0].programmeItems, row.items);
        EXPECT_EQ(found[0].programmeLufs.has_value(), row.items > 0);
        EXPECT_EQ(noComparisonText(found[0]),
                  row.items == 0 ? "brak pozycji programu w oknie ±5 min" : "");
    }
}

// A jingle mixed over the end of a longer song starts after it and ends before it: the song
// still reaches into the window when the jingle no longer does.
TEST(ProgrammeCheck, AnItemMixedOverALongerOneEndingAtTheWindowsEdge) {
    const SpotLoudness sound = level(-23, 20 * kMinute);
    const SpotLoudness spotSound = level(-20, 30 * kSecond);
    const struct {
        const char* name;
        std::int64_t jingleEnd;  // from the window's start
        std::size_t items;
    } rows[] = {{"EndsOnTheEdge", 0, 1}, {"EndsJustInside", 1, 2}, {"EndsJustBefore", -1, 1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Day day;
        const std::int64_t block = day.clock + 20 * kMinute;
        const std::int64_t windowStart = block - 5 * kMinute;
        day.item(16 * kMinute, &sound);
        day.result.push_back(test::item("jingle", windowStart - 5 * kMinute,
                                        5 * kMinute + row.jingleEnd, "Typ=JNG"));
        day.origins.push_back(kNoOrigin);
        day.audio.push_back(&sound);
        day.clock = block;
        day.block(at("12:20:00.000"), {&spotSound});
        LoudnessTargets targets;
        targets.programmeWindowMinutes = 5;
        const std::vector<BlockAgainstProgramme> found = day.check(targets);
        ASSERT_EQ(found.size(), 1U);
        EXPECT_EQ(found[0].programmeItems, row.items);
    }
}

TEST(ProgrammeCheck, WhatAirsOfEachFile) {
    // A minute at -20, then a minute at -26: the NwK cue ends what airs of it.
    const SpotLoudness song = level(-20, kMinute, -26, kMinute);
    const SpotLoudness spotSound = level(-20, 30 * kSecond);
    const double whole = 10 * std::log10((std::pow(10.0, -2.0) + std::pow(10.0, -2.6)) / 2);
    const struct {
        const char* name;
        std::int64_t nwk;
        double programme;
    } rows[] = {{"UpToTheCue", kMinute, -20.0}, {"NoCueWholeFile", 0, whole}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Day day;
        day.item(2 * kMinute, &song, "Typ=SND", row.nwk);
        day.block(at("12:00:00.000"), {&spotSound, &spotSound});
        const std::vector<BlockAgainstProgramme> found = day.check();
        ASSERT_EQ(found.size(), 1U);
        ASSERT_TRUE(found[0].programmeLufs);
        EXPECT_NEAR(*found[0].programmeLufs, row.programme, 0.05);
        EXPECT_NEAR(*found[0].blockLufs, -20.0, 0.01);
    }
}

TEST(ProgrammeCheck, CsvCellsPerSpotOfTheBlock) {
    const SpotLoudness song = level(-23, 4 * kMinute);
    const SpotLoudness loud = level(-14, 30 * kSecond);
    Day day;
    day.item(4 * kMinute, &song);
    day.block(at("12:04:00.000"), {&loud, &loud});
    day.block(at("12:30:00.000"), {&loud});
    // A booked spot never aired keeps empty cells.
    day.spots.push_back(test::spot("never", at("18:00:00.000"), 30 * kSecond));
    const auto found = day.check();
    const std::vector<std::string> cells = programmeCells(
        found, advertBlocks(day.spots, day.result, day.origins), day.spots.size(), {});
    EXPECT_EQ(cells, (std::vector<std::string>{"-14.0,-23.0,9.0,", "-14.0,-23.0,9.0,",
                                               "-14.0,-23.0,9.0,", ",,,"}));
}

}  // namespace
}  // namespace kalmero
