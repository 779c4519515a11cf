// The MIX reader on any bytes, and the writer's text read back into the same records.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formats/mix_file.h"
#include "formats/text_lines.h"
#include "fuzz_support.h"
#include "model/lists.h"

using namespace kalmero;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Lista records;
    std::size_t lastStep = 0;
    otworzPlikMIX(bytes, records, [&lastStep](std::size_t done, std::size_t total) {
        fuzz::check(done >= lastStep && done <= total, "the steps go forward within the total");
        lastStep = done;
    });

    std::size_t closing = 0;
    const std::size_t lines = visitLines(cutAtNul(bytes), [&closing](std::string_view line) {
        closing += line.size() > 3 && line.substr(0, 3) == "KON" ? 1 : 0;
    });
    fuzz::check(records.size() == closing, "one record per closing line");
    fuzz::check(lastStep == lines, "the last step is the line count");

    const std::string written = mixText(records);
    const Lista again = otworzPlikMIX(written);
    fuzz::check(again == records, "the written file reads back the same");
    fuzz::check(mixText(again) == written, "writing again gives the same bytes");
    return 0;
}
