#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "formats/line_steps.h"
#include "model/lists.h"
#include "model/pozycja.h"

namespace kalmero {

// What a playlist's text said of itself that its records don't show: a NUL byte ends the
// text (bytes after it are ignored), and the header announces how many records follow.
struct MixReadNotes {
    std::size_t ignoredAfterNul = 0;        // bytes from the first NUL on; 0 without one
    std::optional<std::int64_t> announced;  // the POZYCJI= count, when the text has one
    // The line (from 1) where a last record that never closed began (its separator or first
    // field line): the file was cut mid-record. 0 when every record closed.
    std::size_t unfinishedFrom = 0;
};

// Reads a MIX playlist's bytes into `records` (replacing them; Windows-1250 lines stored
// unchanged). Lenient: unknown lines are skipped, a record closes at a line beginning
// "KON", an unfinished last record is dropped, a NUL ends the text. `steps` hears of the
// lines read, every few hundred and at the end. The text is read twice (once to size the
// list); `consumed(offset, restart)` hears, as each read moves on, that the bytes before
// `offset` are not needed again by it, and with `restart` that the second read begins.
using ByteSteps = std::function<void(std::size_t offset, bool restart)>;
MixReadNotes otworzPlikMIX(std::string_view bytes, Lista& records, const LineSteps& steps = {},
                           const ByteSteps& consumed = {});
Lista otworzPlikMIX(std::string_view bytes);

// The file's first two lines, "WERSJA=2" and "POZYCJI=<count>", each ended by CR LF.
std::string mixHeaderText(std::size_t count);

// Appends the text of records [first, first + count) of `list`: per entry the separator,
// the Emi line (empty when absent), the other non-empty lines in the writer's fixed order
// and "KONIEC OPISU"; CR LF after every line, each cut at a NUL it may carry.
void appendMixText(std::string& out, const Lista& list, std::size_t first, std::size_t count);

// The whole MIX file text for `list`, exactly as the writer puts it on disk.
std::string mixText(const Lista& list);

// About this many bytes go to `write` at a time from produceMixText.
inline constexpr std::size_t kMixPieceBytes = 256 * 1024;

// The MIX file text for `list`, handed to `write` in pieces of about kMixPieceBytes (the
// pieces joined are mixText(list)): a year's result is never held whole, and `steps` hears
// of the records formatted as they go, so a gauge can follow the save.
void produceMixText(const Lista& list, const std::function<void(std::string_view)>& write,
                    const LineSteps& steps = {});

}  // namespace kalmero
