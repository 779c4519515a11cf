#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/programme_check.h"
#include "formats/correction_settings.h"
#include "model/lists.h"
#include "model/spot_measure.h"
#include "platform/copy_maker.h"
#include "session/loudness_run.h"

namespace kalmero {

// Why a loud spot airs as it is although it needed lowering.
enum class CorrectionProblem {
    None,
    CopyNotMade,      // the copy couldn't be written: copyFailure and its reason
    CopyNotMeasured,  // the copy was written but the meter couldn't read it: reason
    CopyStillLoud,    // the copy measured above a target still: stillShortDb more was needed
    BlockStillLoud,   // its block with the copies is still louder than its programme: blockAboveLu
    PathTooLong,      // the path line naming the copy would be lineLength bytes
};

// What correcting one booking of the advert list gave.
struct SpotCorrection {
    // The attenuation its targets and its block need, in dB; 0 when it needs none.
    double gainDb = 0;
    // The copy (local path, UTF-8) and the path line naming it (Windows-1250); empty when none
    // was made or found.
    std::string copy;
    std::string copyLine;
    double copyGainDb = 0;    // the copy's own gain: more than gainDb after an encoder's overshoot
    std::int64_t copyMs = 0;  // the copy's decoded length
    bool used = false;        // the result airs the copy
    bool reused = false;      // an earlier run made it
    CorrectionProblem problem = CorrectionProblem::None;
    CopyFailure copyFailure = CopyFailure::None;
    std::string reason;  // the system's or the library's words (Polish, UTF-8)
    double stillShortDb = 0;
    std::optional<double> blockAboveLu;
    std::size_t lineLength = 0;
};

// A compiled and measured day to correct.
struct DayToCorrect {
    const Lista& spots;                        // the advert list
    const std::vector<SpotMeasure>& measures;  // per spot: its local file
    const DayLoudness& loudness;
    const std::vector<BlockAgainstProgramme>& programme;
    const std::vector<std::size_t>& origins;  // per result record, its spot
    const LoudnessTargets& targets;
    const CorrectionSettings& settings;
};

// Each spot's correction, in list order: the gains the targets ask for, one copy per file and
// gain made (or found) with `make`, each copy checked against the targets and each corrected
// block against its programme; only a copy that passes both is used. `decode` makes Windows-1250
// bytes UTF-8 (the copies' folder).
std::vector<SpotCorrection> correctDay(const DayToCorrect& day, const CopyMakerTool& make,
                                       const std::function<std::string(std::string_view)>& decode);

// Makes the spots whose copies are used play them: their path lines and lengths, and the
// local files their measures name.
void airCopies(const std::vector<SpotCorrection>& corrections, Lista& spots,
               std::vector<SpotMeasure>& measures);

// A copy's file name: "pizzeria.mp3" lowered 6.5 dB is "pizzeria.-6.5dB.mp3".
std::string correctedName(std::string_view name, double gainDb);

// One spot's correction for a person (Polish, UTF-8): "obniżony o 6,5 dB: pizzeria.-6.5dB.mp3"
// or why the original airs; "" when it needed none.
std::string correctionText(const SpotCorrection& correction);

// The batch summary's lines (UTF-8): the spots corrected, then those left as they were, each
// by its title and time; "" when none needed correcting.
std::string correctionSummary(const std::vector<SpotCorrection>& corrections, const Lista& spots,
                              const std::function<std::string(std::string_view)>& decode);

// The columns the placement report gains when corrections were asked for, and each spot's
// cells under them ready to follow a comma: the gain of the copy aired ("-6.5"), its path line,
// or why the original airs (made Windows-1250 with `encode`).
inline constexpr std::string_view kCorrectionHeader = "gain (dB),corrected file,correction reason";
std::vector<std::string> correctionCells(const std::vector<SpotCorrection>& corrections,
                                         std::size_t spotCount, const Cp1250Encoder& encode);

}  // namespace kalmero
