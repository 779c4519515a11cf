#include "compiler/loudness_check.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <utility>

namespace kalmero {

namespace {

// Figures and targets are decimals; this keeps "-18.0 > -18" from being true by a rounding.
constexpr double kTolerance = 1e-6;

// The figure as formatLoudnessFigure shows it.
double shown(double figure) {
    const std::string text = formatLoudnessFigure(figure);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// A target as the operator wrote it: "-18", "-17.5".
std::string targetText(double target) {
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), target);
    return std::string(buffer.data(), result.ptr);
}

void add(std::string& reasons, const std::string& reason) {
    if (!reason.empty()) {
        reasons += (reasons.empty() ? "" : "; ") + reason;
    }
}

// The spot's silence, whole or at its edges, as a reason.
std::string silenceReason(const SpotLoudness& spot, double maxSeconds) {
    const auto seconds = [](std::int64_t ms) { return static_cast<double>(ms) / 1000; };
    if (isSilent(spot)) {
        const std::string peak = spot.truePeakDbtp
                                     ? "szczyt " + formatLoudnessFigure(spot.truePeakDbtp) + " dBTP"
                                     : std::string("same zera");
        return "cisza: żadna próbka nie sięga " + formatLoudnessFigure(kSilenceDbfs) + " dBFS (" +
               peak + ", " + formatLoudnessFigure(seconds(spot.decodedMs)) + " s)";
    }
    std::string reasons;
    const auto edge = [&](std::int64_t ms, const char* where) {
        if (shown(seconds(ms)) > maxSeconds + kTolerance) {
            add(reasons, std::string("cisza na ") + where + " " +
                             formatLoudnessFigure(seconds(ms)) + " s > " + targetText(maxSeconds) +
                             " s");
        }
    };
    edge(spot.leadingSilenceMs, "początku");
    edge(spot.trailingSilenceMs, "końcu");
    return reasons;
}

}  // namespace

bool isSilent(const SpotLoudness& spot) {
    // Silence from end to end both ways: no sample anywhere. A sound, however short, leaves
    // its length as silence on at most one side of it.
    return spot.decodedMs > 0 && spot.leadingSilenceMs >= spot.decodedMs &&
           spot.trailingSilenceMs >= spot.decodedMs;
}

std::optional<double> medianIntegratedLufs(const std::vector<SpotLoudness>& spots) {
    std::vector<double> figures;
    for (const SpotLoudness& spot : spots) {
        if (spot.integratedLufs) {
            figures.push_back(*spot.integratedLufs);
        }
    }
    return medianOf(std::move(figures));
}

std::optional<double> medianOf(std::vector<double> figures) {
    if (figures.empty()) {
        return std::nullopt;
    }
    std::sort(figures.begin(), figures.end());
    const std::size_t middle = figures.size() / 2;
    return figures.size() % 2 != 0 ? figures[middle] : (figures[middle - 1] + figures[middle]) / 2;
}

std::vector<LoudnessVerdict> checkLoudness(const std::vector<SpotLoudness>& spots,
                                           const LoudnessTargets& targets) {
    const std::optional<double> median = medianIntegratedLufs(spots);
    std::vector<LoudnessVerdict> verdicts;
    verdicts.reserve(spots.size());
    for (const SpotLoudness& spot : spots) {
        LoudnessVerdict verdict;
        const auto above = [&](std::optional<double> figure, double target, const char* what,
                               const char* unit) {
            if (figure && shown(*figure) > target + kTolerance) {
                verdict.tooLoud = true;
                add(verdict.reason, std::string(what) + formatLoudnessFigure(figure) + unit +
                                        " > " + targetText(target));
            }
        };
        above(spot.maxShortTermLufs, targets.maxShortTermLufs, "za głośny: krótkoterminowa ",
              " LUFS");
        above(spot.truePeakDbtp, targets.maxTruePeakDbtp, "za wysoki szczyt: ", " dBTP");
        if (spot.integratedLufs && median) {
            const double difference = shown(*spot.integratedLufs) - shown(*median);
            if (difference > targets.aboveMedianLu + kTolerance) {
                verdict.tooLoud = true;
                add(verdict.reason, "głośniejszy od reszty dnia: zintegrowana " +
                                        formatLoudnessFigure(spot.integratedLufs) +
                                        " LUFS, mediana " + formatLoudnessFigure(median) +
                                        " LUFS, różnica " + formatLoudnessFigure(difference) +
                                        " LU > " + targetText(targets.aboveMedianLu));
            }
        }
        verdict.silent = isSilent(spot);
        add(verdict.reason, silenceReason(spot, targets.maxSilenceSeconds));
        add(verdict.reason, spotIssueText(spot.problem));
        verdicts.push_back(std::move(verdict));
    }
    return verdicts;
}

std::string formatLoudnessFigure(std::optional<double> figure) {
    if (!figure || !std::isfinite(*figure)) {
        return {};
    }
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), *figure,
                                      std::chars_format::fixed, 1);
    std::string text(buffer.data(), result.ptr);
    // A figure just below zero reads "-0.0", a zero with a sign nobody meant.
    return text == "-0.0" ? "0.0" : text;
}

}  // namespace kalmero
