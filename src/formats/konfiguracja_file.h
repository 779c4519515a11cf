#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/ini_document.h"
#include "model/konfiguracja.h"
#include "model/settings.h"

namespace kalmero {

// "kalmero.ini" in the given folder (which ends in "/").
std::string konfiguracjaPath(const std::string& programFolder);

// One key of the configuration file as a write puts it.
struct IniEntry {
    std::string_view section;
    std::string_view key;
    std::string value;
};

// The ini text with `entry` set and every other byte kept as it stood (other sections and
// keys, comments, order), the section or key added when missing; nullopt when the value
// holds CR, LF or NUL, which the format can't hold.
std::optional<std::string> iniTextWith(std::string iniBytes, const IniEntry& entry);

// A 32-bit integer read like the time groups (blanks, sign, "$"/"x"/"X" hexadecimal);
// nullopt when missing or not an integer.
std::optional<std::int32_t> iniInteger(const IniDocument& ini, std::string_view section,
                                       std::string_view key);
// Any non-zero integer is true; `fallback` when missing or not an integer.
bool iniBool(const IniDocument& ini, std::string_view section, std::string_view key, bool fallback);

// Whether a folder setting (Windows-1250 bytes as stored) names an existing directory.
using FolderCheck = std::function<bool(const std::string& folder)>;

// The settings as the configuration file holds them, read the way the program starts:
// a Start above 2 is 2 and below 0 none selected; a Time above the longest break is the
// longest, a negative one stays as read (the window's field shows it as 0); absent keys
// take their defaults (mode 0, no fade, 10 s, no break sound, empty folders).
struct StoredSettings {
    Konfiguracja konfiguracja;
    BreakMode mode = BreakMode::Nearest;
    bool fade = false;
    std::int64_t seconds = BreakLength::kDefaultSeconds;
    // [Kontrola] DriftMinutes: how far an advert block may air from its booked time
    // before the day's checks name it (0 .. 1440 minutes).
    std::int64_t driftLimitMs = kDefaultDriftLimitMs;
    // [Kontrola] LongSpotMinutes: an advert longer than this is named as suspicious
    // (1 .. 1440 minutes).
    std::int64_t longSpotMs = kDefaultLongSpotMs;
    // [Foldery] NadpisujWMiejscu: a result whose folder takes no new file may be overwritten
    // in place (not in one step: a run cut short there leaves it torn). Off by default.
    bool inPlaceAllowed = false;
};

// The configuration's bytes (Windows-1250) to settings; any bytes give settings.
StoredSettings parseStoredSettings(const IniDocument& ini);
StoredSettings parseStoredSettings(std::string_view iniBytes);

// The keys of the window's settings controls, each written at once when its control
// changes. No mode selected has no key: the file keeps the one it has.
std::optional<IniEntry> breakModeEntry(BreakMode mode);
IniEntry fadeEntry(bool fade);
IniEntry breakLengthEntry(BreakLength length);

// The break-sound keys, read when the matrix editor opens and written when it closes.
void readBreakSound(const IniDocument& ini, Konfiguracja& konfiguracja);
std::vector<IniEntry> breakSoundEntries(const Konfiguracja& konfiguracja);

}  // namespace kalmero
