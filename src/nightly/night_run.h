#pragma once

#include <optional>
#include <string>

#include "cli/day_dates.h"

namespace kalmero {

class MeasureCacheOnDemand;

// The night's command line.
struct NightArgs {
    std::string settings;  // the settings file; the installed one unless --settings
    std::string scratch;   // a folder for a test run; empty: the result folder
    bool redo = false;
    bool force = false;
    std::optional<Day> day;
    std::optional<Day> acknowledge;
    bool help = false;
};

// The command's contract, told with a usage error (Polish).
extern const char* const kNightUsage;

// Reads the command line. Throws UsageError (Polish) for an unknown or repeated option, a
// missing or wrong value, or options that don't go together.
NightArgs parseNightArgs(int argc, const char* const* argv);

// The night: the settings read and checked, the account taken, the days that are wrong
// and the day the settings name compiled, the marks kept. Returns the exit code.
// Every day's spots are measured through `cache`, which the program makes at its start.
int runNight(const NightArgs& args, MeasureCacheOnDemand& cache);

}  // namespace kalmero
