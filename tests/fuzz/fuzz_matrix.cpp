// The break matrix file on any bytes: the editor's padding and one-cell update, the whole
// save read back, and the break list laid out from the chosen weekday's line.
// The first two bytes choose the weekday and the hour; the whole input is the file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/kompilator.h"
#include "formats/matryca.h"
#include "fuzz_support.h"
#include "model/czas.h"
#include "model/file_error.h"
#include "model/konfiguracja.h"
#include "model/lists.h"
#include "model/window_port.h"

using namespace kalmero;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const int day = size > 0 ? data[0] % kMatrixDays : 0;
    const int hour = size > 1 ? data[1] % kMatrixHours : 0;
    const std::string path = fuzz::scratchFile("matryca.dat", bytes);

    const std::vector<std::string> lines = readMatrixLines(path);
    std::vector<std::string> padded = padMatrixLines(lines);
    fuzz::check(padded.size() >= static_cast<std::size_t>(kMatrixDays), "seven lines at least");
    for (std::size_t i = 0; i < padded.size(); ++i) {
        fuzz::check(padded[i].size() >= static_cast<std::size_t>(kMatrixHours), "17 places");
        if (i < lines.size()) {
            fuzz::check(padded[i].compare(0, lines[i].size(), lines[i]) == 0, "padding keeps the text");
        }
    }

    const MatrixGrid grid = gridFromLines(lines);
    const std::string saved = matrixFileText(grid);
    fuzz::check(saved.size() == 133, "the whole save is 133 bytes");
    fuzz::check(gridFromLines(readMatrixLines(fuzz::scratchFile("saved.dat", saved))) == grid,
                "the whole save reads back the same grid");

    // The break list from the file as it stands.
    Lists lists;
    NullWindowPort window;
    window.settings.weekday = day;
    const Konfiguracja konfiguracja;
    Kompilator kompilator(lists, window, konfiguracja, path);
    try {
        kompilator.UtworzListeBreak();
        const std::string& line = lines.at(static_cast<std::size_t>(day));
        fuzz::check(lists.ListaBreak.size() == static_cast<std::size_t>(std::count(line.begin(), line.end(), '1')),
                    "one break per \"1\"");
        for (const TPozycja& brk : lists.ListaBreak) {
            fuzz::check(brk.CzasStart == CzasStartInt(brk.line(Pole::Emi)), "break time from its line");
        }
    } catch (const FileError&) {
        fuzz::check(static_cast<std::size_t>(day) >= lines.size(), "only a missing line fails");
        fuzz::check(lists.ListaBreak.empty(), "a failed layout leaves no breaks");
    }

    // The one-cell update: that character changes, every other line stays as padded.
    const bool on = padded[static_cast<std::size_t>(day)][static_cast<std::size_t>(hour)] != '1';
    ZmienStan(path, day, hour, on);
    padded[static_cast<std::size_t>(day)][static_cast<std::size_t>(hour)] = on ? '1' : '0';
    fuzz::check(readMatrixLines(path) == padded, "a cell press changes that cell alone");
    return 0;
}
