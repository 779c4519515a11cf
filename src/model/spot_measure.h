#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "model/spot_problem.h"

namespace kalmero {

// What measuring one advert spot's audio file gave: its playing length in ms (0 when it
// can't be had) and, when the length is missing or not to be trusted, why. A length of 0
// always comes with a problem.
struct SpotMeasure {
    SpotMeasure() = default;
    // A length and a problem alone still make one, as measurers that find no file write it.
    SpotMeasure(std::int64_t length, SpotIssue why = {}, std::string tried = {})
        : ms(length), issue(std::move(why)), localPath(std::move(tried)) {}

    std::int64_t ms = 0;
    SpotIssue issue;
    // The local file looked for or measured (UTF-8); empty when there was none to try.
    std::string localPath;
};

// Measures a spot from its path line's path (Windows-1250 bytes).
using SpotMeasurer = std::function<SpotMeasure(std::string_view pathCp1250)>;

}  // namespace kalmero
