#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
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
#include "session/day_account.h"
#include "session/day_compile.h"
#include "session/day_corrections.h"
#include "session/day_loads.h"
#include "session/day_measuring.h"
#include "session/day_outputs.h"
#include "session/loudness_job.h"
#include "session/loudness_run.h"
#include "session/outcome.h"
#include "session/picture_kind.h"
#include "session/progress.h"
#include "session/session_tools.h"
#include "session/station_settings.h"
#include "session/station_store.h"
#include "session/unattended_day.h"

namespace kalmero {

// Whether a result name (UTF-8, as typed) is no name to a person: empty or white space alone,
// of any script (a no-break space too). save refuses it; the window asks nothing before.
bool isBlankResultName(std::string_view nameUtf8);

// One operator's work: the four lists and the settings, and the commands on them. The
// window and the batch command both go through it, so that the same files and settings
// give the same bytes.
class Session : public BreakSettings {
public:
    // `progress` must outlive the session; `tools` are the station's (stationTools) or a test's.
    Session(SessionFiles files, Progress& progress, SessionTools tools);
    // The parts hold references to each other and to the tools.
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Start-up reading of the configuration file (see OdczytajKonfiguracje) and its path map
    // into the held settings. Returns the break settings as the file holds them, for the
    // controls that show them.
    StoredBreak readSettings(const FolderCheck& folderExists) {
        return m_store.readSettings(folderExists);
    }
    // What the last readSettings passed over, for the operator (UTF-8): a break length out
    // of range, each path map line the map refused, with why.
    const std::vector<std::string>& settingsWarnings() const { return m_store.warnings(); }
    const StationSettings& settings() const { return m_store.settings(); }
    // Held over the stored settings for this session's work; nothing is written.
    void overrideSettings(const SettingOverrides& overrides) {
        m_store.overrideSettings(overrides);
    }

    // Each holds its value and writes its key at once; FileError when the write fails, the
    // value held all the same, as the control that set it shows it.
    void storeFolder(Folder which, std::string folderCp1250) {
        m_store.storeFolder(which, std::move(folderCp1250));
    }
    void storeBreakMode(BreakMode mode) { m_store.storeBreakMode(mode); }
    void storeFade(bool fade) { m_store.storeFade(fade); }
    void storeBreakLength(BreakLength length) { m_store.storeBreakLength(length); }
    // Replaces the configuration's [Sciezki] lines with the map's, every other byte kept.
    void storePathMap(PathMap map) { m_store.storePathMap(std::move(map)); }
    void storeDayViewPlace(const WindowPlace& place) { m_store.storeDayViewPlace(place); }
    BreakWeek readBreakWeek() override { return m_store.readBreakWeek(); }
    void storeBreakHour(int day, int hourIndex, bool on) override {
        m_store.storeBreakHour(day, hourIndex, on);
    }
    void storeBreakWeek(const BreakWeek& week) override { m_store.storeBreakWeek(week); }
    BreakSound readBreakSound() override { return m_store.readBreakSound(); }
    void storeBreakSound(const BreakSound& sound) override { m_store.storeBreakSound(sound); }

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
    void chooseWeekday(int weekday) { m_compile.chooseWeekday(weekday); }
    // Whether the result is what compiling now would give: no list loaded, break matrix or
    // path map changed since, and the break settings and weekday as compiled.
    bool resultCurrent() const { return m_compile.resultCurrent(); }
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
    Outcome runDay(const DayRun& day, const SpotMeasurer& measure, DayPictureWriter& pictures) {
        return UnattendedDay(*this).run(day, measure, pictures);
    }
    Outcome runDay(const DayRun& day, DayPictureWriter& pictures) {
        return runDay(day, {}, pictures);
    }
    // runDay's checks of the outputs alone, for a run of several days checked whole before any
    // is written: refused (OutputOverInput) when an output names a file the day reads, its
    // spots' files among them (the advert list is read for them, with the tools' measurer: give
    // one that only locates). An advert list that can't be read is left to the day's run.
    Outcome checkDayOutputs(const DayRun& day) { return UnattendedDay(*this).checkOutputs(day); }

    // What became of each advert spot in the last compile.
    PlacementReport placementReport() const { return account().placementReport(); }
    // The placement report's CSV with each spot's booked and aired times and drift.
    std::string placementCsv() const { return account().placementCsv(); }
    const CompileRecord& lastCompile() const { return m_compile.record(); }
    // Per ListaLST record: what measuring it gave, with the local path tried and why its
    // length is missing ("" when measured).
    const std::vector<SpotMeasure>& spotMeasures() const { return m_loads.spotMeasures(); }
    // ListaLST indexes of the spots without a length.
    std::vector<std::size_t> unmeasuredSpots() const { return m_loads.unmeasuredSpots(); }
    // ListaLST indexes of the spots the last compile did not air exactly once with a length
    // within the long-spot limit, or that measured as silence: a day a night's run must not
    // call done.
    std::vector<std::size_t> unaccountedSpots() const { return account().unaccountedSpots(); }
    // The last compile's verdict: the one the batch command's exit code and the window's
    // save both go by.
    DayVerdict verdict() const { return account().verdict(); }
    // The verdict for a person (UTF-8): the count, then the first `named` spots and lines.
    std::string verdictText(std::size_t named) const { return account().verdictText(named); }
    // The advert list's lines that lost a booking or hold no time of the day, each with its
    // number and text, for the batch summary (UTF-8); "" when none.
    std::string advertLinesSummary() const { return account().advertLinesSummary(); }
    // Everything to be told of the last compile, in the order it should be heard (UTF-8).
    std::vector<Finding> findings() const { return account().findings(); }
    // What the last advert list's load noted of its lines.
    const std::vector<LstLineNote>& advertLineNotes() const { return m_loads.lineNotes(); }

    const Lists& lists() const { return m_loads.lists(); }

    // Replaces the tools measuring loudness; without them nothing is measured and the
    // report's loudness cells stay empty.
    void useLoudness(LoudnessTools tools) { m_tools.loudness = std::move(tools); }
    // The files of the loaded day to measure: the advert list's spots and, when there are
    // spots, the playlist's programme items.
    LoudnessPlan loudnessPlan() const { return m_measuring.plan(); }
    // Starts measuring the loaded day's files in the background (see LoudnessJob); null when
    // there is nothing to measure or nothing to measure with. The window goes on meanwhile
    // and takes the figures when `finished` tells it; the batch waits.
    std::unique_ptr<LoudnessJob> startLoudness(LoudnessSteps steps,
                                               std::function<void()> finished) {
        return m_measuring.start(std::move(steps), std::move(finished));
    }
    // Takes a finished job's figures (takeLoudness of its plan); false when it isn't finished.
    bool takeLoudness(const LoudnessJob& job) { return m_measuring.take(job); }
    // Takes figures measured for `plan` whole and checks them against the held targets;
    // false (nothing taken) when the lists are no longer those planned for.
    bool takeLoudness(const LoudnessPlan& plan, const LoudnessMeasuring& measured) {
        return m_measuring.take(plan, measured);
    }
    // Measures the loaded day here and now, waiting for the job, the gauge following; the
    // cache's trouble comes back as a warning.
    Outcome measureLoudness() { return m_measuring.measure(); }
    // The advert spots' figures and verdicts, once taken.
    const DayLoudness& loudness() const { return m_measuring.loudness(); }
    // The compiled day's aired blocks against the programme around them; empty until both
    // the day is compiled and its loudness taken.
    const std::vector<BlockAgainstProgramme>& programmeChecks() const {
        return m_measuring.programme();
    }
    // The aired spots of the blocks louder than their programme, each with its finding; beside
    // lastCompile's checks, never in them.
    const std::vector<RecordMark>& louderThanProgramme() const {
        return m_measuring.louderThanProgramme();
    }
    // The spots outside the targets and the blocks louder than their programme or not
    // compared, for a person (UTF-8); "" when none or not measured.
    std::string loudnessSummary() const { return m_measuring.summary() + m_corrections.summary(); }

    // Lowers the loud spots of the compiled, measured day into copies (see correctDay) and
    // makes the advert list play those within their targets and blocks; then compiles the day
    // again (the copies' lengths are their own) and measures it. Nothing is written when no
    // spot needs lowering; without the tools to correct with, nothing is done.
    Outcome correctLoudness();
    // Per advert list spot, what correcting it gave; empty until corrected.
    const std::vector<SpotCorrection>& corrections() const { return m_corrections.corrections(); }

    // Empties the four lists, as closing the window does.
    void clear();

private:
    friend class SessionProbe;  // tests set up lists no command would leave
    friend class UnattendedDay;

    // The account of the day as the parts hold it now.
    DayAccount account() const {
        return {m_tools, m_loads, m_compile, m_measuring, m_corrections, m_store};
    }
    // Writes the result to `path` with `others` staged before it, under the outputs' lock.
    Outcome writeResult(const std::string& path, const std::vector<DayOutput>& others);

    Progress& m_progress;
    SessionTools m_tools;
    StationStore m_store;
    DayLoads m_loads;
    DayCompile m_compile;
    DayMeasuring m_measuring;
    DayCorrections m_corrections;
};

}  // namespace kalmero
