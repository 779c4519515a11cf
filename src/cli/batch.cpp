#include "cli/batch.h"

#include <unistd.h>

#include <iostream>

#include "cli/batch_options.h"
#include "cli/batch_picture.h"
#include "cli/day_plan.h"
#include "cli/messages.h"
#include "cli/terminal_progress.h"
#include "formats/matryca.h"
#include "platform/audio_length.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "platform/program_folder.h"
#include "session/session.h"

namespace kalmero {

namespace {

int usageError(const std::string& what) {
    std::cerr << "kalmero-batch: " << what << "\n\nUsage:\n" << kUsage;
    return kExitUsage;
}

// One day's road: load, compile, report, save. Returns the exit code.
int runDay(const BatchOptions& options, int weekday, const Messages& messages) {
    if (const auto problem = clobbered(options)) {
        return usageError(*problem);
    }
    TerminalProgress progress(stderr, ::isatty(STDERR_FILENO) == 1,
                              messages.prefix(Messages::kInfo));
    auto fail = [&](std::string_view what) {
        progress.finishBar();
        messages.print(Messages::kError, "kalmero-batch: " + std::string(what));
        return kExitFileError;
    };
    // Whether it went, and the operator's warnings of what went.
    auto went = [&](const Outcome& outcome) {
        progress.finishBar();
        for (const std::string& warning : outcome.warnings) {
            messages.print(Messages::kWarning, "kalmero-batch: warning: " + warning);
        }
        return outcome.done();
    };
    try {
        const std::string folder =
            options.config.empty() || options.matrix.empty() ? settingsLocation().folder : "";
        Session session({options.config.empty() ? konfiguracjaPath(folder) : options.config,
                         options.matrix.empty() ? matrycaPath(folder) : options.matrix},
                        progress);
        // The batch command works with the files it is given, never the stored folders.
        const StoredSettings stored =
            session.readSettings([](const std::string&) { return false; });
        CompileSettings settings = compileSettings(options, stored);
        settings.weekday = weekday;
        if (settings.mode == BreakMode::NotSelected) {
            return usageError(std::string(refusalText(Refusal::NoBreakMode)) +
                              " (the configuration's Start is below 0; give --mode)");
        }
        Outcome outcome = session.otworzPlikMIX(options.mix);
        if (!went(outcome)) {
            return fail(outcome.message);
        }
        if (options.strict && !outcome.warnings.empty()) {
            return fail("--strict: the playlist was cut short; nothing written");
        }
        if (session.lists().ListaMIX.empty()) {
            return fail(refusalText(Refusal::EmptyPlaylist));
        }
        if (!options.lst.empty() &&
            !went(outcome = session.OtworzPlikLST(options.lst, newLoadMeasurer()))) {
            return fail(outcome.message);
        }
        if (!went(outcome = session.compile(settings))) {
            return fail(outcome.message);
        }
        // A playlist of DJ_ records alone compiles to nothing, and an empty playlist written
        // over last night's would mean dead air.
        if (session.lists().ListaWynikowa.empty()) {
            return fail(refusalText(Refusal::NothingToSave));
        }
        const std::vector<AdvertBlock> blocks = session.advertBlocks();
        DayCheckLimits limits;
        limits.driftMs = options.driftLimitMs.value_or(stored.driftLimitMs);
        const DayChecks checks = session.dayChecks(blocks, limits);
        // Before the result, so that a failure leaves no result claiming a full run.
        if (!options.report.empty()) {
            writeFileAtomically(options.report, cp1250ToUtf8(session.placementCsv()));
        }
        if (!options.picture.empty()) {
            writeDayPicture(options.picture, session.lists().ListaWynikowa, blocks, checks);
        }
        if (!went(outcome = session.saveTo(options.out))) {
            return fail(outcome.message);
        }
        const CompileRecord& compiled = session.lastCompile();
        messages.print(Messages::kInfo, cp1250ToUtf8(session.placementReport().summary(
                                            compiled.itemsPlaced, compiled.breaksPlaced)));
        messages.print(checks.clean() ? Messages::kInfo : Messages::kWarning,
                       dayChecksSummary(checks));
        return kExitWritten;
    } catch (const std::exception& e) {
        return fail(e.what());
    }
}

}  // namespace

int runBatch(int argc, const char* const* argv) {
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
    if (!options.date) {
        return runDay(options, options.weekday.value_or(0), messages);
    }
    const std::optional<Day> first = parseDay(*options.date, localToday());
    if (!first) {
        return usageError("--date must be YYYY-MM-DD, today, tomorrow or +N, not \"" +
                          *options.date + "\"");
    }
    return forEachDay(options, *first, messages, [&](const BatchOptions& day, int weekday) {
        return runDay(day, weekday, messages);
    });
}

}  // namespace kalmero
