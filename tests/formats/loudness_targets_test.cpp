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
        {"", {-18, -1, 3, 15, 1.0}},
        {"[Kontrola]\nMaxNadProgramLU=2,5\nOknoProgramuMinuty=180\n", {-18, -1, 3, 180, 2.5}},
        {"[Kontrola]\nMaxNadProgramLU=0\nOknoProgramuMinuty=1\n", {-18, -1, 3, 1, 0}},
        // Out of range, not whole, not a number: the defaults stand.
        {"[Kontrola]\nMaxNadProgramLU=-0.1\nOknoProgramuMinuty=181\n", {-18, -1, 3, 15, 1.0}},
        {"[Kontrola]\nMaxNadProgramLU=70.1\nOknoProgramuMinuty=0\n", {-18, -1, 3, 15, 1.0}},
        {"[Kontrola]\nMaxNadProgramLU=dużo\nOknoProgramuMinuty=7.5\n", {-18, -1, 3, 15, 1.0}},
        {"[kontrola]\r\nMaxKrotkoterminowaLUFS=-17.5\r\nMaxSzczytDBTP= -2,5 \r\nRoznicaLU=+4\r\n",
         {-17.5, -2.5, 4}},
        {"[Kontrola]\nMaxKrotkoterminowaLUFS=głośno\nMaxSzczytDBTP=3\nRoznicaLU=-1\n",
         {-18, -1, 3}},
        {"[Kontrola]\nMaxKrotkoterminowaLUFS=-18dB\nMaxSzczytDBTP=inf\nRoznicaLU=\n", {-18, -1, 3}},
        // Each range to its boundary, and each key for itself.
        {"[Kontrola]\nMaxKrotkoterminowaLUFS=0\nMaxSzczytDBTP=0\nRoznicaLU=70\n", {0, 0, 70}},
        {"[Kontrola]\nMaxKrotkoterminowaLUFS=-70\nMaxSzczytDBTP=-70\nRoznicaLU=0\n", {-70, -70, 0}},
        {"[Kontrola]\nMaxKrotkoterminowaLUFS=0.1\nMaxSzczytDBTP=0.1\nRoznicaLU=70.1\n",
         {-18, -1, 3}},
        {"[Kontrola]\nMaxKrotkoterminowaLUFS=-70.1\nMaxSzczytDBTP=-70.1\nRoznicaLU=-0.1\n",
         {-18, -1, 3}},
        {"[Kontrola]\nMaxKrotkoterminowaLUFS=-20\n", {-20, -1, 3}},
        {"[Kontrola]\nMaxSzczytDBTP=-2\n", {-18, -2, 3}},
        {"[Kontrola]\nRoznicaLU=4\n", {-18, -1, 4}},
        {"[Kontrola]\r\nMaxCiszaSekundy=0,5\r\n", {-18, -1, 3, 15, 1.0, 0.5}},
        {"[Kontrola]\nMaxCiszaSekundy=-1\n", {-18, -1, 3, 15, 1.0, 2}},
        {"[Kontrola]\nMaxCiszaSekundy=3601\n", {-18, -1, 3, 15, 1.0, 2}},
        {"[Kontrola]\nMaxCiszaSekundy=0\n", {-18, -1, 3, 15, 1.0, 0}},
        {"[Kontrola]\nMaxCiszaSekundy=3600\n", {-18, -1, 3, 15, 1.0, 3'600}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseLoudnessTargets(c.ini), c.targets) << c.ini;
    }
}

}  // namespace
}  // namespace kalmero
