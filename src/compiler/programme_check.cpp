#include "compiler/programme_check.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "compiler/loudness_check.h"
#include "compiler/placement_report.h"
#include "model/bs1770.h"

namespace kalmero {

namespace {

constexpr std::int64_t kMinuteMs = 60'000;

// A figure as the reports show it, so that a difference never contradicts the figures
// beside it.
double shown(double figure) { return std::round(figure * 10) / 10; }

std::string withComma(std::optional<double> figure) {
    std::string text = formatLoudnessFigure(figure);
    std::replace(text.begin(), text.end(), '.', ',');
    return text;
}

std::string blockName(const BlockAgainstProgramme& comparison) {
    return "Blok " + shortClockText(comparison.booked);
}

bool isProgramme(const Lista& result, const std::vector<std::size_t>& origins, std::size_t r) {
    return (r >= origins.size() || origins[r] == kNoOrigin) && isProgrammeItem(result[r]);
}

const SpotLoudness* audioAt(const std::vector<const SpotLoudness*>& audio, std::size_t r) {
    return r < audio.size() && audio[r] != nullptr && !audio[r]->blockEnergies.empty() ? audio[r]
                                                                                       : nullptr;
}

struct ProgrammeItem {
    std::int64_t start = 0;
    std::int64_t end = 0;
    std::size_t r = 0;  // its result index
};

// Why a run of files gives no loudness, for "bez porównania".
std::string whyNoBlockLoudness(std::size_t measured) {
    return measured == 0 ? "spotów bloku nie zmierzono" : "spoty bloku są ciche";
}

}  // namespace

bool isProgrammeItem(const TPozycja& item) {
    return item.value(Field::Typ) != "REK" && !isNewsBreak(item);
}

void appendAired(std::vector<float>& stream, const SpotLoudness& audio, std::int64_t airedMs) {
    std::size_t count = audio.blockEnergies.size();
    if (airedMs > 0) {
        count = std::min(count, static_cast<std::size_t>(airedMs / kEnergyBlockMs));
    }
    stream.insert(stream.end(), audio.blockEnergies.begin(),
                  audio.blockEnergies.begin() + static_cast<std::ptrdiff_t>(count));
}

std::vector<BlockAgainstProgramme> checkBlocksAgainstProgramme(
    const Lista& result, const std::vector<std::size_t>& origins,
    const std::vector<AdvertBlock>& blocks, const std::vector<const SpotLoudness*>& audio,
    const LoudnessTargets& targets) {
    const std::int64_t window = std::int64_t{targets.programmeWindowMinutes} * kMinuteMs;
    // The programme by start, each with the latest end of those starting before it, so that
    // a block finds its window's items by search: a hostile day holds millions of records.
    std::vector<ProgrammeItem> items;
    for (std::size_t r = 0; r < result.size(); ++r) {
        if (isProgramme(result, origins, r)) {
            items.push_back({result[r].CzasStart, itemEnd(result, r), r});
        }
    }
    std::stable_sort(
        items.begin(), items.end(),
        [](const ProgrammeItem& a, const ProgrammeItem& b) { return a.start < b.start; });
    std::vector<std::int64_t> reach(items.size());
    std::int64_t latest = std::numeric_limits<std::int64_t>::min();
    for (std::size_t i = 0; i < items.size(); ++i) {
        latest = std::max(latest, items[i].end);
        reach[i] = latest;
    }
    std::vector<BlockAgainstProgramme> comparisons;
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        // Each spot once, where it first aired, in the order the air has them.
        std::vector<std::size_t> aired;
        for (const std::vector<std::size_t>& placed : blocks[b].placements) {
            if (!placed.empty() && placed.front() < result.size()) {
                aired.push_back(placed.front());
            }
        }
        if (aired.empty()) {
            continue;
        }
        std::sort(aired.begin(), aired.end());
        BlockAgainstProgramme comparison;
        comparison.spots = aired;
        comparison.block = b;
        comparison.booked = blocks[b].booked;
        comparison.airedFrom = std::numeric_limits<std::int64_t>::max();
        comparison.airedTo = std::numeric_limits<std::int64_t>::min();
        std::vector<float> spots;
        std::size_t spotsMeasured = 0;
        for (const std::size_t r : aired) {
            comparison.airedFrom = std::min(comparison.airedFrom, result[r].CzasStart);
            comparison.airedTo = std::max(comparison.airedTo, itemEnd(result, r));
            if (const SpotLoudness* spot = audioAt(audio, r)) {
                appendAired(spots, *spot);
                ++spotsMeasured;
            }
        }
        std::vector<float> programme;
        const std::int64_t from = comparison.airedFrom - window;
        const std::int64_t to = comparison.airedTo + window;
        const auto last = std::lower_bound(
            items.begin(), items.end(), to,
            [](const ProgrammeItem& item, std::int64_t time) { return item.start < time; });
        const auto first =
            items.begin() + (std::upper_bound(reach.begin(), reach.end(), from) - reach.begin());
        for (auto item = first; item < last; ++item) {
            if (item->end <= from) {
                continue;
            }
            const std::size_t r = item->r;
            ++comparison.programmeItems;
            if (const SpotLoudness* measured = audioAt(audio, r)) {
                appendAired(programme, *measured, result[r].CzasNwK);
                ++comparison.programmeMeasured;
            }
        }
        comparison.blockLufs = gatedLoudness(spots);
        comparison.programmeLufs = gatedLoudness(programme);
        const std::string windowText =
            " w oknie ±" + std::to_string(targets.programmeWindowMinutes) + " min";
        if (!comparison.blockLufs) {
            comparison.noComparison = whyNoBlockLoudness(spotsMeasured);
        } else if (comparison.programmeItems == 0) {
            comparison.noComparison = "brak pozycji programu" + windowText;
        } else if (comparison.programmeMeasured == 0) {
            comparison.noComparison = "brak zmierzonych plików programu (0 z " +
                                      std::to_string(comparison.programmeItems) + " pozycji" +
                                      windowText + ")";
        } else if (!comparison.programmeLufs) {
            comparison.noComparison = "program" + windowText + " jest cichy";
        } else {
            comparison.aboveLu =
                shown(shown(*comparison.blockLufs) - shown(*comparison.programmeLufs));
            comparison.tooLoud = *comparison.aboveLu > targets.maxAboveProgrammeLu;
        }
        comparisons.push_back(std::move(comparison));
    }
    return comparisons;
}

std::string programmeFindingText(const BlockAgainstProgramme& comparison) {
    if (!comparison.noComparison.empty()) {
        return blockName(comparison) + " bez porównania z programem: " + comparison.noComparison;
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
        } else if (!comparison.noComparison.empty()) {
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
        const std::string reason =
            encode ? encode(comparison.noComparison) : comparison.noComparison;
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
