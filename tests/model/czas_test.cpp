#include "model/czas.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "support/snprintf_time_texts.h"

namespace kalmero {
namespace {

struct StartCase {
    std::string line;
    std::int64_t ms;
};

TEST(CzasStartInt, ReadsEachGroupByItself) {
    const StartCase cases[] = {
        {"Emi=12:34:56.789", 45'296'789},
        {"", 0},
        {"Emi=12:34", 45'240'000},
        {"Emi=12:34:56.78", 45'296'000},   // millisecond group cut short
        {"Emi=7:05:00.000", 0},            // one-digit hour shifts every group
        {"Emi=25:00:00.000", 90'000'000},  // hours are not limited to 23
        {"Emi=00:75:00.000", 4'500'000},   // nor minutes to 59
        {"Emi= 1:02:03.004", 3'723'004},   // leading blank inside a group
        {"Emi=$A:00:00.000", 36'000'000},  // hexadecimal group
        {"Emi=-1:00:00.000", -3'600'000},
        {"Emi=1 :00:00.000", 0},          // trailing blank: not an integer
        {"EMI=01:00:00.000", 3'600'000},  // the key is not looked at
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CzasStartInt(c.line), c.ms) << c.line;
    }
}

TEST(CzasTrwInt, ReadsMinutesSecondsMillis) {
    EXPECT_EQ(CzasTrwInt("Trw=03:25.500"), 205'500);
    EXPECT_EQ(CzasTrwInt("Trw=03:25.5"), 205'000);
    EXPECT_EQ(CzasTrwInt("Mix=99:59.999"), 5'999'999);
}

TEST(CzasStartString, FormatsWithTruncatingDivision) {
    const std::pair<std::int64_t, std::string> cases[] = {
        {0, "00:00:00.000"},
        {90'061'001, "25:01:01.001"},
        {-1'500, "00:00:-01.-500"},
        {45'296'789, "12:34:56.789"},
        {360'000'000, "100:00:00.000"},
        {-3'723'004, "-01:-02:-03.-004"},
        {2'147'483'648LL * 10, "5965:13:56.480"},
    };
    for (const auto& [ms, text] : cases) {
        EXPECT_EQ(CzasStartString(ms), text) << ms;
    }
}

TEST(CzasTrwString, DropsWholeHours) {
    EXPECT_EQ(CzasTrwString(205'500), "03:25.500");
    EXPECT_EQ(CzasTrwString(3'725'000), "02:05.000");
    EXPECT_EQ(CzasTrwString(0), "00:00.000");
}

// Edge values, then pseudo-random ones over the whole range and around the boundaries of
// every part (a unit, 100 hours, each power of ten of hours), of both signs.
std::vector<std::int64_t> timeTextInputs() {
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::vector<std::int64_t> values = {0,          1,           -1,          999,
                                        -999,       1000,        -1000,       59'999,
                                        -60'000,    3'599'999,   -3'600'000,  3'600'000,
                                        86'400'000, 359'999'999, 360'000'000, -360'000'000,
                                        kMin,       kMin + 1,    kMax,        kMax - 1};
    std::uint64_t state = 1975;
    const auto next = [&state] {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    };
    const std::int64_t units[] = {1000, 60'000, 3'600'000, 360'000'000};
    for (int i = 0; i < 100'000; ++i) {
        const std::uint64_t r = next();
        std::int64_t value;
        switch (i % 4) {
            case 0:
                value = static_cast<std::int64_t>(r);
                break;
            case 1:  // within a few days either side of zero
                value = static_cast<std::int64_t>(r % 1'000'000'000) - 500'000'000;
                break;
            case 2: {  // next to a multiple of a unit
                const std::int64_t unit = units[r % 4];
                const auto multiple = static_cast<std::int64_t>((r >> 8) % 100'000) - 50'000;
                value = multiple * unit + static_cast<std::int64_t>((r >> 40) % 5) - 2;
                break;
            }
            default: {  // around 10^k hours
                std::int64_t hours = 1;
                for (std::uint64_t k = r % 13; k > 0; --k) {
                    hours *= 10;
                }
                value =
                    hours * 3'600'000 + static_cast<std::int64_t>((r >> 8) % 7'200'000) - 3'600'000;
                value = (r >> 63) != 0 ? -value : value;
                break;
            }
        }
        values.push_back(value);
    }
    return values;
}

TEST(TimeTexts, SameBytesAsTheSnprintfFormatting) {
    char buffer[kStartTimeMaxLength];
    for (const std::int64_t ms : timeTextInputs()) {
        const std::string start = test::snprintfStartString(ms);
        const std::string trw = test::snprintfTrwString(ms);
        ASSERT_EQ(CzasStartString(ms), start) << ms;
        ASSERT_EQ(CzasTrwString(ms), trw) << ms;
        ASSERT_EQ(std::string(buffer, formatStartTime(ms, buffer)), start) << ms;
        ASSERT_EQ(std::string(buffer, formatDuration(ms, buffer)), trw) << ms;
        std::string appended = "Emi=";
        appendStartTime(appended, ms);
        appendDuration(appended, ms);
        ASSERT_EQ(appended, "Emi=" + start + trw) << ms;
    }
}

TEST(Pelna, StartOfTheHour) {
    EXPECT_EQ(pelna(45'296'789), 43'200'000);
    EXPECT_EQ(pelna(3'599'999), 0);
    EXPECT_EQ(pelna(7'200'000), 7'200'000);
}

TEST(ParseInteger, AcceptsWhatTheFilesUse) {
    EXPECT_EQ(parseInteger("007"), 7);
    EXPECT_EQ(parseInteger("$1E"), 30);
    EXPECT_EQ(parseInteger("x1e"), 30);
    EXPECT_EQ(parseInteger("  -12"), -12);
    EXPECT_EQ(parseInteger("+5"), 5);
    EXPECT_EQ(parseInteger("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(parseInteger("9223372036854775808"), std::nullopt);
    EXPECT_EQ(parseInteger(""), std::nullopt);
    EXPECT_EQ(parseInteger("-"), std::nullopt);
    EXPECT_EQ(parseInteger("$"), std::nullopt);
    EXPECT_EQ(parseInteger("12a"), std::nullopt);
    EXPECT_EQ(parseInteger("\t1"), std::nullopt);
    EXPECT_EQ(parseInteger("0x10"), std::nullopt);
}

}  // namespace
}  // namespace kalmero
