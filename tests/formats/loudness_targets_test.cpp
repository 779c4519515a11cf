#include "formats/loudness_targets.h"

#include <gtest/gtest.h>

namespace kalmero {
namespace {

TEST(LoudnessTargets, ReadsDecimalsAndKeepsDefaultsForTheRest) {
    struct Case {
        const char* ini;
        LoudnessTargets targets;
    };
    const Case cases[] = {
        {"", {-18, -1, 3, 2}},
        {"[kontrola]\r\nMaxKrotkoterminowaLUFS=-17.5\r\nMaxSzczytDBTP= -2,5 \r\nRoznicaLU=+4\r\n"
         "MaxCiszaSekundy=0,5\r\n",
         {-17.5, -2.5, 4, 0.5}},
        {"[Kontrola]\nMaxKrotkoterminowaLUFS=głośno\nMaxSzczytDBTP=3\nRoznicaLU=-1\n"
         "MaxCiszaSekundy=-1\n",
         {-18, -1, 3, 2}},
        {"[Kontrola]\nMaxKrotkoterminowaLUFS=-18dB\nMaxSzczytDBTP=inf\nRoznicaLU=\n"
         "MaxCiszaSekundy=3601\n",
         {-18, -1, 3, 2}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseLoudnessTargets(c.ini), c.targets) << c.ini;
    }
}

}  // namespace
}  // namespace kalmero
