// Inputs the fuzzers found, kept so that what they broke stays mended.
#include "compiler/compiler.h"
#include "formats/lst_file.h"
#include "formats/mix_file.h"
#include "hostile_support.h"
#include "model/lists.h"

namespace kalmero::test {
namespace {

using FuzzFindings = HostileTest;

// fuzz_road: an advert path line holding a NUL byte went into the result file whole, and
// the reader, which ends the text at a NUL, then lost every record after that spot.
TEST_F(FuzzFindings, ANulInAnAdvertPathDoesNotCutTheResultFile) {
    Lists lists;
    lists.ListaMIX = otworzPlikMIX(readFile(path("good.mix")));
    lists.ListaLST = OtworzPlikLST(std::string("12:03:00\r\nC:\\spo\0ty\\b.mp3\r\n", 28),
                                   [](std::string_view) { return SpotMeasure{5000}; });
    CompileSettings settings;
    settings.mode = BreakMode::None;
    Compiler(lists, settings).NowyMozg("");
    ASSERT_EQ(lists.ListaWynikowa.size(), 3u);

    const Lista back = otworzPlikMIX(kalmero::mixText(lists.ListaWynikowa));
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[1].line(Field::Adr), "Adr=C:\\spo");
    EXPECT_EQ(back[2].value(Field::Tyt), "B");
}

}  // namespace
}  // namespace kalmero::test
