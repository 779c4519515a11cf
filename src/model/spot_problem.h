#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace kalmero {

// What can be wrong with one spot's audio file, from finding it to decoding it whole. The
// values are kept in the measuring cache between runs: new kinds go at the end.
enum class SpotProblem {
    None,
    EmptyPath,         // the path line holds no path
    NoMap,             // a drive or share no path map line covers; `detail`: its root
    NotFound,          // no file at the local path, nor one differing only in letter case
    CaseVariants,      // several files differ from the name only in letter case; `detail`
    CantOpen,          // the file is there but can't be opened
    NotAFile,          // a folder, a device, a FIFO
    EmptyFile,         // 0 bytes
    TooManyTags,       // more chained ID3v2 tags than any tagger leaves
    Unreadable,        // no decoder reads it
    LengthOpen,        // the header tells no length and nothing else does
    ImpossibleLength,  // the header's length is more than the file's bytes can hold
    DecodeTimeout,     // reading it to its end took longer than `expected` ms allowed
    NoAudio,           // the file holds no audio
    ZeroLength,        // it measured 0 ms
    Cut,               // the file ends before the audio its container declares: `expected`
                       // ms declared, `found` ms there
    CutInsideFrame,    // the file ends inside an audio frame
    OggWithoutEnd,     // an Ogg stream cut before its last page
    CantDecode,        // its length was read, but its audio can't be decoded to its end
    FormatChanges,     // its sample rate or channels change within the file
    CantMeter,         // the loudness meter can't take its format
    LengthDisagrees,   // its header says `expected` ms, decoding gave `found` ms
    PathTooLong,       // the path line holds `found` characters, the result's field `expected`
    MeasuringFailed,   // measuring threw; `detail`: what it said
};

// One spot problem with its figures (ms, or characters for PathTooLong); `detail` is UTF-8.
struct SpotIssue {
    SpotIssue() = default;
    // NOLINTNEXTLINE(google-explicit-constructor): a kind alone is an issue without figures.
    SpotIssue(SpotProblem problem, std::int64_t expectedFigure = 0, std::int64_t foundFigure = 0,
              std::string detailText = {})
        : kind(problem),
          expected(expectedFigure),
          found(foundFigure),
          detail(std::move(detailText)) {}

    SpotProblem kind = SpotProblem::None;
    std::int64_t expected = 0;
    std::int64_t found = 0;
    std::string detail;

    bool any() const { return kind != SpotProblem::None; }
    friend bool operator==(const SpotIssue&, const SpotIssue&) = default;
};

// Whether a spot with this problem leaves the day not accounted for: the batch exits 3 for
// it, a strict day refuses, the window asks before saving. The one place that decides.
bool leavesDayUnaccounted(SpotProblem kind);

// Whether the file ends before the audio it declares, or inside a frame of it.
bool isCut(SpotProblem kind);

// Whether the problem is where the file was looked for rather than what it holds.
bool isLocationProblem(SpotProblem kind);

// The problem in a few Polish words (UTF-8), for the window, the batch, the CSV and the
// night alike; empty for None.
std::string spotIssueText(const SpotIssue& issue);

}  // namespace kalmero
