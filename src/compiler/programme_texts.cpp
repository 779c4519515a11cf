// The programme comparison's words: what the batch prints, the window shows and the placement
// report's cells hold.
#include <algorithm>

#include "compiler/loudness_check.h"
#include "compiler/placement_report.h"
#include "compiler/programme_check.h"

namespace kalmero {

namespace {

std::string withComma(std::optional<double> figure) {
    std::string text = formatLoudnessFigure(figure);
    std::replace(text.begin(), text.end(), '.', ',');
    return text;
}

std::string blockName(const BlockAgainstProgramme& comparison) {
    return "Blok " + shortClockText(comparison.booked);
}

}  // namespace

std::string noComparisonText(const BlockAgainstProgramme& comparison) {
    const std::string window = " w oknie ±" + std::to_string(comparison.windowMinutes) + " min";
    switch (comparison.why) {
        case NoComparison::None:
            return {};
        case NoComparison::SpotsNotMeasured:
            return "spotów bloku nie zmierzono";
        case NoComparison::SpotsSilent:
            return "spoty bloku są ciche";
        case NoComparison::NoProgrammeItems:
            return "brak pozycji programu" + window;
        case NoComparison::ProgrammeNotMeasured:
            return "brak zmierzonych plików programu (0 z " +
                   std::to_string(comparison.programmeItems) + " pozycji" + window + ")";
        case NoComparison::ProgrammeSilent:
            return "program" + window + " jest cichy";
    }
    return {};
}

std::string programmeFindingText(const BlockAgainstProgramme& comparison) {
    if (comparison.why != NoComparison::None) {
        return blockName(comparison) +
               " bez porównania z programem: " + noComparisonText(comparison);
    }
    const std::string figures = "blok " + withComma(comparison.blockLufs) + " LUFS, program " +
                                withComma(comparison.programmeLufs) + " LUFS";
    if (comparison.tooLoud) {
        return blockName(comparison) + " głośniejszy od programu o " +
               withComma(comparison.aboveLu) + " LU (" + figures + ")";
    }
    return blockName(comparison) + " w granicy programu (" + figures + ")";
}

std::string programmeSummary(const std::vector<BlockAgainstProgramme>& comparisons) {
    std::string loud;
    std::string uncompared;
    std::size_t loudCount = 0;
    std::size_t uncomparedCount = 0;
    for (const BlockAgainstProgramme& comparison : comparisons) {
        if (comparison.tooLoud) {
            loud += "  " + programmeFindingText(comparison) + "\n";
            ++loudCount;
        } else if (comparison.why != NoComparison::None) {
            uncompared += "  " + programmeFindingText(comparison) + "\n";
            ++uncomparedCount;
        }
    }
    std::string text;
    if (loudCount > 0) {
        text += "Bloki głośniejsze od programu: " + std::to_string(loudCount) + "\n" + loud;
    }
    if (uncomparedCount > 0) {
        text += "Bloki bez porównania z programem: " + std::to_string(uncomparedCount) + "\n" +
                uncompared;
    }
    return text;
}

std::vector<std::string> programmeCells(
    const std::vector<BlockAgainstProgramme>& comparisons, const std::vector<AdvertBlock>& blocks,
    std::size_t spotCount, const std::function<std::string(std::string_view)>& encode) {
    const std::string none(
        static_cast<std::size_t>(std::count(kProgrammeHeader.begin(), kProgrammeHeader.end(), ',')),
        ',');
    std::vector<std::string> cells(spotCount, none);
    for (const BlockAgainstProgramme& comparison : comparisons) {
        const AdvertBlock& block = blocks[comparison.block];
        const std::string why = noComparisonText(comparison);
        const std::string reason = encode ? encode(why) : why;
        const std::string text = formatLoudnessFigure(comparison.blockLufs) + "," +
                                 formatLoudnessFigure(comparison.programmeLufs) + "," +
                                 formatLoudnessFigure(comparison.aboveLu) + "," +
                                 PlacementReport::csvField(reason);
        for (std::size_t s = 0; s < block.spotCount; ++s) {
            if (block.firstSpot + s < spotCount) {
                cells[block.firstSpot + s] = text;
            }
        }
    }
    return cells;
}

}  // namespace kalmero
