#include "model/settings.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kalmero {
namespace {

TEST(BreakLength, EveryWayInKeepsTheRange) {
    struct TextCase {
        std::string text;
        std::int64_t field;                     // fromFieldText's length
        std::optional<std::string> correction;  // and the text the field must show
        std::optional<std::int64_t> digits;     // fromDigits
    };
    const TextCase cases[] = {
        {"10", 10, std::nullopt, 10},
        {"0", 0, std::nullopt, 0},
        {"2147483", 2147483, std::nullopt, 2147483},
        {"2147484", 2147483, "2147483", std::nullopt},
        {"1.5", 0, "0", std::nullopt},
        {"-1", 0, "0", std::nullopt},
        {"$10", 16, std::nullopt, std::nullopt},
        {"", 0, "0", std::nullopt},
        {"99999999999999999999", 0, "0", std::nullopt},
    };
    for (const TextCase& c : cases) {
        const BreakLength::FieldReading reading = BreakLength::fromFieldText(c.text);
        EXPECT_EQ(reading.length.seconds(), c.field) << c.text;
        EXPECT_EQ(reading.correction, c.correction) << c.text;
        const std::optional<BreakLength> digits = BreakLength::fromDigits(c.text);
        EXPECT_EQ(digits ? std::optional(digits->seconds()) : std::nullopt, c.digits) << c.text;
        EXPECT_EQ(BreakLength::digitsFit(c.text), c.digits.has_value()) << c.text;
    }
    EXPECT_EQ(BreakLength().seconds(), 10);
    EXPECT_EQ(BreakLength::clamped(-5).seconds(), 0);
    EXPECT_EQ(BreakLength::clamped(1LL << 40).ms(), 2'147'483'000);
}

TEST(BreakMode, StoredIndexes) {
    const std::pair<std::int64_t, BreakMode> cases[] = {
        {-9, BreakMode::NotSelected}, {-1, BreakMode::NotSelected}, {0, BreakMode::Nearest},
        {1, BreakMode::OnTheHour},    {2, BreakMode::None},         {7, BreakMode::None},
    };
    for (const auto& [index, mode] : cases) {
        EXPECT_EQ(breakModeFromIndex(index), mode) << index;
    }
    EXPECT_EQ(breakModeIndex(BreakMode::NotSelected), -1);
}

}  // namespace
}  // namespace kalmero
