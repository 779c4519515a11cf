#include "formats/konfiguracja_file.h"

#include <algorithm>
#include <limits>

#include "formats/text_lines.h"
#include "model/czas.h"

namespace kalmero {

namespace {

constexpr std::string_view kFoldery = "Foldery";
constexpr std::string_view kBreak = "Break";

}  // namespace

std::optional<std::int32_t> iniInteger(const IniDocument& ini, std::string_view section,
                                       std::string_view key) {
    const std::optional<std::string> text = ini.value(section, key);
    if (!text) {
        return std::nullopt;
    }
    const std::optional<std::int64_t> number = parseInteger(*text);
    if (!number || *number < std::numeric_limits<std::int32_t>::min() ||
        *number > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(*number);
}

bool iniBool(const IniDocument& ini, std::string_view section, std::string_view key,
             bool fallback) {
    const std::optional<std::int32_t> number = iniInteger(ini, section, key);
    return number ? *number != 0 : fallback;
}

namespace {

void readFolder(const IniDocument& ini, std::string_view key, std::string& folder) {
    if (std::optional<std::string> stored = ini.value(kFoldery, key)) {
        folder = std::move(*stored);
    }
}

}  // namespace

std::string konfiguracjaPath(const std::string& programFolder) {
    return programFolder + "kalmero.ini";
}

std::optional<std::string> iniTextWith(std::string iniBytes, const IniEntry& entry) {
    // A line break would end the line early and let the rest pose as another key.
    if (breaksLine(entry.value)) {
        return std::nullopt;
    }
    IniDocument ini(std::move(iniBytes));
    ini.set(entry.section, entry.key, entry.value);
    return ini.text();
}

StoredSettings parseStoredSettings(std::string_view iniBytes) {
    return parseStoredSettings(IniDocument{std::string(iniBytes)});
}

StoredSettings parseStoredSettings(const IniDocument& ini) {
    StoredSettings stored;
    Konfiguracja& k = stored.konfiguracja;
    readFolder(ini, "FolderMIX", k.FolderMIX);
    readFolder(ini, "FolderLST", k.FolderLST);
    readFolder(ini, "FolderWynikowy", k.FolderWynikowy);
    readFolder(ini, "FolderPlikBreak", k.FolderPlikBreak);
    k.CzyDzwiek = iniBool(ini, kBreak, "CzyDzwiek", false);

    stored.mode = breakModeFromIndex(iniInteger(ini, kBreak, "Start").value_or(0));
    stored.fade = iniBool(ini, kBreak, "Fade", false);
    const std::int64_t seconds =
        iniInteger(ini, kBreak, "Time").value_or(BreakLength::kDefaultSeconds);
    // Too long is read as the longest; a negative time stays for the field to show as 0.
    stored.seconds = std::min(seconds, BreakLength::clamped(seconds).seconds());
    constexpr std::int64_t kMinute = 60'000;
    const std::int64_t drift =
        iniInteger(ini, "Kontrola", "DriftMinutes").value_or(kDefaultDriftLimitMs / kMinute);
    stored.driftLimitMs = std::clamp<std::int64_t>(drift, 0, std::int64_t{24} * 60) * kMinute;
    const std::int64_t longSpot =
        iniInteger(ini, "Kontrola", "LongSpotMinutes").value_or(kDefaultLongSpotMs / kMinute);
    stored.longSpotMs = std::clamp<std::int64_t>(longSpot, 1, std::int64_t{24} * 60) * kMinute;
    stored.inPlaceAllowed = iniBool(ini, "Foldery", "NadpisujWMiejscu", false);
    return stored;
}

std::optional<IniEntry> breakModeEntry(BreakMode mode) {
    if (mode == BreakMode::NotSelected) {
        return std::nullopt;
    }
    return IniEntry{kBreak, "Start", std::to_string(breakModeIndex(mode))};
}

IniEntry fadeEntry(bool fade) { return {kBreak, "Fade", fade ? "1" : "0"}; }

IniEntry breakLengthEntry(BreakLength length) {
    return {kBreak, "Time", std::to_string(length.seconds())};
}

void readBreakSound(const IniDocument& ini, Konfiguracja& konfiguracja) {
    readFolder(ini, "FolderPlikBreak", konfiguracja.FolderPlikBreak);
    konfiguracja.CzyDzwiek = iniBool(ini, kBreak, "CzyDzwiek", konfiguracja.CzyDzwiek);
}

std::vector<IniEntry> breakSoundEntries(const Konfiguracja& konfiguracja) {
    return {{kFoldery, "FolderPlikBreak", konfiguracja.FolderPlikBreak},
            {kBreak, "CzyDzwiek", konfiguracja.CzyDzwiek ? "1" : "0"}};
}

}  // namespace kalmero
