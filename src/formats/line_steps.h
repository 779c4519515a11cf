#pragma once

#include <cstddef>
#include <functional>

namespace kalmero {

// How far a long read or write has got: (units done, units in all). Called once with 0
// before the work, then every so often and at the end; may be empty.
using LineSteps = std::function<void(std::size_t done, std::size_t total)>;

}  // namespace kalmero
