#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "model/lists.h"

namespace kalmero {

// What became of each advert spot in a compile: the spots never placed and those placed
// more than once are what an operator must hear of before the day goes on air.
class PlacementReport {
public:
    // `placed[i]`: how many times ListaLST record i was appended (Kompilator::placedCounts).
    PlacementReport(const Lista& spots, const std::vector<int>& placed);

    // The summary for stderr, UTF-8: counts, then every spot never placed and every spot
    // placed more than once, each with its block time and title.
    std::string summary(std::size_t itemsPlaced, std::size_t breaksPlaced) const;

    // One CSV row per spot in list order (UTF-8, CR LF, quoted where needed) under the
    // header: block time, title, path, length (ms), times placed, reason.
    std::string csv() const;

private:
    int placed(std::size_t i) const;

    const Lista& m_spots;
    std::vector<int> m_placed;
};

}  // namespace kalmero
