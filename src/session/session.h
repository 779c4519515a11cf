#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "compiler/day_report.h"
#include "compiler/findings.h"
#include "compiler/placement_report.h"
#include "compiler/programme_check.h"
#include "formats/konfiguracja_file.h"
#include "formats/lst_file.h"
#include "model/lists.h"
#include "model/path_map.h"
#include "model/settings.h"
#include "model/spot_measure.h"
#include "session/break_settings.h"
#include "session/loudness_job.h"
#include "session/loudness_run.h"
#include "session/picture_kind.h"
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
    UnaccountedSpots,      // a strict day with a spot not aired exactly once with a length
    OutputOverInput,       // a day's output naming a file the day reads
    StaleResult,           // save of a result that compiling now would not give
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

// The break settings as the configuration file holds them, before a length out of range is
// brought within it: what the window's controls show at start-up, so that their handlers
// write back a value that can't stand.
struct StoredBreak {
    BreakMode mode = BreakMode::Nearest;
    bool fade = false;
    std::int64_t seconds = BreakLength::kDefaultSeconds;
};

// Why a compile can't have its breaks: the matrix file `matrix` holds `lines` lines, none
// for `weekday` (0 Monday .. 6 Sunday). Polish, UTF-8.
std::string missingWeekdayLine(const std::string& matrix, int weekday, std::size_t lines);

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

// UTF-8 to Windows-1250, bytes that don't convert kept as they are: a measuring problem and
// the local path tried, for the placement report's Windows-1250 text.
using Cp1250Encoder = std::function<std::string(std::string_view utf8)>;

// A spot measurer for one advert list's load: path lines found through `map`, a relative
// one within `listFolderUtf8` (the list's own folder).
using LoadMeasurerMaker =
    std::function<SpotMeasurer(const PathMap& map, const std::string& listFolderUtf8)>;

// Finds an item's audio file from its path line (Windows-1250): the local path (UTF-8), ""
// when there is none.
using FileLocator = std::function<std::string(std::string_view pathLineCp1250)>;

// A locator for one playlist's load: path lines found through `map`, a relative one within
// `folderUtf8` (the playlist's own folder).
using LocatorMaker = std::function<FileLocator(const PathMap& map, const std::string& folderUtf8)>;

// The platform's tools the session works with: the station's own (stationTools) unless a test
// gives others. Without `decode` and `encode` texts stay as they are; without `newMeasurer`
// every advert list load must be given its measurer; without `newLocator` a playlist item's
// file is its path line; without `loudness` nothing is measured.
struct SessionTools {
    Cp1250Decoder decode;
    Cp1250Encoder encode;
    LoadMeasurerMaker newMeasurer;
    LocatorMaker newLocator;
    LoudnessTools loudness;
};

// The station's tools: text conversions, spots and playlist items found through the path
// map, loudness measured on every core through the shared cache of measurings.
SessionTools stationTools();

// Draws a compiled day with the front end's drawing code; the session writes the bytes.
class DayPictureWriter {
public:
    virtual ~DayPictureWriter() = default;
    // The day's picture as the bytes of a `kind` file, its header naming the day by `title`.
    // Throws FileError with the reason when it can't be drawn.
    virtual std::string renderDayPicture(PictureKind kind, const Lista& result,
                                         const std::vector<AdvertBlock>& blocks,
                                         const DayChecks& checks, const DayTitle& title) = 0;
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

// Why a compiled day is not accounted for: what makes the batch command exit 3 and a strict
// day refuse, and what the window asks about before it saves.
struct DayVerdict {
    // ListaLST indexes of the spots not aired exactly once with a length within the limit,
    // or whose path the result keeps cut.
    std::vector<std::size_t> spots;
    // The advert list's lines that lost a booking or hold no time of the day.
    std::vector<LstLineNote> lines;
    std::size_t linesUnnoted = 0;  // skipped lines counted only, after those in `lines`

    bool accounted() const { return spots.empty() && lines.empty(); }
    std::size_t lineCount() const { return lines.size() + linesUnnoted; }
    // Spots and lines, each counted once.
    std::size_t count() const { return spots.size() + lineCount(); }
};

// One operator's work: the four lists and the settings, and the commands on them. The
// window and the batch command both go through it, so that the same files and settings
// give the same bytes.
class Session : public BreakSettings {
public:
    // `progress` must outlive the session. With the station's tools.
    Session(SessionFiles files, Progress& progress);
    Session(SessionFiles files, Progress& progress, SessionTools tools);

    // Start-up reading of the configuration file (see OdczytajKonfiguracje) and its path map
    // into the held settings. Returns the break settings as the file holds them, for the
    // controls that show them.
    StoredBreak readSettings(const FolderCheck& folderExists);
    // What the last readSettings passed over, for the operator (UTF-8): a break length out
    // of range, each path map line the map refused, with why.
    const std::vector<std::string>& settingsWarnings() const { return m_settingsWarnings; }
    const StationSettings& settings() const { return m_settings; }
    // Held over the stored settings for this session's work; nothing is written.
    void overrideSettings(const SettingOverrides& overrides);

    // Each holds its value and writes its key at once; FileError when the write fails, the
    // value held all the same, as the control that set it shows it.
    void storeFolder(Folder which, std::string folderCp1250);
    void storeBreakMode(BreakMode mode);
    void storeFade(bool fade);
    void storeBreakLength(BreakLength length);
    // Replaces the configuration's [Sciezki] lines with the map's, every other byte kept.
    void storePathMap(PathMap map);
    void storeDayViewPlace(const WindowPlace& place);
    BreakWeek readBreakWeek() override;
    void storeBreakHour(int day, int hourIndex, bool on) override;
    void storeBreakWeek(const BreakWeek& week) override;
    BreakSound readBreakSound() override;
    void storeBreakSound(const BreakSound& sound) override;

    // Replaces ListaMIX with the playlist at `path` (a file-system path).
    Outcome otworzPlikMIX(const std::string& path);
    // Replaces ListaLST with the advert list at `path`, measuring each spot with `measure`,
    // or when none is given with the tools' measurer over the held path map and the list's
    // own folder (whatever the process's current folder). The last status names the spots
    // left without a length.
    Outcome OtworzPlikLST(const std::string& path, const SpotMeasurer& measure = {});
    // Replaces ListaBreak and ListaWynikowa by compiling `weekday` (0 Monday .. 6) with the
    // held settings, the break matrix read afresh; then checks the day (lastCompile).
    Outcome compile(int weekday);
    // The weekday the front end would compile now (0 Monday .. 6), for resultCurrent.
    void chooseWeekday(int weekday) { m_weekday = weekday; }
    // Whether the result is what compiling now would give: no list loaded, break matrix or
    // path map changed since, and the break settings and weekday as compiled.
    bool resultCurrent() const;
    // Writes the result as resultPath(name); a result no longer current is refused.
    Outcome save(std::string_view name);
    // Output folder + `name` + ".mix", the name as typed (UTF-8), as the file system takes it.
    std::string resultPath(std::string_view name) const;
    // Writes the result to `path`, holding the outputs' lock beside it (a run writing the same
    // result is waited for a bounded time).
    Outcome saveTo(const std::string& path);
    // The whole of an unattended day: loads, compiles and writes the report, the picture (with
    // `pictures`) and the result as one outcome: each goes to its temporary first and all are
    // put in place together at the end, so that a failure leaves every previous output as it
    // was. The outputs' lock is held while they are written, as saveTo's. A day that can't be
    // compiled is refused before any file is read, one that compiles to nothing before any is
    // written, a strict one with unaccountedSpots() before any is written. The warnings of every
    // step are gathered. `measure` as OtworzPlikLST's.
    Outcome runDay(const DayRun& day, const SpotMeasurer& measure, DayPictureWriter& pictures);
    Outcome runDay(const DayRun& day, DayPictureWriter& pictures) {
        return runDay(day, {}, pictures);
    }
    // runDay's checks of the outputs alone, for a run of several days checked whole before any
    // is written: refused (OutputOverInput) when an output names a file the day reads, its
    // spots' files among them (the advert list is read for them, with the tools' measurer: give
    // one that only locates). An advert list that can't be read is left to the day's run.
    Outcome checkDayOutputs(const DayRun& day);

    // What became of each advert spot in the last compile.
    PlacementReport placementReport() const;
    // The placement report's CSV with each spot's booked and aired times and drift.
    std::string placementCsv() const;
    const CompileRecord& lastCompile() const { return m_lastCompile; }
    // Per ListaLST record: what measuring it gave, with the local path tried and why its
    // length is missing ("" when measured).
    const std::vector<SpotMeasure>& spotMeasures() const { return m_spotMeasures; }
    // ListaLST indexes of the spots without a length.
    std::vector<std::size_t> unmeasuredSpots() const;
    // ListaLST indexes of the spots the last compile did not air exactly once with a length
    // within the long-spot limit, or that measured as silence: a day a night's run must not
    // call done.
    std::vector<std::size_t> unaccountedSpots() const;
    // The last compile's verdict: the one the batch command's exit code and the window's
    // save both go by.
    DayVerdict verdict() const;
    // The verdict for a person (UTF-8): the count, then the first `named` spots and lines.
    std::string verdictText(std::size_t named) const;
    // The advert list's lines that lost a booking or hold no time of the day, each with its
    // number and text, for the batch summary (UTF-8); "" when none.
    std::string advertLinesSummary() const;
    // Everything to be told of the last compile, in the order it should be heard (UTF-8).
    std::vector<Finding> findings() const;
    // What the last advert list's load noted of its lines.
    const std::vector<LstLineNote>& advertLineNotes() const { return m_lstNotes; }

    const Lists& lists() const { return m_lists; }

    // Replaces the tools measuring loudness; without them nothing is measured and the
    // report's loudness cells stay empty.
    void useLoudness(LoudnessTools tools) { m_tools.loudness = std::move(tools); }
    // The files of the loaded day to measure: the advert list's spots and, when there are
    // spots, the playlist's programme items.
    LoudnessPlan loudnessPlan() const;
    // Starts measuring the loaded day's files in the background (see LoudnessJob); null when
    // there is nothing to measure or nothing to measure with. The window goes on meanwhile
    // and takes the figures when `finished` tells it; the batch waits.
    std::unique_ptr<LoudnessJob> startLoudness(LoudnessSteps steps, std::function<void()> finished);
    // Takes a finished job's figures (takeLoudness of its plan); false when it isn't finished.
    bool takeLoudness(const LoudnessJob& job);
    // Takes figures measured for `plan` whole and checks them against the held targets;
    // false (nothing taken) when the lists are no longer those planned for.
    bool takeLoudness(const LoudnessPlan& plan, const LoudnessMeasuring& measured);
    // Measures the loaded day here and now, waiting for the job, the gauge following; the
    // cache's trouble comes back as a warning.
    Outcome measureLoudness();
    // The advert spots' figures and verdicts, once taken.
    const DayLoudness& loudness() const { return m_loudness; }
    // The compiled day's aired blocks against the programme around them; empty until both
    // the day is compiled and its loudness taken.
    const std::vector<BlockAgainstProgramme>& programmeChecks() const { return m_programme; }
    // The spots outside the targets and the blocks louder than their programme or not
    // compared, for a person (UTF-8); "" when none or not measured.
    std::string loudnessSummary() const;

    // Empties the four lists, as closing the window does.
    void clear();

private:
    friend class SessionProbe;  // tests set up lists no command would leave

    Outcome run(const std::function<Outcome()>& command);
    // The gauge of a reader or writer that reports `done` of `total`: 0 starts it.
    void gauge(std::size_t done, std::size_t total);
    void gaugeStep(std::size_t done);
    // Writes one key of the configuration, unless it is the first write of a key the start-up
    // reading found already so: the window's showing it isn't worth a second opening.
    void storeKey(const IniEntry& entry);
    // runDay's steps.
    Outcome loadDay(const DayRun& day, const SpotMeasurer& measure);
    Outcome writeDay(const DayRun& day, DayPictureWriter& pictures);
    // The refusal of a day whose output names a file the day reads (its lists, the
    // configuration and matrix in use, the break sound, and `withSpots` each spot's file as
    // located): written over, the next night would read a report for a matrix. Done when
    // none does.
    Outcome outputsClearOfInputs(const DayRun& day, bool withSpots) const;
    // Writes the result to `path` with `others` (path, bytes) staged before it, under the
    // outputs' lock.
    Outcome writeOutputs(const std::string& path,
                         const std::vector<std::pair<std::string, std::string>>& others);
    // Drops the figures of lists being replaced, and what was found with them.
    void forgetLoudness();
    // Compares the compiled day's blocks with their programme, when both are known.
    void checkProgramme();
    // Finds the loaded playlist's programme files (a relative path within its folder) once
    // per playlist, when there are spots to compare with them.
    void locateProgramme();

    SessionFiles m_files;
    Progress& m_progress;
    SessionTools m_tools;
    StationSettings m_settings;
    std::vector<std::string> m_settingsWarnings;
    // The keys the window writes back as soon as it shows them that the start-up reading
    // found already stored so; each one's first write is left out when it changes nothing.
    std::vector<IniEntry> m_keysAsRead;
    BreakWeek m_breakWeek{};
    Lists m_lists;
    std::vector<SpotMeasure> m_spotMeasures;
    std::vector<LstLineNote> m_lstNotes;
    std::size_t m_lstSkippedUnnoted = 0;
    // Per ListaMIX record, its programme file found (UTF-8); "" when none. Empty until
    // first needed.
    std::vector<std::string> m_programmePaths;
    std::string m_playlistFolder;
    CompileRecord m_lastCompile;
    // Counts the changes of what a compile reads besides the settings: loads, the break
    // matrix, the path map; the count the last compile saw.
    std::uint64_t m_inputsChanged = 0;
    std::uint64_t m_compiledInputs = 0;
    int m_weekday = 0;
    DayLoudness m_loudness;
    std::vector<BlockAgainstProgramme> m_programme;
};

}  // namespace kalmero
