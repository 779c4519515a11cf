#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/spot_measure.h"

namespace kalmero {

// What decoding one spot's audio file whole told about it. Figures are to ITU-R BS.1770
// (EBU R 128); a mono spot is measured as it airs on a stereo station, on both channels.
// A figure is absent when it couldn't be measured: the file wasn't decoded, or its audio
// is silent or stays below the -70 LUFS gate (where the meter gives -inf).
struct SpotLoudness {
    // The length the day uses, exactly as measureSpot gives it, and its problem.
    SpotMeasure header;
    // Length of the samples decoded, in ms; 0 when the file couldn't be decoded.
    std::int64_t decodedMs = 0;
    std::optional<double> integratedLufs;
    // The loudest 3 s window, sampled every 100 ms over the whole spot.
    std::optional<double> maxShortTermLufs;
    std::optional<double> truePeakDbtp;
    // Silence before the first sound and after the last, in ms: audio whose every sample
    // stays below kSilenceDbfs. A spot without sound is silent from end to end, both ways.
    std::int64_t leadingSilenceMs = 0;
    std::int64_t trailingSilenceMs = 0;
    // The K-weighted mean square of each whole 100 ms of the audio from its start, channels
    // weighted as BS.1770 sums them: what gating blocks of any run of files, or of a part of
    // one, are made of. Empty when the file wasn't decoded.
    std::vector<float> blockEnergies;
    // Why the figures are missing (the file can't be decoded) or can't be trusted (the
    // decoded length differs from the header's by more than kMostLengthDifferenceMs); None
    // when the spot measured normally.
    SpotIssue problem;

    friend bool operator==(const SpotLoudness& a, const SpotLoudness& b) {
        return a.header.ms == b.header.ms && a.header.issue == b.header.issue &&
               a.decodedMs == b.decodedMs && a.integratedLufs == b.integratedLufs &&
               a.maxShortTermLufs == b.maxShortTermLufs && a.truePeakDbtp == b.truePeakDbtp &&
               a.leadingSilenceMs == b.leadingSilenceMs &&
               a.trailingSilenceMs == b.trailingSilenceMs && a.problem == b.problem &&
               a.blockEnergies == b.blockEnergies;
    }
};

// The level below which a spot's samples are silence: far under any advert's quietest
// passage, far over a decoder's dither and an encoder's noise in digital silence.
constexpr double kSilenceDbfs = -60.0;

// How far the decoded length may differ from the header's before the spot is named.
constexpr std::int64_t kMostLengthDifferenceMs = 50;

// Why a spot's figures can't be trusted beside its header length: the samples decoded last
// more than kMostLengthDifferenceMs longer or shorter (a header of 0 tells nothing); None
// when they agree.
inline SpotIssue lengthDisagreement(std::int64_t headerMs, std::int64_t decodedMs) {
    const std::int64_t apart = decodedMs > headerMs ? decodedMs - headerMs : headerMs - decodedMs;
    if (headerMs <= 0 || apart <= kMostLengthDifferenceMs) {
        return {};
    }
    return SpotIssue{SpotProblem::LengthDisagrees, headerMs, decodedMs};
}

// The limits a day's spots are checked against: EBU R 128 s1 for adverts, and how far a
// spot may stand above the day's typical spot (the median of integrated loudness).
struct LoudnessTargets {
    double maxShortTermLufs = -18.0;
    double maxTruePeakDbtp = -1.0;
    double aboveMedianLu = 3.0;
    // An advert block is compared with the programme aired this many minutes before and
    // after it, and named when louder than that by more than maxAboveProgrammeLu.
    int programmeWindowMinutes = 15;
    double maxAboveProgrammeLu = 1.0;
    // The longest silence a spot may start or end with before it is named, in seconds.
    double maxSilenceSeconds = 2.0;

    friend bool operator==(const LoudnessTargets&, const LoudnessTargets&) = default;
};

}  // namespace kalmero
