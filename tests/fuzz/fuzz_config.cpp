// The configuration file on any bytes: the start-up reading with the window's handlers
// writing back, and one-key edits that must leave every other key as it read before.
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
#include "model/file_error.h"
#include "model/konfiguracja.h"
#include "model/window_port.h"

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

// The window's controls: a value that differs from the one shown runs the change handler.
class WritingControls : public SettingsControls {
public:
    explicit WritingControls(std::string path) : m_path(std::move(path)) {}
    void setBreakModeIndex(int index) override {
        fuzz::check(index >= -1 && index <= 2, "a mode index the radio group has");
        if (index != m_mode) {
            m_mode = index;
            RadioGroup1Click(m_path, index);
        }
    }
    void setFadeChecked(bool checked) override {
        if (checked) {
            CheckBox1Click(m_path, checked);
        }
    }
    void setBreakSecondsText(const std::string& text) override {
        const std::optional<std::string> shown = LabeledEdit7Change(m_path, text);
        const std::int64_t ms = breakLengthMs(BreakSettings{0, false, shown.value_or(text), 0});
        fuzz::check(ms >= 0 && ms <= kMaxBreakSeconds * 1000, "break length in range");
    }
    void setFolderEditText(int, const std::string&) override {}

private:
    std::string m_path;
    int m_mode = 0;
};

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
    const auto parts = fuzz::splitParts(std::string_view(reinterpret_cast<const char*>(data), size), 2);
    const std::string path = fuzz::scratchFile("kalmero.ini", parts[0]);

    Konfiguracja konfiguracja;
    WritingControls controls(path);
    try {
        OdczytajKonfiguracje(path, konfiguracja, controls, [](const std::string&) { return true; });
        readBreakSoundSettings(path, konfiguracja);
    } catch (const FileError&) {
        fuzz::fail("writing a key of a readable file in a writable folder failed");
    }

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
