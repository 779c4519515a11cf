#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/lists.h"
#include "model/settings.h"

namespace kalmero {

// How often a spot went into the result, and where it went astray when not once.
enum class Placement {
    Once,
    NoWindow,  // never placed: its block time lies in no item's window
    UnderDJ,   // never placed: its block time lies under a DJ_ record
    Doubled,   // placed more than once: its block time lies in several items' windows
};

// Spots by what became of them; a spot of length 0 is counted in `silent` and in its
// placement's count as well.
struct PlacementCounts {
    std::size_t never = 0;       // placed 0 times
    std::size_t doubled = 0;     // placed 2 times or more
    std::size_t silent = 0;      // length 0 ms: audio missing or unreadable
    std::size_t suspicious = 0;  // longer than the long-spot limit
    std::size_t placements = 0;  // spot records appended in all
    std::size_t distinct = 0;    // spots placed at least once
};

// What became of each advert spot in a compile: the spots never placed, those placed more
// than once and those that measured 0 ms are what an operator must hear of before the day
// goes on air. Only tells: the result list is not touched. Keeps a reference to `spots`,
// which must outlive it unchanged.
class PlacementReport {
public:
    // `placed[i]`: how many times ListaLST record i was appended (Compiler::placedCounts);
    // `result`: the compiled ListaWynikowa, whose DJ_ records tell why a spot was skipped;
    // `problems[i]`: why spot i's measured length is missing or doubtful (may be short);
    // a spot longer than `longSpotMs` is reported as suspicious; `tried[i]`: the local path
    // spot i's audio was looked for at when its length is missing (may be short).
    PlacementReport(const Lista& spots, const std::vector<int>& placed, const Lista& result,
                    std::vector<std::string> problems = {}, std::int64_t longSpotMs = kLongSpotMs,
                    std::vector<std::string> tried = {});

    // An advert this long is more likely a broken file than a booked spot.
    static constexpr std::int64_t kLongSpotMs = kDefaultLongSpotMs;
    // Spots the summary names of each kind; the CSV names them all.
    static constexpr std::size_t kSummaryLines = 50;

    // The number of spots reported on: the size of ListaLST.
    std::size_t size() const { return m_spots.size(); }
    // Spot `i` of the list reported on.
    const TPozycja& spot(std::size_t i) const { return m_spots[i]; }
    // How many times spot `i` was appended (0 for an index the compile didn't count).
    int timesPlaced(std::size_t i) const;
    Placement placement(std::size_t i) const;
    // True when spot `i` measured 0 ms.
    bool silent(std::size_t i) const;
    // True when spot `i` measured longer than the long-spot limit.
    bool suspicious(std::size_t i) const;
    // True when spot `i` was not placed exactly once, or measured 0 ms or suspiciously long.
    bool needsAttention(std::size_t i) const;
    PlacementCounts counts() const;

    // The summary for a person: counts, then every spot never placed, every spot placed
    // more than once and every spot of length 0, each with its block time and title (a spot
    // of length 0 with its path line, and on a line of its own the local path tried and
    // why). In Polish as the window's, Windows-1250, the records' texts as read.
    std::string summary(std::size_t itemsPlaced, std::size_t breaksPlaced) const;

    // One CSV row per spot in list order (CR LF, quoted where needed) under the header:
    // block time, title, path, length (ms), times placed, reason. Windows-1250 like the
    // summary.
    // `extraHeader` and `extraCells[i]` (already CSV) are appended to the header and to
    // spot i's row after a comma, when given.
    std::string csv(std::string_view extraHeader = {},
                    const std::vector<std::string>& extraCells = {}) const;

    // The header of the columns telling where a spot without a length was looked for.
    static constexpr std::string_view kSourceHeader = "path line,local path tried,length problem";
    // Per spot in list order, the cells under kSourceHeader ready to follow a comma: for a spot
    // of length 0 its path line, the local path tried and why; empty cells for the others.
    std::vector<std::string> sourceCells() const;

    // A text as one CSV cell, quoted when it holds a comma, quote or line break.
    static std::string csvField(const std::string& text);

    // Why spot `i` needs the operator's eye, as the CSV's reason column says it (ASCII);
    // empty for a spot placed once with a measured length.
    std::string reason(std::size_t i) const;

private:
    // Whether spot `i` has its block time under a DJ_ record of the result.
    bool underDJ(std::size_t i) const;
    // For the summary: where spot `i` was looked for and why it has no length, as a line
    // of its own; "" when neither is known.
    std::string sourceLine(std::size_t i) const;

    const Lista& m_spots;
    std::vector<int> m_placed;
    std::vector<std::string> m_problems;
    std::int64_t m_longSpotMs;
    std::vector<std::string> m_tried;
    // [start, end] in ms of every DJ_ record as the result placed it.
    std::vector<std::pair<std::int64_t, std::int64_t>> m_djSpans;
};

}  // namespace kalmero
