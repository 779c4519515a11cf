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
#include "model/lists.h"
#include "model/settings.h"
#include "model/spot_measure.h"
#include "session/break_settings.h"
#include "session/progress.h"
#include "session/station_settings.h"

namespace kalmero {

// The operator's checks that stop a command before it starts.
enum class Refusal {
    EmptyPlaylist,         // compile without a playlist
    NoBreakMode,           // compile with no way of placing breaks chosen
    LineBreakInSoundPath,  // a break sound path that would split its MIX line
    EmptyResultName,       // save without a name
    NothingToSave,         // save with an empty result
    CutPlaylist,           // a strict day whose playlist was cut short
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

    // Both files in `folder` (which ends in "/").
    static SessionFiles inFolder(const std::string& folder);
};

// Windows-1250 bytes to UTF-8: a folder setting to a path the file system takes, the report
// to the text a person's spreadsheet opens.
using Cp1250Decoder = std::function<std::string(std::string_view cp1250)>;

// Draws a compiled day into a picture file with the front end's drawing code.
class DayPictureWriter {
public:
    virtual ~DayPictureWriter() = default;
    // Writes the day's picture to `path` (UTF-8), its kind by the extension, its header naming
    // the day by `title`. Throws FileError with the reason when it can't.
    virtual void writeDayPicture(const std::string& path, const Lista& result,
                                 const std::vector<AdvertBlock>& blocks, const DayChecks& checks,
                                 const DayTitle& title) = 0;
};

// An unattended day: what it reads and what it writes, paths as the file system takes them.
// An output left empty is not written.
struct DayRun {
    std::string playlist;
    std::string adverts;  // empty: a day without adverts
    int weekday = 0;      // 0 Monday .. 6 Sunday
    std::string date;     // "YYYY-MM-DD" when the day is known by its date, for the picture
    bool strict = false;  // a playlist cut short refuses the day
    std::string report;   // the placement report's CSV (UTF-8)
    std::string picture;  // the day's picture
    std::string result;   // the merged playlist
};

// What the last compile did, for the placement report and the day's checks.
struct CompileRecord {
    std::vector<int> placedCounts;     // per ListaLST record: times appended
    std::vector<std::size_t> origins;  // per ListaWynikowa record: its ListaLST index
    std::size_t itemsPlaced = 0;
    std::size_t breaksPlaced = 0;
    CompileSettings settings;
    // The advert blocks booked against aired, and the day checked within the held limits.
    std::vector<AdvertBlock> blocks;
    DayChecks checks;
};

// One operator's work: the four lists and the settings, and the commands on them. The
// window and the batch command both go through it, so that the same files and settings
// give the same bytes.
class Session : public BreakSettings {
public:
    // `progress` must outlive the session. Without `decode` texts stay as stored.
    Session(SessionFiles files, Progress& progress, Cp1250Decoder decode = {});

    // Start-up reading of the configuration file (see OdczytajKonfiguracje) into the held
    // settings. Returns the file as read, for the controls that show it.
    StoredSettings readSettings(const FolderCheck& folderExists);
    const StationSettings& settings() const { return m_settings; }
    // Held over the stored settings for this session's work; nothing is written.
    void overrideSettings(const SettingOverrides& overrides);

    // Each holds its value and writes its key at once; FileError when the write fails, the
    // value held all the same, as the control that set it shows it.
    void storeFolder(Folder which, std::string folderCp1250);
    void storeBreakMode(BreakMode mode);
    void storeFade(bool fade);
    void storeBreakLength(BreakLength length);
    void storeDayViewPlace(const WindowPlace& place);
    BreakWeek readBreakWeek() override;
    void storeBreakHour(int day, int hourIndex, bool on) override;
    void storeBreakWeek(const BreakWeek& week) override;
    BreakSound readBreakSound() override;
    void storeBreakSound(const BreakSound& sound) override;

    // Replaces ListaMIX with the playlist at `path` (a file-system path).
    Outcome otworzPlikMIX(const std::string& path);
    // Replaces ListaLST with the advert list at `path`, measuring each spot with `measure`.
    Outcome OtworzPlikLST(const std::string& path, const SpotMeasurer& measure);
    // Replaces ListaBreak and ListaWynikowa by compiling `weekday` (0 Monday .. 6) with the
    // held settings, the break matrix read afresh; then checks the day (lastCompile).
    Outcome compile(int weekday);
    // Writes the result as resultPath(name).
    Outcome save(std::string_view name);
    // Output folder + `name` + ".mix", the name as typed (UTF-8), as the file system takes it.
    std::string resultPath(std::string_view name) const;
    // Writes the result to `path`.
    Outcome saveTo(const std::string& path);
    // The whole of an unattended day: loads, compiles and writes the report, the picture (with
    // `pictures`) and the result, in that order, so that a failure leaves no result claiming
    // a full run. A day that can't be compiled is refused before any file is read, one that
    // compiles to nothing before any is written. The warnings of every step are gathered.
    Outcome runDay(const DayRun& day, const SpotMeasurer& measure, DayPictureWriter& pictures);

    // What became of each advert spot in the last compile.
    PlacementReport placementReport() const;
    // The placement report's CSV with each spot's booked and aired times and drift.
    std::string placementCsv() const;
    const CompileRecord& lastCompile() const { return m_lastCompile; }
    // Per ListaLST record: why its length is missing or doubtful ("" when measured).
    const std::vector<std::string>& spotProblems() const { return m_spotProblems; }

    const Lists& lists() const { return m_lists; }

    // Empties the four lists, as closing the window does.
    void clear();

private:
    friend class SessionProbe;  // tests set up lists no command would leave

    Outcome run(const std::function<Outcome()>& command);
    // The gauge of a reader or writer that reports `done` of `total`: 0 starts it.
    void gauge(std::size_t done, std::size_t total);
    void gaugeStep(std::size_t done);
    // runDay's steps.
    Outcome loadDay(const DayRun& day, const SpotMeasurer& measure);
    Outcome writeDay(const DayRun& day, DayPictureWriter& pictures);

    SessionFiles m_files;
    Progress& m_progress;
    Cp1250Decoder m_decode;
    StationSettings m_settings;
    BreakWeek m_breakWeek{};
    Lists m_lists;
    std::vector<std::string> m_spotProblems;
    CompileRecord m_lastCompile;
};

}  // namespace kalmero
