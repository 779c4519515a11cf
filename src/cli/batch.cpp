#include "cli/batch.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "cli/batch_options.h"
#include "cli/terminal_window.h"
#include "compiler/kompilator.h"
#include "compiler/placement_report.h"
#include "formats/file_io.h"
#include "formats/konfiguracja_file.h"
#include "formats/lst_file.h"
#include "formats/matryca.h"
#include "formats/mix_file.h"
#include "model/file_error.h"
#include "platform/audio_length.h"
#include "platform/encoding.h"
#include "platform/program_folder.h"

namespace kalmero {

namespace {

constexpr std::string_view kListaMIXPusta = "Lista MIX jest pusta!";
constexpr std::string_view kNieMaCzego = "Nie ma czego zapisywać!";

// The window's settings controls as the start-up reading leaves them, without the window's
// change handlers: the batch command never writes the configuration.
class StoredControls : public SettingsControls {
  public:
    void setBreakModeIndex(int index) override { settings.mode = index; }
    void setFadeChecked(bool checked) override { settings.fade = checked; }
    // The field shows a negative time as 0; breakLengthMs reads it the same way.
    void setBreakSecondsText(const std::string& text) override {
        settings.seconds = std::to_string(breakLengthMs(BreakSettings{0, false, text, 0}) / 1000);
    }
    void setFolderEditText(int, const std::string&) override {}

    BreakSettings settings;
};

int usageError(const std::string& what) {
    std::cerr << "kalmero-batch: " << what << "\n\nUsage:\n" << kUsage;
    return kExitUsage;
}

int fileError(TerminalWindow& window, const std::string& what) {
    window.finishBar();
    std::cerr << "kalmero-batch: " << what << "\n";
    return kExitFileError;
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
    const std::string iniPath = options.config.empty() ? konfiguracjaPath(folder) : options.config;
    const std::string matrixPath = options.matrix.empty() ? matrycaPath(folder) : options.matrix;

    Konfiguracja konfiguracja;
    StoredControls controls;
    try {
        OdczytajKonfiguracje(iniPath, konfiguracja, controls,
                             [](const std::string&) { return false; });
        readBreakSoundSettings(iniPath, konfiguracja);
    } catch (const FileError& e) {
        std::cerr << "kalmero-batch: " << e.what() << "\n";
        return kExitFileError;
    }

    BreakSettings settings = controls.settings;
    settings.weekday = options.weekday.value_or(0);
    if (options.mode) {
        settings.mode = *options.mode;
    }
    if (options.fade) {
        settings.fade = *options.fade;
    }
    if (options.breakSeconds) {
        settings.seconds = std::to_string(*options.breakSeconds);
    }
    if (options.breakSound) {
        konfiguracja.CzyDzwiek = true;
        konfiguracja.FolderPlikBreak = pathToCp1250(*options.breakSound);
    } else if (options.noBreakSound) {
        konfiguracja.CzyDzwiek = false;
    }
    if (!breakModeSelected(settings.mode)) {
        return usageError(std::string(kWybierzSposob) + " (the configuration's Start is " +
                          "below 0; give --mode)");
    }

    TerminalWindow window(stderr, ::isatty(STDERR_FILENO) == 1, settings);
    Lists lists;
    try {
        otworzPlikMIX(options.mix, lists, window);
        window.finishBar();
        if (lists.ListaMIX.empty()) {
            return fileError(window, std::string(kListaMIXPusta));
        }
        if (!options.lst.empty()) {
            OtworzPlikLST(options.lst, lists, window, PobierzCzasSpotu);
            window.finishBar();
        }
        Kompilator kompilator(lists, window, konfiguracja, matrixPath);
        kompilator.NowyMozg();
        window.finishBar();
        // A playlist of DJ_ records alone compiles to nothing; the window refuses to save
        // that, and an empty playlist written over last night's would mean dead air.
        if (lists.ListaWynikowa.empty()) {
            return fileError(window, std::string(kNieMaCzego));
        }

        const PlacementReport report(lists.ListaLST, kompilator.placedCounts(),
                                     lists.ListaWynikowa);
        if (!options.report.empty()) {
            // Before the result, so that a failure leaves no result claiming a full run.
            writeFileAtomically(options.report, cp1250ToUtf8(report.csv()));
        }
        zapiszNowyMix(options.out, lists, window);
        window.finishBar();
        std::cerr << cp1250ToUtf8(report.summary(kompilator.itemsPlaced(), kompilator.breaksPlaced()));
    } catch (const FileError& e) {
        return fileError(window, e.what());
    }
    return kExitWritten;
}

}  // namespace kalmero
