#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "compiler/day_report.h"
#include "model/settings.h"
#include "session/day_loads.h"
#include "session/outcome.h"
#include "session/progress.h"
#include "session/station_store.h"

namespace kalmero {

// Why a compile can't have its breaks: the matrix file `matrix` holds `lines` lines, none
// for `weekday` (0 Monday .. 6 Sunday). Polish, UTF-8.
std::string missingWeekdayLine(const std::string& matrix, int weekday, std::size_t lines);

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

// The day compiled from the loaded lists with the station's settings, and whether the result
// is still what compiling now would give. `progress`, `loads` and `store` must outlive it.
class DayCompile {
public:
    DayCompile(Progress& progress, DayLoads& loads, const StationStore& store);

    // Replaces ListaBreak and ListaWynikowa by compiling `weekday` (0 Monday .. 6) with the
    // held settings, the break matrix read afresh; then checks the day and calls `checked`.
    // A failure leaves no result; a refusal or a matrix that can't be read leaves the last.
    Outcome compile(int weekday, const std::function<void()>& checked);
    // The weekday the front end would compile now (0 Monday .. 6), for resultCurrent.
    void chooseWeekday(int weekday) { m_weekday = weekday; }
    // Whether the result is what compiling now would give: no list loaded, break matrix or
    // path map changed since, and the break settings and weekday as compiled.
    bool resultCurrent() const;
    const CompileRecord& record() const { return m_record; }
    // Forgets the last compile's record, its result gone with the lists.
    void discard() { m_record = CompileRecord{}; }

private:
    // compile's work once refusals are passed: the matrix line read, then (`touched` set) the
    // result replaced and the record made. Throws as the reading and the compiler do.
    void compileNow(const CompileSettings& settings, bool& touched);
    // Counts the changes of what a compile reads besides the settings.
    std::uint64_t inputs() const { return m_store.changes() + m_loads.changes(); }

    Progress& m_progress;
    DayLoads& m_loads;
    const StationStore& m_store;
    CompileRecord m_record;
    // The count of inputs() the last compile saw.
    std::uint64_t m_compiledInputs = 0;
    int m_weekday = 0;
};

}  // namespace kalmero
