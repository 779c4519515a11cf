// The configuration's keys as the program starts with them: each key's spelling, default,
// range and boundary, one row each.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "formats/konfiguracja_file.h"

namespace kalmero {
namespace {

constexpr std::int64_t kMinute = 60'000;

TEST(StoredSettings, TheDaysLimitsByKeyWithTheirDefaultsAndRanges) {
    const struct {
        const char* ini;
        std::int64_t driftLimitMs;
        std::int64_t longSpotMs;
    } cases[] = {
        {"", 5 * kMinute, 60 * kMinute},
        {"[Kontrola]\r\nDriftMinutes=7\r\nLongSpotMinutes=2\r\n", 7 * kMinute, 2 * kMinute},
        {"[kontrola]\nlongspotminutes=3\ndriftminutes=0\n", 0, 3 * kMinute},
        {"[Kontrola]\nDriftMinutes=1440\nLongSpotMinutes=1440\n", 1440 * kMinute, 1440 * kMinute},
        {"[Kontrola]\nDriftMinutes=1441\nLongSpotMinutes=1441\n", 1440 * kMinute, 1440 * kMinute},
        {"[Kontrola]\nDriftMinutes=-1\nLongSpotMinutes=0\n", 0, 1 * kMinute},
        {"[Kontrola]\nLongSpotMinutes=1\n", 5 * kMinute, 1 * kMinute},
        {"[Kontrola]\nDriftMinutes=pięć\nLongSpotMinutes=\n", 5 * kMinute, 60 * kMinute},
        // Misspelt or in another section: the defaults.
        {"[Kontrola]\nLongSpotMinute=2\nDriftMinute=2\n", 5 * kMinute, 60 * kMinute},
        {"[Break]\nLongSpotMinutes=2\nDriftMinutes=2\n", 5 * kMinute, 60 * kMinute},
    };
    for (const auto& c : cases) {
        const StoredSettings stored = parseStoredSettings(c.ini);
        EXPECT_EQ(stored.driftLimitMs, c.driftLimitMs) << c.ini;
        EXPECT_EQ(stored.longSpotMs, c.longSpotMs) << c.ini;
    }
}

TEST(StoredSettings, TheBreakKeys) {
    const struct {
        const char* ini;
        BreakMode mode;
        bool fade;
        std::int64_t seconds;
    } cases[] = {
        {"", BreakMode::Nearest, false, 10},
        {"[Break]\nStart=1\nFade=1\nTime=25\n", BreakMode::OnTheHour, true, 25},
        {"[Break]\nStart=2\nFade=7\nTime=0\n", BreakMode::None, true, 0},
        {"[Break]\nStart=7\nFade=0\nTime=-5\n", BreakMode::None, false, -5},
        {"[Break]\nStart=-1\nFade=tak\nTime=2147484\n", BreakMode::NotSelected, false, 2147483},
        {"[Foldery]\nStart=1\nFade=1\nTime=25\n", BreakMode::Nearest, false, 10},
    };
    for (const auto& c : cases) {
        const StoredSettings stored = parseStoredSettings(c.ini);
        EXPECT_EQ(stored.mode, c.mode) << c.ini;
        EXPECT_EQ(stored.fade, c.fade) << c.ini;
        EXPECT_EQ(stored.seconds, c.seconds) << c.ini;
    }
}

}  // namespace
}  // namespace kalmero
