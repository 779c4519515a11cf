// The break matrix file on any bytes: the editor's padding, the whole save read back, and
// the break list laid out from the chosen weekday's line. The first byte chooses the
// weekday; the whole input is the file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compiler.h"
#include "formats/matryca.h"
#include "fuzz_support.h"
#include "model/czas.h"
#include "model/lists.h"

using namespace kalmero;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const int day = size > 0 ? data[0] % kMatrixDays : 0;
    const std::vector<std::string> lines = parseMatrixLines(bytes);
    const std::vector<std::string> padded = padMatrixLines(lines);
    fuzz::check(padded.size() >= static_cast<std::size_t>(kMatrixDays), "seven lines at least");
    for (std::size_t i = 0; i < padded.size(); ++i) {
        fuzz::check(padded[i].size() >= static_cast<std::size_t>(kMatrixHours), "17 places");
        if (i < lines.size()) {
            fuzz::check(padded[i].compare(0, lines[i].size(), lines[i]) == 0,
                        "padding keeps the text");
        }
    }

    const MatrixGrid grid = gridFromLines(lines);
    const std::string saved = matrixFileText(grid);
    fuzz::check(saved.size() == 133, "the whole save is 133 bytes");
    fuzz::check(gridFromLines(parseMatrixLines(saved)) == grid,
                "the whole save reads back the same grid");

    // The break list from the weekday's line, when the file has one.
    if (static_cast<std::size_t>(day) < lines.size()) {
        Lists lists;
        Compiler(lists, CompileSettings{}).UtworzListeBreak(lines[static_cast<std::size_t>(day)]);
        const std::string& line = lines[static_cast<std::size_t>(day)];
        fuzz::check(lists.ListaBreak.size() ==
                        static_cast<std::size_t>(std::count(line.begin(), line.end(), '1')),
                    "one break per \"1\"");
        for (const TPozycja& brk : lists.ListaBreak) {
            fuzz::check(brk.CzasStart == CzasStartInt(brk.line(Field::Emi)),
                        "break time from its line");
        }
    }
    return 0;
}
