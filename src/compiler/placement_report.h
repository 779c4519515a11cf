#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "model/lists.h"

namespace kalmero {

// What became of each advert spot in a compile: the spots never placed, those placed more
// than once and those that measured 0 ms are what an operator must hear of before the day
// goes on air. Only tells: the result list is not touched.
class PlacementReport {
  public:
    // `placed[i]`: how many times ListaLST record i was appended (Kompilator::placedCounts);
    // `result`: the compiled ListaWynikowa, whose DJ_ records tell why a spot was skipped.
    PlacementReport(const Lista& spots, const std::vector<int>& placed, const Lista& result);

    // The summary for a person: counts, then every spot never placed, every spot placed
    // more than once and every spot of length 0, each with its block time and title. The
    // records' texts stand as read (Windows-1250); the rest is ASCII.
    std::string summary(std::size_t itemsPlaced, std::size_t breaksPlaced) const;

    // One CSV row per spot in list order (CR LF, quoted where needed) under the header:
    // block time, title, path, length (ms), times placed, reason. Windows-1250 like the
    // summary.
    std::string csv() const;

    // Why spot `i` needs the operator's eye, as the CSV's reason column says it; empty for
    // a spot placed once with a measured length.
    std::string reason(std::size_t i) const;

  private:
    int placed(std::size_t i) const;
    // Whether spot `i`, never placed, has its block time under a DJ_ record of the result.
    bool underDJ(std::size_t i) const;

    const Lista& m_spots;
    std::vector<int> m_placed;
    // [start, end] in ms of every DJ_ record as the result placed it.
    std::vector<std::pair<std::int64_t, std::int64_t>> m_djSpans;
};

}  // namespace kalmero
