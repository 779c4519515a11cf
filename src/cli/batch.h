#pragma once

#include <functional>

#include "cli/batch_options.h"
#include "cli/messages.h"
#include "platform/measure_cache.h"
#include "session/session.h"

namespace kalmero {

// Exit codes of the batch command.
inline constexpr int kExitWritten = 0;
inline constexpr int kExitFileError = 1;
inline constexpr int kExitUsage = 2;
// Written, but a booked spot did not air exactly once with a measured length.
inline constexpr int kExitUnaccounted = 3;

// Runs the batch command on a command line: reads the playlist and the advert list,
// compiles with the settings of the command line over those of the configuration, writes
// the result atomically, and reports on stderr. Returns the exit code.
// Every day's spots are measured through `cache`, which the program makes at its start.
int runBatch(int argc, const char* const* argv, MeasureCacheOnDemand& cache);

// Shown the day's session and outcome once the outcome is told (not when the session could
// not be made), for a program that runs the batch's days in its own process.
using DaySeen = std::function<void(const Session& session, const Outcome& outcome)>;

// One day of the batch command as runBatch runs each: `options` for that day alone (forDay),
// its picture drawn with `pictures`, its spots measured through `cache` (a program running
// several days makes one at its start and hands it to each). Returns the exit code.
int runBatchDay(const BatchOptions& options, int weekday, const Messages& messages,
                DayPictureWriter& pictures, MeasureCacheOnDemand& cache, const DaySeen& seen = {});

}  // namespace kalmero
