#pragma once

#include <string>
#include <vector>

#include "session/corrections.h"
#include "session/day_compile.h"
#include "session/day_loads.h"
#include "session/day_measuring.h"
#include "session/outcome.h"
#include "session/progress.h"
#include "session/session_tools.h"
#include "session/station_store.h"

namespace kalmero {

// The loud spots of the compiled, measured day lowered into copies before air, on request
// only: what was corrected, and by how much. The parts it reads must outlive it.
class DayCorrections {
public:
    DayCorrections(Progress& progress, const SessionTools& tools, DayLoads& loads,
                   const DayCompile& compiled, const DayMeasuring& measuring,
                   const StationStore& store);

    // Makes (or finds) the copies the day needs and makes the advert list play those that
    // pass; true in `aired` when any does (the day must then be compiled and measured again).
    Outcome correct(bool& aired);
    // Forgets the corrections of lists being replaced.
    void forget() { m_corrections.clear(); }

    // Per advert list spot, in list order; empty until corrected.
    const std::vector<SpotCorrection>& corrections() const { return m_corrections; }
    // The summary's lines (UTF-8): the spots corrected and those left; "" when none.
    std::string summary() const;

private:
    Progress& m_progress;
    const SessionTools& m_tools;
    DayLoads& m_loads;
    const DayCompile& m_compiled;
    const DayMeasuring& m_measuring;
    const StationStore& m_store;
    std::vector<SpotCorrection> m_corrections;
};

}  // namespace kalmero
