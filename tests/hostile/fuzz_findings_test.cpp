// Inputs the fuzzers found, kept so that what they broke stays mended.
#include "compiler/kompilator.h"
#include "formats/lst_file.h"
#include "formats/mix_file.h"
#include "hostile_support.h"
#include "model/konfiguracja.h"
#include "model/lists.h"
#include "model/window_port.h"

namespace kalmero::hostile {
namespace {

using FuzzFindings = HostileTest;

// fuzz_road: an advert path line holding a NUL byte went into the result file whole, and
// the reader, which ends the text at a NUL, then lost every record after that spot.
TEST_F(FuzzFindings, ANulInAnAdvertPathDoesNotCutTheResultFile) {
    Lists lists;
    NullWindowPort window;
    window.settings.mode = 2;
    otworzPlikMIX(path("good.mix"), lists, window);
    OtworzPlikLST(write("nul.lst", std::string("12:03:00\r\nC:\\spo\0ty\\b.mp3\r\n", 28)), lists,
                  window, [](std::string_view) { return 5000; });
    const Konfiguracja konfiguracja;
    Kompilator kompilator(lists, window, konfiguracja, path("matryca.dat"));
    ASSERT_TRUE(kompilator.NowyMozg());
    ASSERT_EQ(lists.ListaWynikowa.size(), 3u);

    zapiszNowyMix(path("out.mix"), lists, window);
    Lists back;
    otworzPlikMIX(path("out.mix"), back, window);
    ASSERT_EQ(back.ListaMIX.size(), 3u);
    EXPECT_EQ(back.ListaMIX[1].line(Pole::Adr), "Adr=C:\\spo");
    EXPECT_EQ(back.ListaMIX[2].value(Pole::Tyt), "B");
}

}  // namespace
}  // namespace kalmero::hostile
