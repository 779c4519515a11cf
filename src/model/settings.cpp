#include "model/settings.h"

#include "model/czas.h"

namespace kalmero {

BreakMode breakModeFromIndex(std::int64_t index) {
    if (index < 0) {
        return BreakMode::NotSelected;
    }
    return index >= 2 ? BreakMode::None : static_cast<BreakMode>(index);
}

BreakLength BreakLength::clamped(std::int64_t seconds) {
    if (seconds < 0) {
        return BreakLength(0);
    }
    return BreakLength(seconds > kMaxSeconds ? kMaxSeconds : seconds);
}

BreakLength::FieldReading BreakLength::fromFieldText(std::string_view text) {
    const std::optional<std::int64_t> number = parseInteger(text);
    if (!number || *number < 0) {
        return {BreakLength(0), "0"};
    }
    if (*number > kMaxSeconds) {
        return {BreakLength(kMaxSeconds), std::to_string(kMaxSeconds)};
    }
    return {BreakLength(*number), std::nullopt};
}

bool BreakLength::digitsFit(std::string_view digits) {
    // Digits only, so no sign, blank or hexadecimal form slips in; the length limit keeps
    // the value far from overflow before the range check.
    if (digits.empty() || digits.size() > 18) {
        return false;
    }
    std::int64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    return value <= kMaxSeconds;
}

std::optional<BreakLength> BreakLength::fromDigits(std::string_view text) {
    if (!digitsFit(text)) {
        return std::nullopt;
    }
    return clamped(*parseInteger(text));
}

}  // namespace kalmero
