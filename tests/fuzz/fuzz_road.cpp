// The whole road on any bytes: playlist, advert list and break matrix loaded, compiled in
// every mode with and without fading, the result written and read back, and the placement
// report made. Input: four setting bytes, then the MIX text, a line "@@@@", the LST text,
// a line "@@@@", the matrix text.
#include <array>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <string>
#include <string_view>

#include "compiler/kompilator.h"
#include "compiler/placement_report.h"
#include "formats/file_io.h"
#include "formats/lst_file.h"
#include "formats/mix_file.h"
#include "fuzz_support.h"
#include "model/file_error.h"
#include "model/konfiguracja.h"
#include "model/lists.h"
#include "model/window_port.h"

using namespace kalmero;

namespace {

// Break length texts as an operator may leave them in the field.
constexpr std::array<std::string_view, 9> kSeconds = {"0", "1", "10", "60", "3600", "2147483",
                                                     "9999999", "-5", "abc"};

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
        if (read.line(static_cast<Pole>(f)) != cutAtNul(written.line(static_cast<Pole>(f)))) {
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
    const auto parts = fuzz::splitParts(std::string_view(reinterpret_cast<const char*>(data) + 4, size - 4), 3);
    NullWindowPort window;
    window.settings.weekday = data[0] % 7;
    window.settings.seconds = std::string(kSeconds[data[1] % kSeconds.size()]);
    Konfiguracja konfiguracja;
    konfiguracja.CzyDzwiek = (data[2] & 1) != 0;
    konfiguracja.FolderPlikBreak = "C:\\audio\\dzwiek.mp3";
    const std::uint8_t seed = data[3];

    Lists lists;
    otworzPlikMIX(fuzz::scratchFile("day.mix", parts[0]), lists, window);
    OtworzPlikLST(fuzz::scratchFile("day.lst", parts[1]), lists, window,
                  [seed](std::string_view path) { return fakeLength(path, seed); });
    const std::string matrix = fuzz::scratchFile("matryca.dat", parts[2]);
    const Lista mixBefore = lists.ListaMIX;
    const Lista lstBefore = lists.ListaLST;

    for (int mode = 0; mode < 3; ++mode) {
        for (const bool fade : {false, true}) {
            window.settings.mode = mode;
            window.settings.fade = fade;
            Kompilator kompilator(lists, window, konfiguracja, matrix);
            const Lista previous = lists.ListaWynikowa;
            try {
                fuzz::check(kompilator.NowyMozg(), "a selected mode compiles");
            } catch (const FileError&) {
                fuzz::check(mode != 2, "mode 2 reads no matrix");
                fuzz::check(lists.ListaWynikowa == previous, "a failed compile keeps the result");
                continue;
            }
            fuzz::check(lists.ListaMIX == mixBefore && lists.ListaLST == lstBefore,
                        "the compile only reads its inputs");
            const Lista result = lists.ListaWynikowa;
            const std::vector<int>& placed = kompilator.placedCounts();
            const std::size_t spots = static_cast<std::size_t>(std::accumulate(placed.begin(), placed.end(), 0LL));
            fuzz::check(result.size() == kompilator.itemsPlaced() + kompilator.breaksPlaced() + spots,
                        "every result record is counted once");

            const PlacementReport report(lists.ListaLST, placed, result);
            const std::string csv = report.csv();
            std::size_t rows = 0;
            for (std::size_t at = csv.find("\r\n"); at != std::string::npos; at = csv.find("\r\n", at + 2)) {
                ++rows;
            }
            fuzz::check(rows == lists.ListaLST.size() + 1, "one CSV row per spot");
            (void)report.summary(kompilator.itemsPlaced(), kompilator.breaksPlaced());

            Lists back;
            otworzPlikMIX(fuzz::scratchFile("out.mix", mixText(result, nullptr)), back, window);
            fuzz::check(back.ListaMIX.size() == result.size(), "the result file has every record");
            for (std::size_t i = 0; i < result.size(); ++i) {
                fuzz::check(sameLines(back.ListaMIX[i], result[i]), "the result file reads back the same lines");
            }

            fuzz::check(kompilator.NowyMozg() && lists.ListaWynikowa == result,
                        "a second compile gives the same result");
        }
    }
    return 0;
}
