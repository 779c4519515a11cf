#include "cli/batch.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <new>
#include <string>

#include "cli/batch_options.h"
#include "cli/terminal_progress.h"
#include "formats/file_io.h"
#include "formats/konfiguracja_file.h"
#include "formats/matryca.h"
#include "model/file_error.h"
#include "platform/audio_length.h"
#include "platform/encoding.h"
#include "platform/program_folder.h"
#include "session/session.h"

namespace kalmero {

namespace {

int usageError(const std::string& what) {
    std::cerr << "kalmero-batch: " << what << "\n\nUsage:\n" << kUsage;
    return kExitUsage;
}

int failure(TerminalProgress& progress, std::string_view what) {
    progress.finishBar();
    std::cerr << "kalmero-batch: " << what << "\n";
    return kExitFileError;
}

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

    const std::string folder = programFolder();
    SessionFiles files{options.config.empty() ? konfiguracjaPath(folder) : options.config,
                       options.matrix.empty() ? matrycaPath(folder) : options.matrix};
    TerminalProgress progress(stderr, ::isatty(STDERR_FILENO) == 1);
    Session session(std::move(files), progress);

    // The batch command works with the files it is given, never the stored folders.
    const StoredSettings stored = session.readSettings([](const std::string&) { return false; });
    const CompileSettings settings = compileSettings(options, stored);
    if (settings.mode == BreakMode::NotSelected) {
        return usageError(std::string(refusalText(Refusal::NoBreakMode)) +
                          " (the configuration's Start is below 0; give --mode)");
    }

    Outcome outcome = session.otworzPlikMIX(options.mix);
    progress.finishBar();
    if (!outcome.done()) {
        return failure(progress, outcome.message);
    }
    if (session.lists().ListaMIX.empty()) {
        return failure(progress, refusalText(Refusal::EmptyPlaylist));
    }
    if (!options.lst.empty()) {
        outcome = session.OtworzPlikLST(options.lst, newLoadMeasurer());
        progress.finishBar();
        if (!outcome.done()) {
            return failure(progress, outcome.message);
        }
    }
    outcome = session.compile(settings);
    progress.finishBar();
    if (!outcome.done()) {
        return failure(progress, outcome.message);
    }
    // A playlist of DJ_ records alone compiles to nothing; the window refuses to save
    // that, and an empty playlist written over last night's would mean dead air.
    if (session.lists().ListaWynikowa.empty()) {
        return failure(progress, refusalText(Refusal::NothingToSave));
    }

    const PlacementReport report = session.placementReport();
    if (!options.report.empty()) {
        // Before the result, so that a failure leaves no result claiming a full run.
        try {
            writeFileAtomically(options.report, cp1250ToUtf8(report.csv()));
        } catch (const FileError& e) {
            return failure(progress, e.what());
        }
    }
    outcome = session.saveTo(options.out);
    progress.finishBar();
    if (!outcome.done()) {
        return failure(progress, outcome.message);
    }
    const CompileRecord& compiled = session.lastCompile();
    std::cerr << cp1250ToUtf8(report.summary(compiled.itemsPlaced, compiled.breaksPlaced));
    return kExitWritten;
}

}  // namespace kalmero
