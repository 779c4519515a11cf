#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "model/lists.h"

namespace kalmero {

// The records of one list ordered by CzasStart, each with its position in the list, so that
// window questions cost a binary search instead of a scan. It answers exactly what a scan in
// list order would: which records lie in an inclusive window, and which of them comes last.
// A snapshot: rebuild it after the list changes.
class TimeIndex {
public:
    // Indexes the list's CzasStart counts as they stand now.
    void build(const Lista& list);

    // Number of records indexed.
    std::size_t size() const { return m_times.size(); }

    // List position of the last record, in list order, with from <= CzasStart <= to;
    // -1 when there is none (also when to < from).
    std::ptrdiff_t lastInWindow(std::int64_t from, std::int64_t to) const;

    // The list positions of every record with from <= CzasStart <= to, in list order,
    // written over `out`.
    void positionsInWindow(std::int64_t from, std::int64_t to, std::vector<std::size_t>& out) const;

private:
    // Half-open range [first, last) of sorted entries inside the window.
    std::pair<std::size_t, std::size_t> range(std::int64_t from, std::int64_t to) const;

    std::vector<std::int64_t> m_times;       // ascending
    std::vector<std::uint32_t> m_positions;  // list position of each sorted entry
    // m_maxima[j][i]: the largest position among sorted entries i .. i + 2^j - 1, so the
    // last record of any range is found with two look-ups.
    std::vector<std::vector<std::uint32_t>> m_maxima;
};

}  // namespace kalmero
