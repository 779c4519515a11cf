#pragma once

#include <string>
#include <utility>
#include <vector>

#include "compiler/day_report.h"
#include "model/lists.h"
#include "platform/file_io.h"
#include "session/outcome.h"
#include "session/picture_kind.h"
#include "session/progress.h"

namespace kalmero {

// Draws a compiled day with the front end's drawing code; the session writes the bytes.
class DayPictureWriter {
public:
    virtual ~DayPictureWriter() = default;
    // The day's picture as the bytes of a `kind` file, its header naming the day by `title`,
    // the spots of `louderThanProgramme` marked loud. Throws FileError with the reason when it
    // can't be drawn.
    virtual std::string renderDayPicture(PictureKind kind, const Lista& result,
                                         const std::vector<AdvertBlock>& blocks,
                                         const DayChecks& checks,
                                         const std::vector<RecordMark>& louderThanProgramme,
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

// A file a day reads (a path as the file system takes it) and what it is to the day (Polish).
using DayInput = std::pair<std::string, std::string>;
// A file to write beside the result: its path and its bytes.
using DayOutput = std::pair<std::string, std::string>;

// Writes `result` to `path` with `others` staged before it, all put in place together under
// the outputs' lock (a run writing the same result is waited for a bounded time), the gauge
// and status line on `progress` following. A failure leaves every previous file as it was.
Outcome writeOutputs(Progress& progress, const Lista& result, InPlace inPlace,
                     const std::string& path, const std::vector<DayOutput>& others);

// The refusal of a day whose output names one of `inputs`: written over, the next night would
// read a report for a matrix. Done when none does.
Outcome outputsClearOf(const DayRun& day, const std::vector<DayInput>& inputs);

}  // namespace kalmero
