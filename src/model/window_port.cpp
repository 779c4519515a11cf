#include "model/window_port.h"

#include <algorithm>

#include "model/czas.h"

namespace kalmero {

std::int64_t breakLengthMs(const BreakSettings& settings) {
    const std::int64_t seconds = parseIntegerOr(settings.seconds, 10);
    return std::clamp<std::int64_t>(seconds, 0, kMaxBreakSeconds) * 1000;
}

}  // namespace kalmero
