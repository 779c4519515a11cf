#include "compiler/loudness_gain.h"

#include <algorithm>
#include <cmath>

#include "compiler/programme_check.h"

namespace kalmero {

namespace {

// Figures are compared as shown, to one decimal; this keeps "-18.0 > -18" from being true by
// a rounding.
constexpr double kTolerance = 1e-6;

double shown(double figure) { return std::round(figure * 10) / 10; }

// Whole steps of kGainStepDb that take `excess` dB away; 0 for none.
long stepsFor(double excess) {
    return excess <= kTolerance ? 0 : std::lround(std::ceil(excess / kGainStepDb - kTolerance));
}

double gainOf(long steps) { return static_cast<double>(steps) * kGainStepDb; }

long ownSteps(const SpotLoudness& spot, std::optional<double> median,
              const LoudnessTargets& targets) {
    long steps = 0;
    if (spot.maxShortTermLufs) {
        steps = std::max(steps, stepsFor(shown(*spot.maxShortTermLufs) - targets.maxShortTermLufs));
    }
    if (spot.truePeakDbtp) {
        steps = std::max(steps, stepsFor(shown(*spot.truePeakDbtp) - targets.maxTruePeakDbtp));
    }
    if (spot.integratedLufs && median) {
        steps = std::max(
            steps, stepsFor(shown(*spot.integratedLufs) - shown(*median) - targets.aboveMedianLu));
    }
    return steps;
}

// The block's difference from its programme, as shown, with every spot lowered by at least
// `blockSteps` (its own steps where more); nullopt when the block has no loudness.
std::optional<double> blockAbove(const std::vector<const SpotLoudness*>& spots,
                                 const BlockToLower& block, const std::vector<long>& own,
                                 long blockSteps, double programme) {
    std::vector<float> stream;
    for (const std::size_t s : block.spots) {
        const SpotLoudness* spot = s < spots.size() ? spots[s] : nullptr;
        if (spot == nullptr) {
            continue;
        }
        const auto scale =
            static_cast<float>(std::pow(10.0, -gainOf(std::max(own[s], blockSteps)) / 10));
        const std::size_t from = stream.size();
        appendAired(stream, *spot);
        std::for_each(stream.begin() + static_cast<std::ptrdiff_t>(from), stream.end(),
                      [scale](float& energy) { energy *= scale; });
    }
    const std::optional<double> loudness = gatedLoudness(stream);
    if (!loudness) {
        return std::nullopt;
    }
    return shown(shown(*loudness) - shown(programme));
}

// The fewest steps every spot of the block is lowered by so that it is within the limit.
long blockSteps(const std::vector<const SpotLoudness*>& spots, const BlockToLower& block,
                const std::vector<long>& own, const LoudnessTargets& targets) {
    const auto within = [&](long steps) {
        const std::optional<double> above =
            blockAbove(spots, block, own, steps, *block.programmeLufs);
        return !above || *above <= targets.maxAboveProgrammeLu + kTolerance;
    };
    if (within(0)) {
        return 0;
    }
    // Lowering never makes a block louder: the fewest steps are found by halving. The block
    // lowered whole by its excess over the limit is within it but for the absolute gate.
    const std::optional<double> above = blockAbove(spots, block, own, 0, *block.programmeLufs);
    long high = stepsFor(*above - targets.maxAboveProgrammeLu) + 1;
    while (!within(high)) {
        high *= 2;
    }
    long low = 0;
    while (high - low > 1) {
        const long middle = low + (high - low) / 2;
        (within(middle) ? high : low) = middle;
    }
    return high;
}

}  // namespace

double attenuationNeeded(const SpotLoudness& spot, std::optional<double> median,
                         const LoudnessTargets& targets) {
    return gainOf(ownSteps(spot, median, targets));
}

std::optional<double> aboveProgramme(const std::vector<const SpotLoudness*>& spots,
                                     const BlockToLower& block) {
    if (!block.programmeLufs) {
        return std::nullopt;
    }
    return blockAbove(spots, block, std::vector<long>(spots.size(), 0), 0, *block.programmeLufs);
}

std::vector<double> attenuations(const std::vector<const SpotLoudness*>& spots,
                                 const std::vector<BlockToLower>& blocks,
                                 std::optional<double> median, const LoudnessTargets& targets) {
    std::vector<long> own(spots.size(), 0);
    for (std::size_t s = 0; s < spots.size(); ++s) {
        if (spots[s] != nullptr) {
            own[s] = ownSteps(*spots[s], median, targets);
        }
    }
    std::vector<long> steps = own;
    for (const BlockToLower& block : blocks) {
        if (!block.programmeLufs || std::any_of(block.spots.begin(), block.spots.end(),
                                                [&](std::size_t s) { return s >= spots.size(); })) {
            continue;
        }
        const long lowered = blockSteps(spots, block, own, targets);
        for (const std::size_t s : block.spots) {
            steps[s] = std::max(steps[s], lowered);
        }
    }
    std::vector<double> gains;
    gains.reserve(steps.size());
    for (const long count : steps) {
        gains.push_back(gainOf(count));
    }
    return gains;
}

}  // namespace kalmero
