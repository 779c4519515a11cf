// The LST reader on any bytes, with every spot measured by the real meter on audio bytes
// from the input. Input: LST text, a line "@@@@", the audio file's bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "formats/file_io.h"
#include "formats/lst_file.h"
#include "fuzz_support.h"
#include "model/czas.h"
#include "model/lists.h"
#include "model/window_port.h"
#include "platform/audio_length.h"

using namespace kalmero;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = fuzz::splitParts(std::string_view(reinterpret_cast<const char*>(data), size), 2);
    // The audio under both names a station uses, so that both decoders' doors are tried.
    const std::string mp3 = fuzz::scratchFile("spot.mp3", parts[1]);
    const std::string wav = fuzz::scratchFile("spot.wav", parts[1]);
    const SpotMeter meter = [&](std::string_view path) {
        const std::int64_t ms = PobierzCzasSpotu(path.find("wav") != std::string_view::npos ? wav : mp3);
        fuzz::check(ms >= 0, "a spot's length is never negative");
        return ms;
    };

    NullWindowPort window;
    Lists lists;
    OtworzPlikLST(fuzz::scratchFile("in.lst", parts[0]), lists, window, meter);

    const std::size_t lines = countLines(parts[0]);
    fuzz::check(lists.ListaLST.size() <= (lines + 1) / 2, "at most one spot per line pair");
    for (const TPozycja& spot : lists.ListaLST) {
        fuzz::check(spot.line(Pole::Typ) == "Typ=REK", "every spot is an advert");
        fuzz::check(spot.CzasStart == CzasStartInt(spot.line(Pole::Emi)), "CzasStart from Emi");
        fuzz::check(spot.CzasNwK >= 0 && spot.CzasGrania == spot.CzasNwK, "counts of a spot");
        fuzz::check(spot.line(Pole::NwK) == "NwK=" + CzasTrwString(spot.CzasNwK), "NwK text");
        fuzz::check(spot.line(Pole::Adr).size() <= capacity(Pole::Adr), "Adr within capacity");
    }
    return 0;
}
