#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "model/path_map.h"
#include "model/settings.h"

namespace kalmero {

// The command's contract as --help prints it and a usage error repeats it.
extern const std::string_view kUsage;

// A command line that can't be run; what() says what is wrong.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The command line as given; an option not given is empty (its default comes later, from
// the configuration or beside the program). Paths are as typed (UTF-8).
struct BatchOptions {
    bool help = false;
    std::string mix;
    std::string out;
    std::string lst;
    std::string matrix;
    std::string config;
    std::string report;
    std::optional<int> weekday;
    std::optional<int> mode;
    std::optional<bool> fade;
    std::optional<BreakLength> breakLength;
    std::optional<std::string> breakSound;
    bool noBreakSound = false;
    std::optional<std::string> date;  // as typed: YYYY-MM-DD, today, tomorrow or +N
    int days = 1;                     // consecutive days from the date
    bool strict = false;              // any warning refuses the day
    bool inPlace = false;             // outputs may be overwritten in place
    bool correctLoudness = false;     // loud spots get lowered copies before air
    std::string picture;              // FILE.png or FILE.pdf: a picture of the day
    std::optional<std::int64_t> driftLimitMs;
    PathMap pathMap;  // the --path-map lines, Windows-1250
};

// Reads the command line. Throws UsageError for an unknown or repeated option, a missing
// value, a value out of range, a --path-map line the map refuses, or a missing --mix/--out
// (unless --help is given).
BatchOptions parseBatchOptions(int argc, const char* const* argv);

// 0 (Monday) .. 6 from "0".."6" or pn wt sr cz pi so nd; nullopt for anything else.
std::optional<int> parseWeekday(std::string_view text);

}  // namespace kalmero
