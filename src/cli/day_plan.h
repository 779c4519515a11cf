#pragma once

#include <functional>
#include <optional>
#include <string>

#include "cli/batch_options.h"
#include "cli/day_dates.h"
#include "cli/messages.h"
#include "formats/konfiguracja_file.h"
#include "model/settings.h"

namespace kalmero {

// The settings of the command line over those of the configuration file.
CompileSettings compileSettings(const BatchOptions& options, const StoredSettings& stored);

// The options of one day: the date's placeholders filled in every path.
BatchOptions forDay(const BatchOptions& options, const Day& day);

// What is wrong when an output names an input or the other output: a slip of the finger in
// a night's script would otherwise replace the day's playlist with a report.
std::optional<std::string> clobbered(const BatchOptions& options);

// The day's inputs that are not there, joined by ", "; "" when all are.
std::string missingInputs(const BatchOptions& options);

// Runs `runDay` for each of the options' days from `first`, named in the messages; a day
// whose inputs are missing is skipped (its result untouched) and counts as a file error.
// Returns the worst exit code of the days.
int forEachDay(const BatchOptions& options, const Day& first, const Messages& messages,
               const std::function<int(const BatchOptions& day, int weekday)>& runDay);

}  // namespace kalmero
