#include "model/czas.h"

#include <gtest/gtest.h>

#include <string>

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
        {"Emi=1 :00:00.000", 0},           // trailing blank: not an integer
        {"EMI=01:00:00.000", 3'600'000},   // the key is not looked at
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
