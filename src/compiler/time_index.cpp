#include "compiler/time_index.h"

#include <algorithm>
#include <bit>
#include <numeric>

namespace kalmero {

void TimeIndex::build(const Lista& list) {
    const std::size_t n = list.size();
    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0U);
    std::stable_sort(order.begin(), order.end(), [&list](std::uint32_t a, std::uint32_t b) {
        return list[a].CzasStart < list[b].CzasStart;
    });
    m_times.resize(n);
    m_positions = order;
    for (std::size_t i = 0; i < n; ++i) {
        m_times[i] = list[order[i]].CzasStart;
    }

    m_maxima.clear();
    if (n == 0) {
        return;
    }
    m_maxima.push_back(m_positions);
    for (std::size_t width = 2; width <= n; width *= 2) {
        const auto& previous = m_maxima.back();
        std::vector<std::uint32_t> level(n - width + 1);
        const std::size_t half = width / 2;
        for (std::size_t i = 0; i < level.size(); ++i) {
            level[i] = std::max(previous[i], previous[i + half]);
        }
        m_maxima.push_back(std::move(level));
    }
}

std::pair<std::size_t, std::size_t> TimeIndex::range(std::int64_t from, std::int64_t to) const {
    if (to < from) {
        return {0, 0};
    }
    const auto first = std::lower_bound(m_times.begin(), m_times.end(), from);
    const auto last = std::upper_bound(first, m_times.end(), to);
    return {static_cast<std::size_t>(first - m_times.begin()),
            static_cast<std::size_t>(last - m_times.begin())};
}

std::ptrdiff_t TimeIndex::lastInWindow(std::int64_t from, std::int64_t to) const {
    const auto [first, last] = range(from, to);
    if (first >= last) {
        return -1;
    }
    const std::size_t length = last - first;
    // At least one bit: the window holds a record.
    const auto bits = static_cast<int>(std::bit_width(length));
    const auto level = static_cast<std::size_t>(bits > 0 ? bits - 1 : 0);
    const auto& maxima = m_maxima[level];
    const std::size_t width = std::size_t{1} << level;
    return static_cast<std::ptrdiff_t>(std::max(maxima[first], maxima[last - width]));
}

void TimeIndex::positionsInWindow(std::int64_t from, std::int64_t to,
                                  std::vector<std::size_t>& out) const {
    const auto [first, last] = range(from, to);
    out.clear();
    for (std::size_t i = first; i < last; ++i) {
        out.push_back(m_positions[i]);
    }
    std::sort(out.begin(), out.end());
}

}  // namespace kalmero
