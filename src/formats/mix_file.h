#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "formats/file_io.h"
#include "formats/line_steps.h"
#include "model/lists.h"
#include "model/pozycja.h"

namespace kalmero {

// What a playlist's text said of itself that its records don't show: a NUL byte ends the
// text (bytes after it are ignored), and the header announces how many records follow.
struct MixReadNotes {
    std::size_t ignoredAfterNul = 0;        // bytes from the first NUL on; 0 without one
    std::optional<std::int64_t> announced;  // the POZYCJI= count, when the text has one
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

// Writes `list` to `path` (the output folder, the name and ".mix" already joined) as one
// atomic replacement, keeping a replaced file's owner and mode; `steps` hears of the
// records written. Throws FileError `Cannot create file "<path>". <reason>`; any previous
// file stays intact.
ReplaceOutcome zapiszNowyMix(const std::string& path, const Lista& list,
                             const LineSteps& steps = {});

}  // namespace kalmero
