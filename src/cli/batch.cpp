#include "cli/batch.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <memory>

#include "cli/batch_options.h"
#include "cli/batch_picture.h"
#include "cli/day_plan.h"
#include "cli/messages.h"
#include "cli/terminal_progress.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "platform/spot_locator.h"
#include "session/session.h"

namespace kalmero {

namespace {

// The mistake at error priority and where the options are told: the whole --help after it
// would bury the one line that matters in the night's journal.
int usageError(const std::string& what) {
    const Messages messages;
    messages.print(Messages::kError, "kalmero-batch: " + what);
    messages.print(Messages::kInfo, "kalmero-batch: opcje: kalmero-batch --help");
    return kExitUsage;
}

// What the day's road told: its warnings, then why it stopped or what it placed and what
// the day's checks found. Returns the exit code.
int showOutcome(const Outcome& outcome, const Session& session, const Messages& messages) {
    for (const std::string& warning : outcome.warnings) {
        messages.print(Messages::kWarning, "kalmero-batch: uwaga: " + warning);
    }
    if (outcome.refusal == Refusal::OutputOverInput) {
        return usageError(outcome.message);
    }
    if (outcome.refusal == Refusal::NoBreakMode) {
        return usageError(outcome.message + " (Start w konfiguracji jest poniżej 0; podaj --mode)");
    }
    if (tellsDaySummary(outcome)) {
        const CompileRecord& record = session.lastCompile();
        // The findings first, in the words and order of the window's notice and picture.
        if (const std::vector<Finding> found = session.findings(); !found.empty()) {
            std::string text = "Uwagi: " + std::to_string(found.size()) + "\n";
            for (const Finding& finding : found) {
                text += "  " + finding.text + "\n";
            }
            messages.print(Messages::kWarning, text);
        }
        if (const std::string lines = session.advertLinesSummary(); !lines.empty()) {
            messages.print(Messages::kWarning, lines);
        }
        messages.print(Messages::kInfo, cp1250ToUtf8(session.placementReport().summary(
                                            record.itemsPlaced, record.breaksPlaced)));
        const std::vector<SpotMeasure>& measures = session.spotMeasures();
        if (std::any_of(measures.begin(), measures.end(), [](const SpotMeasure& measure) {
                return measure.kind == SpotProblem::NoMap;
            })) {
            messages.print(Messages::kWarning,
                           "Brak mapowania ścieżek spotów: ustaw mapę ścieżek opcją --path-map "
                           "'C:\\Radio=/srv/radio' albo w sekcji [Sciezki] pliku kalmero.ini.");
        }
        if (const std::string loud = session.loudnessSummary(); !loud.empty()) {
            messages.print(Messages::kWarning, loud);
        }
        messages.print(record.checks.clean() ? Messages::kInfo : Messages::kWarning,
                       dayChecksSummary(record.checks));
    }
    if (!outcome.done()) {
        messages.print(Messages::kError, "kalmero-batch: " + outcome.message);
        return kExitFileError;
    }
    if (!session.verdict().accounted()) {
        messages.print(Messages::kError, "kalmero-batch: wynik zapisany, ale " +
                                             session.verdictText(0) + " (wymienione wyżej)");
        return kExitUnaccounted;
    }
    return kExitWritten;
}

// The session of one day: the settings of the configuration with those of the command line
// over them; working with `tools`.
std::unique_ptr<Session> daySession(const BatchOptions& options, Progress& progress,
                                    SessionTools tools) {
    auto session = std::make_unique<Session>(settingsFiles(options), progress, std::move(tools));
    // The batch command works with the files it is given, never the stored folders.
    session->readSettings([](const std::string&) { return false; });
    session->overrideSettings(settingOverrides(options));
    return session;
}

// What makes the day a usage error before anything is read: an output over an input.
std::optional<std::string> dayUsageProblem(const BatchOptions& options, int weekday) {
    if (auto problem = clobbered(options)) {
        return problem;
    }
    // Where each spot's file is, without decoding it: the day's run measures them.
    const LoadMeasurerMaker locateOnly = [](const PathMap& map, const std::string& folder) {
        auto locator = std::make_shared<const SpotLocator>(map, folder);
        return SpotMeasurer([locator](std::string_view line) {
            return SpotMeasure(0, {}, locator->locate(line).localPath);
        });
    };
    SilentProgress silent;
    const Outcome checked =
        daySession(options, silent, SessionTools{cp1250ToUtf8, pathToCp1250, locateOnly, {}, {}})
            ->checkDayOutputs(dayRun(options, weekday));
    if (checked.refusal == Refusal::OutputOverInput) {
        return checked.message;
    }
    return std::nullopt;
}

}  // namespace

int runBatchDay(const BatchOptions& options, int weekday, const Messages& messages,
                DayPictureWriter& pictures, MeasureCacheOnDemand& cache, const DaySeen& seen) {
    if (const auto problem = clobbered(options)) {
        return usageError(*problem);
    }
    TerminalProgress progress(stderr, ::isatty(STDERR_FILENO) == 1,
                              messages.prefix(Messages::kInfo));
    try {
        const std::unique_ptr<Session> owned = daySession(options, progress, stationTools(cache));
        Session& session = *owned;
        for (const std::string& warning : session.settingsWarnings()) {
            messages.print(Messages::kWarning, "kalmero-batch: uwaga: " + warning);
        }
        const Outcome outcome = session.runDay(dayRun(options, weekday), pictures);
        progress.finishBar();
        const int code = showOutcome(outcome, session, messages);
        if (seen) {
            seen(session, outcome);
        }
        return code;
    } catch (const std::exception& e) {
        progress.finishBar();
        messages.print(Messages::kError, "kalmero-batch: " + std::string(e.what()));
        return kExitFileError;
    }
}

int runBatch(int argc, const char* const* argv, MeasureCacheOnDemand& cache) {
    BatchOptions options;
    try {
        options = parseBatchOptions(argc, argv);
    } catch (const UsageError& e) {
        return usageError(e.what());
    }
    if (options.help) {
        std::cout << "Usage:\n" << kUsage;
        return kExitWritten;
    }
    const Messages messages;
    PictureModule pictures;
    if (!options.date) {
        return runBatchDay(options, options.weekday.value_or(0), messages, pictures, cache);
    }
    const std::optional<Day> first = parseDay(*options.date, localToday());
    if (!first) {
        return usageError("--date musi być RRRR-MM-DD, today, tomorrow albo +N, nie \"" +
                          *options.date + "\"");
    }
    if (const auto shared = sharedDayOutput(options, *first)) {
        return usageError(*shared);
    }
    // Every day's usage checked before any day is written: a slip in the last day's names
    // must not leave the first days written and the night told "nothing was written".
    try {
        if (const auto problem = firstDayProblem(options, *first, dayUsageProblem)) {
            return usageError(*problem);
        }
    } catch (const std::exception&) {
        // A settings file that can't be read: each day's own run says so.
    }
    return forEachDay(options, *first, messages, [&](const BatchOptions& day, int weekday) {
        return runBatchDay(day, weekday, messages, pictures, cache);
    });
}

}  // namespace kalmero
