#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kalmero {

// What measuring one advert spot's audio file gave: its playing length in ms (0 when it
// can't be had) and, when the length is missing or not to be trusted, why (UTF-8, for the
// operator's placement report; empty when the file measured normally).
struct SpotMeasure {
    std::int64_t ms = 0;
    std::string problem;
};

// Measures a spot from its path line's path (Windows-1250 bytes).
using SpotMeasurer = std::function<SpotMeasure(std::string_view pathCp1250)>;

}  // namespace kalmero
