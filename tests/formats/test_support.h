#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

#include "formats/line_steps.h"
#include "support/temp_folder.h"

namespace kalmero::test {

// Runs `work` with a LineSteps and checks the steps' contract: 0 first, then forward only,
// ending at `total`, which every call names.
inline void expectSteps(const std::function<void(const LineSteps&)>& work, std::size_t total) {
    std::vector<std::pair<std::size_t, std::size_t>> calls;
    work([&calls](std::size_t done, std::size_t all) { calls.emplace_back(done, all); });
    ASSERT_FALSE(calls.empty()) << total;
    EXPECT_EQ(calls.front().first, 0u) << total;
    EXPECT_EQ(calls.back().first, total) << total;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].second, total) << total;
        if (i > 0) {
            EXPECT_GT(calls[i].first, calls[i - 1].first) << total;
        }
    }
}

}  // namespace kalmero::test
