#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "formats/line_steps.h"
#include "model/lists.h"
#include "model/spot_measure.h"

namespace kalmero {

// A line of an advert list that its records don't show as written.
struct LstLineNote {
    enum class Kind {
        Skipped,      // a non-blank line no record was read from (its time line was blank,
                      // or it is a time line with no path line after it)
        BadTime,      // a time line whose pieces are not numbers or lie outside the day
        PathTooLong,  // a path line longer than the record's Adr field keeps
    };
    Kind kind = Kind::Skipped;
    std::size_t line = 0;    // from 1
    std::size_t spot = 0;    // BadTime, PathTooLong: the spot read from it (from 0)
    std::size_t length = 0;  // the line's length in bytes (a path line's up to a NUL)
    std::string text;        // its first kLstNoteText bytes as read (Windows-1250)
};

// The bytes of a line a note keeps: enough to tell the line by, not a hostile line's whole.
inline constexpr std::size_t kLstNoteText = 64;
// The skipped lines noted one by one; those after them are only counted: a hostile list of
// blank lines would otherwise cost far more than its bytes.
inline constexpr std::size_t kLstSkippedNoted = 1000;

// What an advert list's text held that its records don't show: path lines with a NUL byte,
// each kept (and measured) up to it, as a written record would keep it; lines skipped,
// doubtful or cut, in line order.
struct LstReadNotes {
    std::size_t pathsCutAtNul = 0;
    std::size_t firstCutLine = 0;  // the first such line (from 1); 0 without one
    std::size_t firstCutSpot = 0;  // its spot (from 1)
    std::vector<LstLineNote> lines;
    std::size_t skippedUnnoted = 0;  // skipped lines past the first kLstSkippedNoted
};

// The most of a path line that a record's Adr field keeps: its capacity less "Adr=".
inline constexpr std::size_t kLstPathKept = capacity(Field::Adr) - 4;

// Reads an advert list's bytes into `spots`, replacing them: one "Typ=REK" record per
// spot, in list order, each measured with `measure` once per distinct path line.
// `problems[i]` says why spot i's length is missing or doubtful ("" when measured
// normally). `steps` hears of every line read, so the caller can show spots as they come.
void OtworzPlikLST(std::string_view bytes, const SpotMeasurer& measure, Lista& spots,
                   std::vector<std::string>& problems, const LineSteps& steps = {});
// The same, keeping the whole of each spot's measure (its problem's kind and the local path
// tried) in `measures[i]`, and telling what the records don't show.
LstReadNotes OtworzPlikLST(std::string_view bytes, const SpotMeasurer& measure, Lista& spots,
                           std::vector<SpotMeasure>& measures, const LineSteps& steps = {});
Lista OtworzPlikLST(std::string_view bytes, const SpotMeasurer& measure);

// Makes `spot`, read from an advert list, play another file of `ms`: its path line (at most
// kLstPathKept bytes, Windows-1250) and lengths as reading would have set them, its time and
// title kept (a corrected copy airs as the same advert).
void playOtherFile(TPozycja& spot, std::string_view pathLine, std::int64_t ms);

}  // namespace kalmero
