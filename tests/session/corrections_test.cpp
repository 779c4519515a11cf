#include "session/corrections.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kalmero {
namespace {

// A 3 s spot at one level.
SpotLoudness level(double lufs, double peak = -3) {
    SpotLoudness audio;
    audio.decodedMs = 3000;
    audio.integratedLufs = lufs;
    audio.maxShortTermLufs = lufs;
    audio.truePeakDbtp = peak;
    audio.blockEnergies.assign(30, static_cast<float>(std::pow(10.0, (lufs + 0.691) / 10)));
    return audio;
}

SpotLoudness lowered(const SpotLoudness& spot, double gainDb) {
    SpotLoudness copy = level(*spot.integratedLufs - gainDb, *spot.truePeakDbtp - gainDb);
    copy.decodedMs = 3026;  // an encoder's frame more
    return copy;
}

TPozycja booking(const std::string& pathLine) {
    TPozycja spot;
    spot.set(Field::Emi, "Emi=12:00:00.000");
    spot.set(Field::Adr, "Adr=" + pathLine);
    return spot;
}

enum class Maker { Lowers, Overshoots, FallsFarShort, NameTaken };

TEST(CorrectDay, UsesOnlyCopiesWithinTheirTargetsAndBlocks) {
    const std::string longLine = "C:\\" + std::string(236, 'x') + "\\a.mp3";
    const struct {
        const char* name;
        SpotLoudness spot;
        std::string line;
        Maker maker;
        std::optional<double> programme;  // a block of the spot alone
        std::string playoutFolder;
        bool used;
        CorrectionProblem problem;
        std::string copyLine;
        std::size_t copies = 1;  // made or found
    } rows[] = {
        {"within its targets: nothing made", level(-20), "C:\\R\\a.mp3", Maker::Lowers,
         std::nullopt, "", false, CorrectionProblem::None, "", 0},
        {"lowered beside the original", level(-20, 1.5), "C:\\R\\pizzeria.mp3", Maker::Lowers,
         std::nullopt, "", true, CorrectionProblem::None, "C:\\R\\pizzeria.-2.5dB.mp3"},
        {"lowered into the copies' folder", level(-20, 1.5), "C:\\R\\a.mp3", Maker::Lowers,
         std::nullopt, "P:\\Poprawione", true, CorrectionProblem::None,
         "P:\\Poprawione\\a.-2.5dB.mp3"},
        {"a copy still loud airs the original", level(-20, 1.5), "C:\\R\\a.mp3", Maker::Overshoots,
         std::nullopt, "", false, CorrectionProblem::CopyStillLoud, ""},
        {"a name taken airs the original", level(-20, 1.5), "C:\\R\\a.mp3", Maker::NameTaken,
         std::nullopt, "", false, CorrectionProblem::CopyNotMade, ""},
        {"a line the field can't hold: nothing made", level(-20, 1.5), longLine, Maker::Lowers,
         std::nullopt, "", false, CorrectionProblem::PathTooLong, "", 0},
        {"a block lowered to its programme", level(-14), "C:\\R\\a.mp3", Maker::Lowers, -24.0, "",
         true, CorrectionProblem::None, "C:\\R\\a.-9.0dB.mp3"},
        {"a block an encoder left over is made once more, lower", level(-14), "C:\\R\\a.mp3",
         Maker::Overshoots, -24.0, "", true, CorrectionProblem::None, "C:\\R\\a.-9.5dB.mp3", 2},
        {"a block left far over airs as it was", level(-14), "C:\\R\\a.mp3", Maker::FallsFarShort,
         -24.0, "", false, CorrectionProblem::BlockStillLoud, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Lista spots{booking(row.line)};
        const std::vector<SpotMeasure> measures{SpotMeasure(3000, {}, "/srv/R/a.mp3")};
        const DayLoudness loudness(LoudnessPlan{{"a"}, {0}, {}}, {{row.spot}, {}},
                                   LoudnessTargets{});
        std::vector<BlockAgainstProgramme> programme;
        if (row.programme) {
            programme.push_back({});
            programme.back().spots = {0};
            programme.back().programmeLufs = row.programme;
        }
        CorrectionSettings settings{true, "", row.playoutFolder};
        const LoudnessTargets targets;
        const std::vector<std::size_t> origins{0};
        std::size_t made = 0;
        const CopyMakerTool make = [&](const CopyRequest& request) {
            ++made;
            CopyMade copy;
            copy.gainDb = request.gainDb;
            copy.target = request.targetFor(request.gainDb);
            if (row.maker == Maker::NameTaken) {
                copy.written.failure = CopyFailure::NameTaken;
                return copy;
            }
            copy.loudness =
                lowered(row.spot, request.gainDb - (row.maker == Maker::Overshoots      ? 0.5
                                                    : row.maker == Maker::FallsFarShort ? 4.0
                                                                                        : 0));
            return copy;
        };
        const std::vector<SpotCorrection> corrections =
            correctDay({spots, measures, loudness, programme, origins, targets, settings}, make,
                       [](std::string_view text) { return std::string(text); });
        ASSERT_EQ(corrections.size(), 1U);
        EXPECT_EQ(corrections[0].used, row.used);
        EXPECT_EQ(corrections[0].problem, row.problem);
        EXPECT_EQ(corrections[0].used ? corrections[0].copyLine : "", row.copyLine);
        EXPECT_EQ(made, row.copies);
        if (row.used) {
            EXPECT_EQ(corrections[0].copyMs, 3026);
        }
    }
}

}  // namespace
}  // namespace kalmero
