// The 100 ms energies a measuring keeps are what runs of files are gated over: gated alone,
// a file's give its own integrated loudness.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "compiler/programme_check.h"
#include "platform/loudness.h"
#include "support/temp_folder.h"

namespace kalmero::test {
namespace {

TEST(ProgrammeAudio, TheKeptEnergiesGateToTheFilesIntegratedLoudness) {
    if (std::system("command -v sox > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "sox is not installed";
    }
    const struct {
        const char* name;
        const char* format;
        const char* synth;
    } cases[] = {
        {"Steady", "-r 48000 -c 2", "synth 10 sine 1000 vol -23 dB"},
        // The quiet half under the relative gate.
        {"StepOf20dB", "-r 48000 -c 2",
         "synth 10 sine 1000 vol -36 dB : synth 10 sine 1000 vol -16 dB"},
        {"MonoAsAired", "-r 44100 -c 1", "synth 10.05 pinknoise vol -20 dB"},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder / "spot.wav";
        const std::string command =
            std::string("sox -n ") + c.format + " '" + path + "' " + c.synth + " 2> /dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const SpotLoudness loudness = measureLoudness(path).loudness;
        ASSERT_TRUE(loudness.integratedLufs);
        EXPECT_EQ(static_cast<std::int64_t>(loudness.blockEnergies.size()),
                  loudness.decodedMs / kEnergyBlockMs);
        const std::optional<double> gated = gatedLoudness(loudness.blockEnergies);
        ASSERT_TRUE(gated);
        EXPECT_NEAR(*gated, *loudness.integratedLufs, 0.02);
    }
}

}  // namespace
}  // namespace kalmero::test
