#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "compiler/programme_check.h"
#include "session/day_compile.h"
#include "session/day_loads.h"
#include "session/loudness_job.h"
#include "session/loudness_run.h"
#include "session/outcome.h"
#include "session/progress.h"
#include "session/session_tools.h"
#include "session/station_store.h"

namespace kalmero {

// The loudness of the loaded day: the plan of its files, the job measuring them, the figures
// taken and the compiled day's blocks compared with the programme around them. The parts it
// reads must outlive it.
class DayMeasuring {
public:
    DayMeasuring(Progress& progress, const SessionTools& tools, DayLoads& loads,
                 const DayCompile& compiled, const StationStore& store);

    // The files of the loaded day to measure: the advert list's spots and, when there are
    // spots, the playlist's programme items.
    LoudnessPlan plan() const;
    // Starts measuring the loaded day's files in the background; null when there is nothing
    // to measure or nothing to measure with.
    std::unique_ptr<LoudnessJob> start(LoudnessSteps steps, std::function<void()> finished);
    // Takes a finished job's figures (take of its plan); false when it isn't finished.
    bool take(const LoudnessJob& job);
    // Takes figures measured for `plan` whole and checks them against the held targets;
    // false (nothing taken) when the lists are no longer those planned for.
    bool take(const LoudnessPlan& plan, const LoudnessMeasuring& measured);
    // Measures the loaded day here and now, waiting for the job, the gauge following; the
    // cache's trouble comes back as a warning.
    Outcome measure();
    // Drops the figures of lists being replaced, and what was found with them.
    void forget();
    // Compares the compiled day's blocks with their programme, when both are known; called
    // whenever either changes, so that what it found is never of another day.
    void checkProgramme();

    const DayLoudness& loudness() const { return m_loudness; }
    const std::vector<BlockAgainstProgramme>& programme() const { return m_programme; }
    // The aired spots of the blocks louder than their programme, with the finding: what the
    // day's picture marks beside the compile's checks.
    const std::vector<RecordMark>& louderThanProgramme() const { return m_louder; }
    // The spots outside the targets and the blocks louder than their programme or not
    // compared, for a person (UTF-8); "" when none or not measured.
    std::string summary() const;

private:
    // The plan with the programme's files looked for first (once per load).
    LoudnessPlan located();

    Progress& m_progress;
    const SessionTools& m_tools;
    DayLoads& m_loads;
    const DayCompile& m_compiled;
    const StationStore& m_store;
    DayLoudness m_loudness;
    std::vector<BlockAgainstProgramme> m_programme;
    std::vector<RecordMark> m_louder;
};

}  // namespace kalmero
