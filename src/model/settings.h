#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kalmero {

// How news breaks are placed. The numbers are the stored Start key and the window's
// radio index; an operator's configuration may leave none selected.
enum class BreakMode {
    NotSelected = -1,
    Nearest = 0,    // "najbliżej pełnej": before or after the item playing at the full hour
    OnTheHour = 1,  // "równo o pełnej": exactly on the full hour
    None = 2,       // "nie wstawiaj"
};

// The mode of a stored or shown index: above 2 is None, below 0 NotSelected.
BreakMode breakModeFromIndex(std::int64_t index);
constexpr int breakModeIndex(BreakMode mode) { return static_cast<int>(mode); }

// A news break's length in whole seconds, 0 .. kMaxSeconds, so that its ms fit in 32 bits
// as the break field always required. Every way a length enters the program goes through
// here: the window's field, the stored Time key and the batch command's option.
class BreakLength {
public:
    static constexpr std::int64_t kMaxSeconds = 2'147'483;
    static constexpr std::int64_t kDefaultSeconds = 10;

    BreakLength() = default;
    // Any count kept within the range: below 0 is 0, above the longest is the longest.
    static BreakLength clamped(std::int64_t seconds);

    // The window's field text: the length it stands for, and the text the field must show
    // instead when it can't stand (not an integer of 0 or more: "0"; above the longest: that).
    struct FieldReading;
    static FieldReading fromFieldText(std::string_view text);

    // A command-line value: decimal digits only, in range; nullopt otherwise.
    static std::optional<BreakLength> fromDigits(std::string_view text);

    // Whether digits being typed into the field may stand (no more than the longest).
    static bool digitsFit(std::string_view digits);

    std::int64_t seconds() const { return m_seconds; }
    std::int64_t ms() const { return m_seconds * 1000; }

    friend bool operator==(BreakLength, BreakLength) = default;

private:
    explicit constexpr BreakLength(std::int64_t seconds) : m_seconds(seconds) {}
    std::int64_t m_seconds = kDefaultSeconds;
};

struct BreakLength::FieldReading {
    BreakLength length;
    std::optional<std::string> correction;
};

// The day's checks' limits a station has until its configuration says otherwise: how far an
// advert block may air from its booked time, and how long an advert may be before it is
// taken for a broken file.
inline constexpr std::int64_t kDefaultDriftLimitMs = 5 * 60'000;
inline constexpr std::int64_t kDefaultLongSpotMs = 60 * 60'000;

// An audio file played in place of each news break, when on. The path is Windows-1250
// bytes, as the configuration holds it.
struct BreakSound {
    bool on = false;
    std::string path;
};

// The week's news breaks by the hour, as the matrix editor shows them: per weekday (0
// Monday .. 6 Sunday) per full hour from 06:00 to 22:00, whether a break is placed.
inline constexpr int kWeekdays = 7;
inline constexpr int kBreakHours = 17;
inline constexpr int kFirstBreakHour = 6;
using BreakWeek = std::array<std::array<bool, kBreakHours>, kWeekdays>;

// Everything a compile is told, read once at its start.
struct CompileSettings {
    BreakMode mode = BreakMode::Nearest;
    bool fade = false;  // cut the item running into a break, in OnTheHour only
    BreakLength length;
    int weekday = 0;  // 0 Monday .. 6 Sunday: the break matrix line used
    BreakSound sound;
};

}  // namespace kalmero
