#pragma once

#include <cstddef>
#include <string>

#include "model/lists.h"
#include "model/pozycja.h"
#include "model/window_port.h"

namespace kalmero {

// Replaces lists.ListaMIX and the playlist view with the records of the MIX file at `path`
// (Windows-1250 bytes, stored unchanged). Lenient: unknown lines are skipped, a record
// closes at a line beginning "KON", an unfinished last record is dropped, a NUL ends the
// text. Throws FileError `Cannot open file "<path>". <reason>` when the file can't be read;
// the list and the view are then empty and the status text is left as it was.
void otworzPlikMIX(const std::string& path, Lists& lists, WindowPort& window);

// Appends the playlist view's row for entry `index` of lists.ListaMIX: the Emi value as
// caption, mixRowSubItem as the one sub-item.
void DodajPozycjeDoView(const Lists& lists, std::size_t index, WindowPort& window);

// The "pozycja" cell of a playlist or result row: Wyk value, " - ", Tyt value (the
// separator is there also when either is empty). Windows-1250 bytes.
std::string mixRowSubItem(const TPozycja& r);

// The whole MIX file text for `list`, exactly as the writer puts it on disk: "WERSJA=2",
// "POZYCJI=<n>", then per entry the separator, the Emi line (empty when absent), the other
// non-empty lines in the writer's fixed order and "KONIEC OPISU"; CR LF after every line.
// With a window, sets the gauge's maximum to the entry count and advances it per entry.
std::string mixText(const Lista& list, WindowPort* window);

// Writes lists.ListaWynikowa to `path` (the output folder, the name and ".mix" already
// joined) as one atomic replacement, with status texts before and after. Throws FileError
// `Cannot create file "<path>". <reason>`; any previous file stays intact and the status
// keeps its first text.
void zapiszNowyMix(const std::string& path, const Lists& lists, WindowPort& window);

}  // namespace kalmero
