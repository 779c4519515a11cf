#include "model/bs1770.h"

#include <algorithm>

namespace kalmero {

namespace {

constexpr std::size_t kBlocksPerGate = 4;  // 400 ms
constexpr double kAbsoluteGateLufs = -70.0;
constexpr double kRelativeGateLu = 10.0;

}  // namespace

std::optional<double> gatedLoudness(const std::vector<float>& energies) {
    if (energies.size() < kBlocksPerGate) {
        return std::nullopt;
    }
    std::vector<double> gates;
    gates.reserve(energies.size() - kBlocksPerGate + 1);
    const double absoluteGate = energyOf(kAbsoluteGateLufs);
    double sum = 0;
    for (std::size_t i = 0; i < energies.size(); ++i) {
        sum += energies[i];
        if (i >= kBlocksPerGate) {
            sum -= energies[i - kBlocksPerGate];
        }
        if (i + 1 >= kBlocksPerGate) {
            // A running sum can drift a hair below zero after loud blocks leave it.
            const double block = std::max(0.0, sum / kBlocksPerGate);
            if (block > absoluteGate) {
                gates.push_back(block);
            }
        }
    }
    if (gates.empty()) {
        return std::nullopt;
    }
    double total = 0;
    for (const double block : gates) {
        total += block;
    }
    const double relativeGate =
        energyOf(loudnessOf(total / static_cast<double>(gates.size())) - kRelativeGateLu);
    double kept = 0;
    std::size_t keptCount = 0;
    for (const double block : gates) {
        if (block > relativeGate) {
            kept += block;
            ++keptCount;
        }
    }
    if (keptCount == 0) {
        return std::nullopt;
    }
    return loudnessOf(kept / static_cast<double>(keptCount));
}

}  // namespace kalmero
