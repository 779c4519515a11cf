// The MIX reader on any bytes, and the writer's text read back into the same records.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formats/file_io.h"
#include "formats/mix_file.h"
#include "fuzz_support.h"
#include "model/lists.h"
#include "model/window_port.h"

using namespace kalmero;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    NullWindowPort window;
    Lists lists;
    otworzPlikMIX(fuzz::scratchFile("in.mix", bytes), lists, window);

    std::size_t closing = 0;
    visitLines(cutAtNul(bytes), [&closing](std::string_view line) {
        closing += line.size() > 3 && line.substr(0, 3) == "KON" ? 1 : 0;
    });
    fuzz::check(lists.ListaMIX.size() == closing, "one record per closing line");

    const std::string written = mixText(lists.ListaMIX, nullptr);
    Lists again;
    otworzPlikMIX(fuzz::scratchFile("again.mix", written), again, window);
    fuzz::check(again.ListaMIX == lists.ListaMIX, "the written file reads back the same");
    fuzz::check(mixText(again.ListaMIX, &window) == written, "writing again gives the same bytes");
    return 0;
}
