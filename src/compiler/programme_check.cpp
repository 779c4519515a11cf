#include "compiler/programme_check.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kalmero {

namespace {

constexpr std::int64_t kMinuteMs = 60'000;

// A figure as the reports show it, so that a difference never contradicts the figures
// beside it.
double shown(double figure) { return std::round(figure * 10) / 10; }

bool isProgramme(const Lista& result, const std::vector<std::size_t>& origins, std::size_t r) {
    return (r >= origins.size() || origins[r] == kNoOrigin) && isProgrammeItem(result[r]);
}

const SpotLoudness* audioAt(const std::vector<const SpotLoudness*>& audio, std::size_t r) {
    return r < audio.size() && audio[r] != nullptr && !audio[r]->blockEnergies.empty() ? audio[r]
                                                                                       : nullptr;
}

// The day's programme items by start, each with the latest end of those starting before it,
// so that a block finds its window's items by search: a hostile day holds millions of records.
class ProgrammeTimeline {
public:
    ProgrammeTimeline(const Lista& result, const std::vector<std::size_t>& origins) {
        for (std::size_t r = 0; r < result.size(); ++r) {
            if (isProgramme(result, origins, r)) {
                m_items.push_back({result[r].CzasStart, itemEnd(result, r), r});
            }
        }
        std::stable_sort(m_items.begin(), m_items.end(),
                         [](const Item& a, const Item& b) { return a.start < b.start; });
        m_reach.reserve(m_items.size());
        std::int64_t latest = std::numeric_limits<std::int64_t>::min();
        for (const Item& item : m_items) {
            latest = std::max(latest, item.end);
            m_reach.push_back(latest);
        }
    }

    // The result indexes of the items whose airing [start, end) overlaps (from, to), by start.
    std::vector<std::size_t> overlapping(std::int64_t from, std::int64_t to) const {
        // Past the last item starting before `to`; from the first whose reach passes `from`
        // (an item mixed over a longer one may end before it).
        const auto last =
            std::lower_bound(m_items.begin(), m_items.end(), to,
                             [](const Item& item, std::int64_t time) { return item.start < time; });
        const auto first =
            m_items.begin() +
            (std::upper_bound(m_reach.begin(), m_reach.end(), from) - m_reach.begin());
        std::vector<std::size_t> found;
        for (auto item = first; item < last; ++item) {
            if (item->end > from) {
                found.push_back(item->r);
            }
        }
        return found;
    }

private:
    struct Item {
        std::int64_t start = 0;
        std::int64_t end = 0;
        std::size_t r = 0;  // its result index
    };
    std::vector<Item> m_items;
    std::vector<std::int64_t> m_reach;
};

// A block's spots that aired, each where it first aired, in the order the air has them.
std::vector<std::size_t> firstAirings(const AdvertBlock& block, std::size_t resultSize) {
    std::vector<std::size_t> aired;
    for (const std::vector<std::size_t>& placed : block.placements) {
        if (!placed.empty() && placed.front() < resultSize) {
            aired.push_back(placed.front());
        }
    }
    std::sort(aired.begin(), aired.end());
    return aired;
}

// The block's airing, its spots' loudness as aired one after another, and how many of them
// were measured.
std::size_t measureBlock(BlockAgainstProgramme& comparison, const Lista& result,
                         const std::vector<const SpotLoudness*>& audio) {
    comparison.airedFrom = std::numeric_limits<std::int64_t>::max();
    comparison.airedTo = std::numeric_limits<std::int64_t>::min();
    std::vector<float> spots;
    std::size_t measured = 0;
    for (const std::size_t r : comparison.spots) {
        comparison.airedFrom = std::min(comparison.airedFrom, result[r].CzasStart);
        comparison.airedTo = std::max(comparison.airedTo, itemEnd(result, r));
        if (const SpotLoudness* spot = audioAt(audio, r)) {
            appendAired(spots, *spot);
            ++measured;
        }
    }
    comparison.blockLufs = gatedLoudness(spots);
    return measured;
}

// The loudness of the programme within the window around the block's airing.
void measureProgramme(BlockAgainstProgramme& comparison, const ProgrammeTimeline& programme,
                      const Lista& result, const std::vector<const SpotLoudness*>& audio) {
    const std::int64_t window = std::int64_t{comparison.windowMinutes} * kMinuteMs;
    std::vector<float> aired;
    for (const std::size_t r :
         programme.overlapping(comparison.airedFrom - window, comparison.airedTo + window)) {
        ++comparison.programmeItems;
        if (const SpotLoudness* item = audioAt(audio, r)) {
            appendAired(aired, *item, result[r].CzasNwK);
            ++comparison.programmeMeasured;
        }
    }
    comparison.programmeLufs = gatedLoudness(aired);
}

NoComparison whyNotCompared(const BlockAgainstProgramme& comparison, std::size_t spotsMeasured) {
    if (!comparison.blockLufs) {
        return spotsMeasured == 0 ? NoComparison::SpotsNotMeasured : NoComparison::SpotsSilent;
    }
    if (comparison.programmeItems == 0) {
        return NoComparison::NoProgrammeItems;
    }
    if (comparison.programmeMeasured == 0) {
        return NoComparison::ProgrammeNotMeasured;
    }
    return comparison.programmeLufs ? NoComparison::None : NoComparison::ProgrammeSilent;
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
    const ProgrammeTimeline programme(result, origins);
    std::vector<BlockAgainstProgramme> comparisons;
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        BlockAgainstProgramme comparison;
        comparison.spots = firstAirings(blocks[b], result.size());
        if (comparison.spots.empty()) {
            continue;
        }
        comparison.block = b;
        comparison.booked = blocks[b].booked;
        comparison.windowMinutes = targets.programmeWindowMinutes;
        const std::size_t spotsMeasured = measureBlock(comparison, result, audio);
        measureProgramme(comparison, programme, result, audio);
        comparison.why = whyNotCompared(comparison, spotsMeasured);
        if (comparison.why == NoComparison::None) {
            comparison.aboveLu =
                shown(shown(*comparison.blockLufs) - shown(*comparison.programmeLufs));
            comparison.tooLoud = *comparison.aboveLu > targets.maxAboveProgrammeLu;
        }
        comparisons.push_back(std::move(comparison));
    }
    return comparisons;
}

}  // namespace kalmero
