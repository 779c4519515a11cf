#pragma once

#include <functional>
#include <optional>
#include <string>

#include "cli/batch_options.h"
#include "cli/day_dates.h"
#include "cli/messages.h"
#include "session/session.h"

namespace kalmero {

// The settings the command line gives, to hold over those of the configuration file.
SettingOverrides settingOverrides(const BatchOptions& options);

// The worse of two exit codes: a usage error, then a file error, then a day written with
// spots unaccounted for, then a day done.
int worseExit(int a, int b);

// Whether the day's summary (its spots, their loudness, the day's checks) is told after
// `outcome`: a day written, or a strict one refused for its spots, which names them as a
// written day would, so that the night's log says which spots stopped it.
bool tellsDaySummary(const Outcome& outcome);

// The session's files: those given, else kalmero.ini and matryca.dat in the settings folder.
SessionFiles settingsFiles(const BatchOptions& options);

// The day the options name: its files, the weekday and how strict it is.
DayRun dayRun(const BatchOptions& options, int weekday);

// The options of one day: the date's placeholders filled in every path.
BatchOptions forDay(const BatchOptions& options, const Day& day);

// What is wrong when an output names an input or the other output: a slip of the finger in
// a night's script would otherwise replace the day's playlist with a report.
std::optional<std::string> clobbered(const BatchOptions& options);

// What is wrong when two of the days from `first` would write one file (an output name
// without the day in it): the later day would replace the earlier one's. Names both days.
std::optional<std::string> sharedDayOutput(const BatchOptions& options, const Day& first);

// The first usage problem `check` finds among the options' days from `first` (a day whose
// inputs are missing is not checked: it will be skipped), prefixed with the day's date.
std::optional<std::string> firstDayProblem(
    const BatchOptions& options, const Day& first,
    const std::function<std::optional<std::string>(const BatchOptions& day, int weekday)>& check);

// The day's inputs that are not there, joined by ", "; "" when all are.
std::string missingInputs(const BatchOptions& options);

// Runs `runDay` for each of the options' days from `first`, named in the messages; a day
// whose inputs are missing is skipped (its result untouched) and counts as a file error.
// Returns the worst exit code of the days.
int forEachDay(const BatchOptions& options, const Day& first, const Messages& messages,
               const std::function<int(const BatchOptions& day, int weekday)>& runDay);

}  // namespace kalmero
