#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "compiler/findings.h"
#include "compiler/placement_report.h"
#include "formats/lst_file.h"
#include "session/day_compile.h"
#include "session/day_corrections.h"
#include "session/day_loads.h"
#include "session/day_measuring.h"
#include "session/session_tools.h"
#include "session/station_store.h"

namespace kalmero {

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

// The account of the loaded and compiled day: what became of each spot, the verdict and the
// findings, read from the parts as they stand (which must outlive it).
class DayAccount {
public:
    DayAccount(const SessionTools& tools, const DayLoads& loads, const DayCompile& compiled,
               const DayMeasuring& measuring, const DayCorrections& corrections,
               const StationStore& store);

    // What became of each advert spot in the last compile.
    PlacementReport placementReport() const;
    // The placement report's CSV with each spot's booked and aired times and drift.
    std::string placementCsv() const;
    // ListaLST indexes of the spots the last compile did not air exactly once with a length
    // within the long-spot limit, or that measured as silence.
    std::vector<std::size_t> unaccountedSpots() const;
    // The last compile's verdict.
    DayVerdict verdict() const;
    // The verdict for a person (UTF-8): the count, then the first `named` spots and lines.
    std::string verdictText(std::size_t named) const;
    // The advert list's lines that lost a booking or hold no time of the day, each with its
    // number and text, for the batch summary (UTF-8); "" when none.
    std::string advertLinesSummary() const;
    // Everything to be told of the last compile, in the order it should be heard (UTF-8).
    std::vector<Finding> findings() const;

private:
    // The findings of the advert list's lines, each kind by its count and first few lines.
    void addLineFindings(std::vector<Finding>& found) const;
    // The findings naming spots, each kind with its spots.
    void addSpotFindings(std::vector<Finding>& found) const;

    const SessionTools& m_tools;
    const DayLoads& m_loads;
    const DayCompile& m_compiled;
    const DayMeasuring& m_measuring;
    const DayCorrections& m_corrections;
    const StationStore& m_store;
};

}  // namespace kalmero
