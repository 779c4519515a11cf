#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/day_report.h"
#include "compiler/placement_report.h"
#include "formats/konfiguracja_file.h"
#include "model/konfiguracja.h"
#include "model/lists.h"
#include "model/settings.h"
#include "model/spot_measure.h"
#include "session/progress.h"

namespace kalmero {

// The operator's checks that stop a command before it starts.
enum class Refusal {
    EmptyPlaylist,         // compile without a playlist
    NoBreakMode,           // compile with no way of placing breaks chosen
    LineBreakInSoundPath,  // a break sound path that would split its MIX line
    EmptyResultName,       // save without a name
    NothingToSave,         // save with an empty result
};

// The message an operator reads for a refusal (UTF-8).
std::string_view refusalText(Refusal refusal);

// How a command ended. A refusal touched nothing; a failure (a file that could not be
// read or written, or memory exhausted) left any previous result file intact.
struct Outcome {
    enum class Kind { Done, Refused, Failed };

    Kind kind = Kind::Done;
    std::optional<Refusal> refusal;
    // The refusal's text or the failure's (UTF-8); empty when done.
    std::string message;
    // Things the operator should hear of a command that did its work: a playlist cut short,
    // a result file whose owner could not be kept (UTF-8).
    std::vector<std::string> warnings;

    bool done() const { return kind == Kind::Done; }
    static Outcome refused(Refusal refusal);
    static Outcome failed(std::string message);
};

// The two files the session keeps its settings in.
struct SessionFiles {
    std::string ini;     // kalmero.ini
    std::string matrix;  // matryca.dat
};

// Turns a folder setting (Windows-1250 bytes) into a path the file system takes.
using FolderPath = std::function<std::string(std::string_view folderCp1250)>;

// What the last compile did, for the placement report and the day's checks.
struct CompileRecord {
    std::vector<int> placedCounts;     // per ListaLST record: times appended
    std::vector<std::size_t> origins;  // per ListaWynikowa record: its ListaLST index
    std::size_t itemsPlaced = 0;
    std::size_t breaksPlaced = 0;
    CompileSettings settings;
};

// One operator's work: the four lists and the settings, and the commands on them. The
// window and the batch command both go through it, so that the same files and settings
// give the same bytes.
class Session {
public:
    // `progress` must outlive the session.
    Session(SessionFiles files, Progress& progress, FolderPath folderPath = {});

    // Start-up reading of the configuration file; see OdczytajKonfiguracje. The report's
    // limits come from it too.
    StoredSettings readSettings(const FolderCheck& folderExists);

    // Replaces ListaMIX with the playlist at `path` (a file-system path).
    Outcome otworzPlikMIX(const std::string& path);
    // Replaces ListaLST with the advert list at `path`, measuring each spot with `measure`.
    Outcome OtworzPlikLST(const std::string& path, const SpotMeasurer& measure);
    // Replaces ListaBreak and ListaWynikowa by compiling with `settings`; the break matrix
    // is read afresh.
    Outcome compile(const CompileSettings& settings);
    // Writes the result as resultPath(name).
    Outcome save(std::string_view name);
    // Output folder + `name` + ".mix", the name as typed (UTF-8), as the file system takes it.
    std::string resultPath(std::string_view name) const;
    // Writes the result to `path`.
    Outcome saveTo(const std::string& path);

    // The break sound the configuration holds.
    BreakSound storedBreakSound() const;
    // The writes of the window's settings controls, at once; FileError on failure.
    void storeBreakMode(BreakMode mode);
    void storeFade(bool fade);
    void storeBreakLength(BreakLength length);

    // What became of each advert spot in the last compile.
    PlacementReport placementReport() const;
    // The advert blocks of the last compile, booked against aired.
    std::vector<AdvertBlock> advertBlocks() const;
    // The last compile's day checked against `limits`.
    DayChecks dayChecks(const std::vector<AdvertBlock>& blocks, const DayCheckLimits& limits) const;
    // The placement report's CSV with each spot's booked and aired times and drift.
    std::string placementCsv() const;
    const CompileRecord& lastCompile() const { return m_lastCompile; }
    // Per ListaLST record: why its length is missing or doubtful ("" when measured).
    const std::vector<std::string>& spotProblems() const { return m_spotProblems; }

    Lists& lists() { return m_lists; }
    const Lists& lists() const { return m_lists; }
    Konfiguracja& konfiguracja() { return m_konfiguracja; }
    const Konfiguracja& konfiguracja() const { return m_konfiguracja; }
    const SessionFiles& files() const { return m_files; }

    // Empties the four lists, as closing the window does.
    void clear();

private:
    Outcome run(const std::function<Outcome()>& command);

    SessionFiles m_files;
    Progress& m_progress;
    FolderPath m_folderPath;
    Lists m_lists;
    Konfiguracja m_konfiguracja;
    std::vector<std::string> m_spotProblems;
    CompileRecord m_lastCompile;
    std::int64_t m_longSpotMs = PlacementReport::kLongSpotMs;
};

}  // namespace kalmero
