// The configuration file on any bytes: the start-up reading within its ranges, and
// one-key edits that must leave every other key as it read before.
// Input: the ini text, a line "@@@@", a value to write.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "formats/ini_document.h"
#include "formats/konfiguracja_file.h"
#include "fuzz_support.h"
#include "model/settings.h"

using namespace kalmero;

namespace {

struct Key {
    std::string_view section;
    std::string_view key;
};

constexpr std::array<Key, 8> kKeys = {{{"Foldery", "FolderMIX"},
                                       {"Foldery", "FolderLST"},
                                       {"Foldery", "FolderWynikowy"},
                                       {"Foldery", "FolderPlikBreak"},
                                       {"Break", "Start"},
                                       {"Break", "Fade"},
                                       {"Break", "Time"},
                                       {"Break", "CzyDzwiek"}}};

std::string valueWithoutLineBreaks(std::string_view text) {
    std::string value;
    for (const char c : text) {
        if (c != '\r' && c != '\n' && c != '\0') {
            value += c;
        }
    }
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts =
        fuzz::splitParts(std::string_view(reinterpret_cast<const char*>(data), size), 2);
    const StoredSettings stored = parseStoredSettings(parts[0]);
    const int mode = breakModeIndex(stored.mode);
    fuzz::check(mode >= -1 && mode <= 2, "a mode index the radio group has");
    // The field shows the stored length; what it stands for must be a break length.
    const BreakLength::FieldReading shown =
        BreakLength::fromFieldText(std::to_string(stored.seconds));
    fuzz::check(shown.length.seconds() >= 0 && shown.length.seconds() <= BreakLength::kMaxSeconds,
                "break length in range");
    fuzz::check(shown.correction.has_value() == (stored.seconds < 0),
                "only a negative length is corrected");

    // Each key in turn set to the value: it reads back so, and no other key changes.
    const std::string value = valueWithoutLineBreaks(parts[1]);
    for (const Key& target : kKeys) {
        IniDocument ini{std::string(parts[0])};
        std::array<std::optional<std::string>, kKeys.size()> before;
        for (std::size_t i = 0; i < kKeys.size(); ++i) {
            before[i] = ini.value(kKeys[i].section, kKeys[i].key);
        }
        ini.set(target.section, target.key, value);
        for (std::size_t i = 0; i < kKeys.size(); ++i) {
            const std::optional<std::string> now = ini.value(kKeys[i].section, kKeys[i].key);
            if (kKeys[i].section == target.section && kKeys[i].key == target.key) {
                fuzz::check(now == value, "a written value reads back unchanged");
            } else {
                fuzz::check(now == before[i], "writing one key leaves the others as they were");
            }
        }
    }
    return 0;
}
