#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/day_report.h"
#include "model/bs1770.h"
#include "model/lists.h"
#include "model/spot_loudness.h"

namespace kalmero {

// The energies of `audio` that air: all of them, or the first `airedMs` when above 0
// (whole 100 ms blocks only).
void appendAired(std::vector<float>& stream, const SpotLoudness& audio, std::int64_t airedMs = 0);

// Whether a playlist or result item is programme to compare advert blocks with: neither an
// advert ("Typ=REK") nor a news break.
bool isProgrammeItem(const TPozycja& item);

// Why a block isn't compared with its programme.
enum class NoComparison {
    None,                  // it is compared
    SpotsNotMeasured,      // none of its spots was measured
    SpotsSilent,           // its spots, measured, give no loudness
    NoProgrammeItems,      // no programme item airs within its window
    ProgrammeNotMeasured,  // none of the window's items was measured
    ProgrammeSilent,       // the window's measured items give no loudness
};

// An advert block against the programme aired around it.
struct BlockAgainstProgramme {
    std::size_t block = 0;  // index in the day's block list
    std::int64_t booked = 0;
    // Where its spots aired: from the first one's start to the last one's end, ms.
    std::int64_t airedFrom = 0;
    std::int64_t airedTo = 0;
    // Its spots' result records, each spot's first airing, in result order.
    std::vector<std::size_t> spots;
    // Integrated loudness of its spots as aired one after another.
    std::optional<double> blockLufs;
    // Integrated loudness of the programme items aired within the window around it.
    std::optional<double> programmeLufs;
    std::size_t programmeItems = 0;     // playlist items within the window
    std::size_t programmeMeasured = 0;  // of them, those whose audio was measured
    // blockLufs − programmeLufs as shown, to one decimal; nullopt without both.
    std::optional<double> aboveLu;
    // Louder than its programme by more than the limit.
    bool tooLoud = false;
    NoComparison why = NoComparison::None;
    int windowMinutes = 0;  // the window's reach on each side
};

// Each aired advert block of the compiled day against its programme: the playlist items
// (isProgrammeItem, not copies of the advert list's spots) whose airing [start, itemEnd) overlaps
// the `programmeWindowMinutes` before the block's first spot or after its last, ends excluded. A
// programme item airs from its file's start up to its NwK cue point (where the next item takes over
// or a fade cut it), the whole file without one; a spot airs whole, each spot of the block once
// (its first airing). `audio[r]` is what was measured of result record r's file, null when nothing
// was (not found, not measured yet); a shorter list leaves the rest null. Blocks that never aired
// are left out: the day's checks name them.
std::vector<BlockAgainstProgramme> checkBlocksAgainstProgramme(
    const Lista& result, const std::vector<std::size_t>& origins,
    const std::vector<AdvertBlock>& blocks, const std::vector<const SpotLoudness*>& audio,
    const LoudnessTargets& targets);

// Why a block isn't compared, for a person (Polish, UTF-8): "brak pozycji programu w oknie
// ±15 min"; "" when it is compared.
std::string noComparisonText(const BlockAgainstProgramme& comparison);

// One comparison for a person (UTF-8): "Blok 12:00 głośniejszy od programu o 4,2 LU
// (blok -14,0 LUFS, program -18,2 LUFS)", "Blok 12:00 bez porównania z programem: why", or
// the figures of a block within the limit.
std::string programmeFindingText(const BlockAgainstProgramme& comparison);

// The findings of a day for a person (UTF-8): the blocks louder than their programme, then
// those without a comparison, each group under its count, one block a line led by two
// spaces; "" when there are none.
std::string programmeSummary(const std::vector<BlockAgainstProgramme>& comparisons);

// The columns the placement report gains for its spot's block, and per spot of the advert
// list the cells under them ready to follow a comma: the block's loudness, the programme's
// and the difference with a dot and one decimal, then why there is no comparison; empty
// for a spot whose block wasn't aired. The reason is made Windows-1250 with `encode`, as the
// rest of the report.
inline constexpr std::string_view kProgrammeHeader =
    "block integrated (LUFS),programme integrated (LUFS),block above programme (LU),"
    "programme reason";
std::vector<std::string> programmeCells(const std::vector<BlockAgainstProgramme>& comparisons,
                                        const std::vector<AdvertBlock>& blocks,
                                        std::size_t spotCount,
                                        const std::function<std::string(std::string_view)>& encode);

}  // namespace kalmero
