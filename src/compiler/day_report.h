#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "compiler/compiler.h"
#include "model/lists.h"
#include "model/settings.h"

namespace kalmero {

inline constexpr std::int64_t kHourMs = 3'600'000;
inline constexpr std::int64_t kDayMs = 24 * kHourMs;

// True for a news break of the result: "Typ=BRK", or the break sound ("Wyk=BREAK").
bool isNewsBreak(const TPozycja& r);

// Where result record `i` stops playing, in ms from midnight: its start plus CzasGrania
// (the time until the next item starts), but never before the next record's start when
// its cue point reaches that far, so an item faded on the full hour (CzasGrania of 3 s)
// still reaches the break that cut it; and never after a news break that follows it, as
// the compile drops an unfaded item's tail from the timetable there.
std::int64_t itemEnd(const Lista& result, std::size_t i);

// One advert block as booked and as it went on air. A block is a run of spots standing
// next to each other in the advert list with the same booked time.
struct AdvertBlock {
    std::int64_t booked = 0;    // the block time of the advert list, ms from midnight
    std::size_t firstSpot = 0;  // index in the advert list of its first spot
    std::size_t spotCount = 0;
    std::vector<std::string> titles;  // the spots' Tyt values, Windows-1250 as read
    // Per spot of the block: the result indices of its copies, in result order (empty when
    // the spot was never placed, several when its time fell in several windows).
    std::vector<std::vector<std::size_t>> placements;
    // The earliest start of any of its spots in the result; nullopt when none went on air.
    std::optional<std::int64_t> aired;

    // aired − booked in ms (positive: later than booked); nullopt when never aired.
    std::optional<std::int64_t> drift() const;
};

// The advert list's blocks in list order. `origin[r]` is the spot index that result record
// r is a copy of, or kNoOrigin; a shorter origin list leaves the rest as kNoOrigin, and
// indices outside the advert list are ignored.
std::vector<AdvertBlock> advertBlocks(const Lista& spots, const Lista& result,
                                      const std::vector<std::size_t>& origin);

// The limits of the day's checks, in ms.
struct DayCheckLimits {
    std::int64_t driftMs = kDefaultDriftLimitMs;  // a block aired further from its booked time
    std::int64_t shortHourMs = 3'000'000;         // a clock hour holding less content
    std::int64_t breakOffsetMs = 300'000;         // a break further from the full hour (mode 0)

    // Whether a block aired `drift` ms from its booked time is further than the limit: the
    // checks, the day's picture and the notice all go by this.
    bool driftTooFar(std::int64_t drift) const { return drift > driftMs || drift < -driftMs; }
};

// A clock hour's content: the playing time of the records within it.
struct HourContent {
    int hour = 0;  // 0 .. 23, 24 and on past midnight
    std::int64_t contentMs = 0;
};

// An index with the time it stands for: a result record and its start, or a block and its
// booked time.
struct TimedIndex {
    std::size_t index = 0;
    std::int64_t time = 0;
};

struct BreakOffset {
    std::size_t resultIndex = 0;
    std::int64_t start = 0;
    std::int64_t offsetMs = 0;  // start − the nearest full hour, signed
};

struct BlockDrift {
    std::size_t block = 0;  // index in the block list
    std::int64_t booked = 0;
    std::int64_t aired = 0;
    std::int64_t driftMs = 0;
};

// A result record the day's picture marks, with why (UTF-8).
struct RecordMark {
    std::size_t resultIndex = 0;
    std::string why;
};

// What a person should look at before the day goes on air. Only tells; nothing is changed.
struct DayChecks {
    DayCheckLimits limits;
    bool breakOffsetsChecked = false;  // only the "nearest the full hour" mode moves breaks
    std::int64_t dayStart = 0;         // first start and last end of the result, ms
    std::int64_t dayEnd = 0;
    std::int64_t pastMidnightMs = 0;        // dayEnd − 24:00:00.000 when later, else 0
    std::vector<TimedIndex> afterMidnight;  // result records starting at or after 24:00
    // Every clock hour from 0 to the last one with content, its content as defined there.
    std::vector<HourContent> hours;
    std::vector<HourContent> overfullHours;  // content over 60 minutes
    // Content under the limit, between the day's first and last hours (those two are
    // where the day starts and ends part-way, so they don't count).
    std::vector<HourContent> shortHours;
    std::vector<BreakOffset> farBreaks;
    std::vector<BlockDrift> driftedBlocks;
    std::vector<TimedIndex> unairedBlocks;  // blocks with no spot on air, by booked time

    // True when nothing needs a look.
    bool clean() const;
};

// Runs the day's checks on the compiled result. The content of a clock hour is the part of
// every record's [start, itemEnd) that lies within it, each record counted by itself: over
// 60 minutes only when records overlap (an item left unfaded under a break on the full
// hour), under the limit when the hour holds silence. (Counting a record whole in the hour
// it starts in would flag every hour whose last song runs past the full hour.)
// `breakMode` is the compile's (0, 1 or 2).
DayChecks checkDay(const Lista& result, const std::vector<AdvertBlock>& blocks, int breakMode,
                   const DayCheckLimits& limits = {});

// A signed time difference for people: "+3:12", "-0:45", "+1:02:03" (rounded to seconds).
std::string driftText(std::int64_t ms);

// A length as minutes and seconds, the minutes unbounded, so an hour's content over 60
// minutes reads as such ("61:30"); rounded to seconds.
std::string minutesText(std::int64_t ms);

// A count with its noun in the Polish form the number takes: "1 uwaga", "3 uwagi",
// "5 uwag", "22 uwagi" (UTF-8 as given).
std::string countedText(std::size_t n, const char* one, const char* few, const char* many);

// An emission time for people: "HH:MM:SS.mmm" (or whole seconds, "HH:MM:SS") as the result
// list shows it, the hours past midnight counted on ("24:11:57.000"), with the clock's time
// beside it then ("24:11:57.000 (00:11:57.000 następnego dnia)", "... za 2 dni)").
std::string clockText(std::int64_t ms, bool milliseconds = true);
// An emission time as short as it reads exactly, for a line with little room: "12:00",
// "12:00:30", "12:00:30.250", "24:11".
std::string shortClockText(std::int64_t ms);

// The day's checks as findings for a person, one short Polish sentence each (UTF-8), in
// the order of checkFindings (findings.h).
std::vector<std::string> dayFindings(const DayChecks& checks);

// The day a compile is for, as the window's header and the batch command's picture name it.
// Every field may be left empty: the picture then names what it knows.
struct DayTitle {
    std::string date;      // "YYYY-MM-DD"; empty when the compile was not given a date
    int weekday = -1;      // 0 Monday .. 6 Sunday; -1 when unknown
    std::string playlist;  // the playlist's file name, UTF-8
    std::string adverts;   // the advert list's file name, UTF-8
    // Everything to be told of the day, in order (UTF-8); the day's checks alone when empty.
    std::vector<std::string> findings{};
};

// The Polish weekday names, Monday first, UTF-8.
inline constexpr const char* kWeekdayNames[7] = {"poniedziałek", "wtorek", "środa",    "czwartek",
                                                 "piątek",       "sobota", "niedziela"};

// The checks for a person, Polish in UTF-8, one finding per line with the times involved
// (no record texts, so nothing needs converting).
std::string dayChecksSummary(const DayChecks& checks);

// The header of the advert report's timing columns, to follow its own.
inline constexpr std::string_view kSpotTimingHeader = "booked,aired,drift (ms)";

// Per spot of the advert list, in list order: the timing cells "booked,aired,drift (ms)"
// ready to follow a comma. Times as HH:MM:SS.mmm; several airings separated by spaces in
// one cell; the drift of the spot's first airing in whole ms (a plain signed integer reads
// the same in every spreadsheet's locale); aired and drift empty when never aired.
std::vector<std::string> spotTimingCells(const std::vector<AdvertBlock>& blocks,
                                         const Lista& result);

}  // namespace kalmero
