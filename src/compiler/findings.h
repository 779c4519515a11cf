#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/day_report.h"
#include "model/lists.h"

namespace kalmero {

// What a person is told of a compiled day, by kind, listed in the order it should be heard:
// the day's own problems, then the spots not accounted for, then the timing of blocks and
// breaks, then loudness. A new kind goes in where it belongs among them.
enum class FindingKind {
    PastMidnight,
    OverfullHour,
    ShortHour,
    UnairedBlock,
    AdvertLine,  // a line of the advert list skipped, or not a time of the day
    SpotNotPlaced,
    SpotAfterMidnight,  // aired at or after 24:00:00, when the next day's playlist plays
    SpotWithoutLength,
    SpotPathTooLong,
    SpotCut,
    SpotSilence,
    SpotUndecodable,  // its length read, its audio not decodable to the end
    SpotDoubled,
    SpotTooLong,
    BlockDrift,
    FarBreak,
    LoudSpot,
    BlockLouderThanProgramme,
};

struct Finding {
    FindingKind kind = FindingKind::PastMidnight;
    std::string text;  // one short Polish sentence, UTF-8
};

// `found` in the order a person should hear it: by kind, those of one kind as given.
std::vector<Finding> orderedFindings(std::vector<Finding> found);

// The day's checks as findings, ordered.
std::vector<Finding> checkFindings(const DayChecks& checks);

// The spots `which` (indexes into `spots`) as one finding under `label`: their count in
// booked spots, the distinct files in parentheses where fewer, and the first few by block
// time and title ("Spoty bez długości: 17 (3 pliki) — 06:00 „a”, 06:15 „b”, 07:00 „c” i
// inne"). `decode` makes the titles UTF-8.
Finding spotsFinding(FindingKind kind, std::string_view label, const Lista& spots,
                     const std::vector<std::size_t>& which,
                     const std::function<std::string(std::string_view)>& decode);

// The findings' texts, in their order.
std::vector<std::string> findingTexts(const std::vector<Finding>& found);

}  // namespace kalmero
