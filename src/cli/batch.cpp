#include "cli/batch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <new>
#include <optional>
#include <string>

#include "cli/batch_options.h"
#include "cli/batch_picture.h"
#include "cli/day_dates.h"
#include "cli/terminal_progress.h"
#include "formats/file_io.h"
#include "formats/konfiguracja_file.h"
#include "formats/matryca.h"
#include "model/file_error.h"
#include "platform/audio_length.h"
#include "platform/encoding.h"
#include "platform/file_identity.h"
#include "platform/program_folder.h"
#include "session/session.h"

namespace kalmero {

namespace {

int usageError(const std::string& what) {
    std::cerr << "kalmero-batch: " << what << "\n\nUsage:\n" << kUsage;
    return kExitUsage;
}

// Whether stderr is the journal: systemd names the stream it connected in JOURNAL_STREAM.
bool stderrIsJournal() {
    const char* stream = std::getenv("JOURNAL_STREAM");
    struct stat info {};
    if (stream == nullptr || ::fstat(STDERR_FILENO, &info) != 0) {
        return false;
    }
    unsigned long long device = 0;
    unsigned long long inode = 0;
    return std::sscanf(stream, "%llu:%llu", &device, &inode) == 2 && device == info.st_dev &&
           inode == info.st_ino;
}

// Lines on stderr, each with its syslog priority when the journal reads them, so that a
// failed night shows in `journalctl -p err`.
class Messages {
public:
    enum Priority { kError = 3, kWarning = 4, kInfo = 6 };

    explicit Messages(bool journal) : m_journal(journal) {}

    std::string prefix(Priority priority) const {
        return m_journal ? "<" + std::to_string(priority) + ">" : std::string();
    }
    void print(Priority priority, std::string_view text) const {
        std::string out;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            end = end == std::string_view::npos ? text.size() : end;
            out += prefix(priority);
            out += text.substr(start, end - start);
            out += '\n';
            start = end + 1;
        }
        std::cerr << out << std::flush;
    }

private:
    bool m_journal;
};

// The settings of the command line over those of the configuration file.
CompileSettings compileSettings(const BatchOptions& options, const StoredSettings& stored) {
    CompileSettings settings;
    settings.mode = options.mode ? breakModeFromIndex(*options.mode) : stored.mode;
    settings.fade = options.fade.value_or(stored.fade);
    settings.length = options.breakLength.value_or(BreakLength::clamped(stored.seconds));
    settings.weekday = options.weekday.value_or(0);
    settings.sound = {stored.konfiguracja.CzyDzwiek, stored.konfiguracja.FolderPlikBreak};
    if (options.breakSound) {
        settings.sound = {true, pathToCp1250(*options.breakSound)};
    } else if (options.noBreakSound) {
        settings.sound.on = false;
    }
    return settings;
}

// The outputs must not be any input, nor each other: a slip of the finger in a night's
// script would otherwise replace the day's playlist with a report. Returns what is wrong.
std::optional<std::string> clobbered(const BatchOptions& options) {
    struct Named {
        const char* option;
        const std::string* path;
    };
    const Named outputs[] = {{"--out", &options.out}, {"--report", &options.report}};
    const Named inputs[] = {{"--mix", &options.mix},
                            {"--lst", &options.lst},
                            {"--config", &options.config},
                            {"--matrix", &options.matrix},
                            {"--report", &options.report}};
    for (const Named& output : outputs) {
        for (const Named& input : inputs) {
            if (output.path == input.path || output.path->empty() || input.path->empty()) {
                continue;
            }
            if (sameFile(*output.path, *input.path)) {
                return std::string(output.option) + " " + *output.path +
                       " names the same file as " + input.option + "; it would be overwritten";
            }
        }
    }
    return std::nullopt;
}

// One day's road: load, compile, report, save. Returns the exit code.
int runDay(const BatchOptions& options, int weekday, const Messages& messages) {
    if (const auto problem = clobbered(options)) {
        return usageError(*problem);
    }
    std::string folder;
    if (options.config.empty() || options.matrix.empty()) {
        try {
            folder = settingsLocation().folder;
        } catch (const std::exception& e) {
            messages.print(Messages::kError, std::string("kalmero-batch: ") + e.what());
            return kExitFileError;
        }
    }
    SessionFiles files{options.config.empty() ? konfiguracjaPath(folder) : options.config,
                       options.matrix.empty() ? matrycaPath(folder) : options.matrix};
    TerminalProgress progress(stderr, ::isatty(STDERR_FILENO) == 1,
                              messages.prefix(Messages::kInfo));
    Session session(std::move(files), progress);
    auto failure = [&](std::string_view what) {
        progress.finishBar();
        messages.print(Messages::kError, "kalmero-batch: " + std::string(what));
        return kExitFileError;
    };

    // The batch command works with the files it is given, never the stored folders.
    const StoredSettings stored = session.readSettings([](const std::string&) { return false; });
    CompileSettings settings = compileSettings(options, stored);
    settings.weekday = weekday;
    if (settings.mode == BreakMode::NotSelected) {
        return usageError(std::string(refusalText(Refusal::NoBreakMode)) +
                          " (the configuration's Start is below 0; give --mode)");
    }

    Outcome outcome = session.otworzPlikMIX(options.mix);
    progress.finishBar();
    if (!outcome.done()) {
        return failure(outcome.message);
    }
    for (const std::string& warning : outcome.warnings) {
        messages.print(Messages::kWarning, "kalmero-batch: warning: " + warning);
    }
    if (options.strict && !outcome.warnings.empty()) {
        return failure("--strict: the playlist was cut short; nothing written");
    }
    if (session.lists().ListaMIX.empty()) {
        return failure(refusalText(Refusal::EmptyPlaylist));
    }
    if (!options.lst.empty()) {
        outcome = session.OtworzPlikLST(options.lst, newLoadMeasurer());
        progress.finishBar();
        if (!outcome.done()) {
            return failure(outcome.message);
        }
    }
    outcome = session.compile(settings);
    progress.finishBar();
    if (!outcome.done()) {
        return failure(outcome.message);
    }
    // A playlist of DJ_ records alone compiles to nothing; the window refuses to save
    // that, and an empty playlist written over last night's would mean dead air.
    if (session.lists().ListaWynikowa.empty()) {
        return failure(refusalText(Refusal::NothingToSave));
    }

    const PlacementReport report = session.placementReport();
    const std::vector<AdvertBlock> blocks = session.advertBlocks();
    DayCheckLimits limits;
    limits.driftMs = options.driftLimitMs.value_or(stored.driftLimitMs);
    const DayChecks checks = session.dayChecks(blocks, limits);
    // Before the result, so that a failure leaves no result claiming a full run.
    try {
        if (!options.report.empty()) {
            writeFileAtomically(options.report, cp1250ToUtf8(session.placementCsv()));
        }
        if (!options.picture.empty()) {
            writeDayPicture(options.picture, session.lists().ListaWynikowa, blocks, checks);
        }
    } catch (const std::exception& e) {
        return failure(e.what());
    }
    outcome = session.saveTo(options.out);
    progress.finishBar();
    if (!outcome.done()) {
        return failure(outcome.message);
    }
    for (const std::string& warning : outcome.warnings) {
        messages.print(Messages::kWarning, "kalmero-batch: warning: " + warning);
    }
    const CompileRecord& compiled = session.lastCompile();
    messages.print(Messages::kInfo,
                   cp1250ToUtf8(report.summary(compiled.itemsPlaced, compiled.breaksPlaced)));
    messages.print(checks.clean() ? Messages::kInfo : Messages::kWarning, dayChecksSummary(checks));
    return kExitWritten;
}

// The options of one day: the date's placeholders filled in every path.
BatchOptions forDay(const BatchOptions& options, const Day& day) {
    BatchOptions dayOptions = options;
    for (std::string* path : {&dayOptions.mix, &dayOptions.lst, &dayOptions.out, &dayOptions.report,
                              &dayOptions.picture}) {
        *path = expandDay(*path, day);
    }
    return dayOptions;
}

bool exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
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
    const Messages messages(stderrIsJournal());
    if (!options.date) {
        return runDay(options, options.weekday.value_or(0), messages);
    }

    const std::optional<Day> first = parseDay(*options.date, localToday());
    if (!first) {
        return usageError("--date must be YYYY-MM-DD, today, tomorrow or +N, not \"" +
                          *options.date + "\"");
    }
    int worst = kExitWritten;
    for (int n = 0; n < options.days; ++n) {
        const Day day = addDays(*first, n);
        const BatchOptions dayOptions = forDay(options, day);
        const std::string name =
            isoText(day) + " (" + std::string(weekdayAbbreviation(weekdayOf(day))) + ")";
        messages.print(Messages::kInfo, "== " + name);
        // A day the music or traffic department has not delivered yet keeps whatever
        // result it has; the other days go on.
        std::string missing;
        for (const std::string* input : {&dayOptions.mix, &dayOptions.lst}) {
            if (!input->empty() && !exists(*input)) {
                missing += (missing.empty() ? "" : ", ") + *input;
            }
        }
        int code = kExitWritten;
        if (!missing.empty()) {
            messages.print(Messages::kError,
                           "kalmero-batch: " + name + " skipped: missing " + missing);
            code = kExitFileError;
        } else {
            code = runDay(dayOptions, weekdayOf(day), messages);
        }
        worst = std::max(worst, code);
    }
    return worst;
}

}  // namespace kalmero
