// The LST reader on any bytes, with every spot measured by the real meter on audio bytes
// from the input, held in memory. Input: LST text, a line "@@@@", the audio file's bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/lst_file.h"
#include "formats/text_lines.h"
#include "fuzz_support.h"
#include "model/czas.h"
#include "model/lists.h"
#include "platform/audio_length.h"

using namespace kalmero;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts =
        fuzz::splitParts(std::string_view(reinterpret_cast<const char*>(data), size), 2);
    // The decoders tell the format by the content, so one name serves every spot.
    const std::string audio = fuzz::memoryFile("spot", parts[1]);
    const SpotMeasurer measure = newLoadMeasurer();
    const SpotMeasurer meter = [&](std::string_view) {
        const SpotMeasure measured = measure(audio);
        fuzz::check(measured.ms >= 0, "a spot's length is never negative");
        return measured;
    };

    Lists lists;
    std::vector<std::string> problems;
    OtworzPlikLST(parts[0], meter, lists.ListaLST, problems);
    fuzz::check(problems.size() == lists.ListaLST.size(), "one problem text per spot");

    const std::size_t lines = countLines(parts[0]);
    fuzz::check(lists.ListaLST.size() <= (lines + 1) / 2, "at most one spot per line pair");
    for (const TPozycja& spot : lists.ListaLST) {
        fuzz::check(spot.line(Field::Typ) == "Typ=REK", "every spot is an advert");
        fuzz::check(spot.CzasStart == CzasStartInt(spot.line(Field::Emi)), "CzasStart from Emi");
        fuzz::check(spot.CzasNwK >= 0 && spot.CzasGrania == spot.CzasNwK, "counts of a spot");
        fuzz::check(spot.line(Field::NwK) == "NwK=" + CzasTrwString(spot.CzasNwK), "NwK text");
        fuzz::check(spot.line(Field::Adr).size() <= capacity(Field::Adr), "Adr within capacity");
    }
    return 0;
}
