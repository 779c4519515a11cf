// The whole road on any bytes: playlist, advert list and break matrix read, compiled in
// every mode with and without fading, the result's text read back, and the placement
// report made. Input: four setting bytes, then the MIX text, a line "@@@@", the LST text,
// a line "@@@@", the matrix text.
#include <array>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compiler.h"
#include "compiler/placement_report.h"
#include "formats/lst_file.h"
#include "formats/matryca.h"
#include "formats/mix_file.h"
#include "formats/text_lines.h"
#include "fuzz_support.h"
#include "model/lists.h"

using namespace kalmero;

namespace {

// Break length texts as an operator may leave them in the field.
constexpr std::array<std::string_view, 9> kSeconds = {"0",       "1",       "10", "60", "3600",
                                                      "2147483", "9999999", "-5", "abc"};

// A made-up spot length per path: from 0 to two hours, the same path always the same.
std::int64_t fakeLength(std::string_view path, std::uint8_t seed) {
    std::uint32_t hash = 2166136261u ^ seed;
    for (const char c : path) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return hash % 4 == 0 ? 0 : static_cast<std::int64_t>(hash % 7'200'001u);
}

// The lines of `written` as the file holds them: up to a NUL byte an advert path may carry.
bool sameLines(const TPozycja& read, const TPozycja& written) {
    for (std::size_t f = 0; f < kFieldCount; ++f) {
        if (read.line(static_cast<Field>(f)) != cutAtNul(written.line(static_cast<Field>(f)))) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    const auto parts =
        fuzz::splitParts(std::string_view(reinterpret_cast<const char*>(data) + 4, size - 4), 3);
    CompileSettings settings;
    settings.weekday = data[0] % 7;
    settings.length = BreakLength::fromFieldText(kSeconds[data[1] % kSeconds.size()]).length;
    settings.sound = {(data[2] & 1) != 0, "C:\\audio\\dzwiek.mp3"};
    const std::uint8_t seed = data[3];

    Lists lists;
    lists.ListaMIX = otworzPlikMIX(parts[0]);
    lists.ListaLST = OtworzPlikLST(
        parts[1], [seed](std::string_view path) { return SpotMeasure{fakeLength(path, seed)}; });
    const std::vector<std::string> matrix = parseMatrixLines(parts[2]);
    const auto weekday = static_cast<std::size_t>(settings.weekday);
    const Lista mixBefore = lists.ListaMIX;
    const Lista lstBefore = lists.ListaLST;

    for (int mode = 0; mode < 3; ++mode) {
        for (const bool fade : {false, true}) {
            settings.mode = breakModeFromIndex(mode);
            settings.fade = fade;
            // Without the weekday's line the session refuses to start; no breaks need none.
            if (settings.mode != BreakMode::None && weekday >= matrix.size()) {
                continue;
            }
            const std::string_view line =
                weekday < matrix.size() ? std::string_view(matrix[weekday]) : std::string_view();
            Compiler kompilator(lists, settings);
            kompilator.NowyMozg(line);
            fuzz::check(lists.ListaMIX == mixBefore && lists.ListaLST == lstBefore,
                        "the compile only reads its inputs");
            const Lista result = lists.ListaWynikowa;
            const std::vector<int>& placed = kompilator.placedCounts();
            const std::size_t spots =
                static_cast<std::size_t>(std::accumulate(placed.begin(), placed.end(), 0LL));
            fuzz::check(
                result.size() == kompilator.itemsPlaced() + kompilator.breaksPlaced() + spots,
                "every result record is counted once");

            const PlacementReport report(lists.ListaLST, placed, result);
            const std::string csv = report.csv();
            std::size_t rows = 0;
            for (std::size_t at = csv.find("\r\n"); at != std::string::npos;
                 at = csv.find("\r\n", at + 2)) {
                ++rows;
            }
            fuzz::check(rows == lists.ListaLST.size() + 1, "one CSV row per spot");
            (void)report.summary(kompilator.itemsPlaced(), kompilator.breaksPlaced());

            const Lista back = otworzPlikMIX(mixText(result));
            fuzz::check(back.size() == result.size(), "the result file has every record");
            for (std::size_t i = 0; i < result.size(); ++i) {
                fuzz::check(sameLines(back[i], result[i]),
                            "the result file reads back the same lines");
            }

            Compiler(lists, settings).NowyMozg(line);
            fuzz::check(lists.ListaWynikowa == result, "a second compile gives the same result");
        }
    }
    return 0;
}
