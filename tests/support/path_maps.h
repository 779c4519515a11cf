#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "model/path_map.h"

namespace kalmero::test {

// A map of `lines`, each of which the test expects taken.
inline PathMap mapOf(const std::vector<PathMapLine>& lines) {
    PathMap map;
    for (const PathMapLine& line : lines) {
        EXPECT_EQ(map.add(line.prefix, line.folder), std::nullopt) << line.prefix;
    }
    return map;
}

}  // namespace kalmero::test
