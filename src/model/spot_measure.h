#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace kalmero {

// Why a spot has no length (or one not to be trusted).
enum class SpotProblem {
    None,
    NoMap,         // a drive or share no path map line covers
    NotFound,      // no file at the local path, nor one differing only in letter case
    CaseVariants,  // several files differ from the name only in letter case
    Unreadable,    // the file can't be opened or decoded, or its length can't be trusted
    NotAudio,      // the file holds no audio
    ZeroLength,    // the file measured 0 ms
    Cut,           // the file ends before the audio its header declares, or inside a frame:
                   // the length is what plays, not what was delivered
};

// What measuring one advert spot's audio file gave: its playing length in ms (0 when it
// can't be had) and, when the length is missing or not to be trusted, why (UTF-8, for the
// operator's placement report; empty when the file measured normally). A length of 0 always
// comes with a problem.
struct SpotMeasure {
    SpotMeasure() = default;
    // A length and a problem alone still make one, as measurers that find no file write it.
    SpotMeasure(std::int64_t length, std::string why, std::string tried = {},
                SpotProblem problemKind = SpotProblem::None)
        : ms(length), problem(std::move(why)), localPath(std::move(tried)), kind(problemKind) {}

    std::int64_t ms = 0;
    std::string problem;
    // The local file looked for or measured (UTF-8); empty when there was none to try.
    std::string localPath;
    SpotProblem kind = SpotProblem::None;
};

// Measures a spot from its path line's path (Windows-1250 bytes).
using SpotMeasurer = std::function<SpotMeasure(std::string_view pathCp1250)>;

}  // namespace kalmero
