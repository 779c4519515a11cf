#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "model/konfiguracja.h"
#include "model/settings.h"

namespace kalmero {

// "kalmero.ini" in the given folder (which ends in "/").
std::string konfiguracjaPath(const std::string& programFolder);

// Profile-style access to an ini file: section and key names match without regard to
// case; reading never creates the file; a missing file, section or key gives nullopt or
// the fallback. Values are bytes as stored (Windows-1250).
std::optional<std::string> iniReadString(const std::string& path, std::string_view section,
                                         std::string_view key);
// A 32-bit integer read like the time groups (blanks, sign, "$"/"x"/"X" hexadecimal);
// `fallback` when missing or not an integer.
std::int32_t iniReadInteger(const std::string& path, std::string_view section, std::string_view key,
                            std::int32_t fallback);
// Any non-zero integer is true; `fallback` when missing or not an integer.
bool iniReadBool(const std::string& path, std::string_view section, std::string_view key,
                 bool fallback);

// Writes one key and keeps everything else in the file as it was (other sections and keys,
// comments, order), creating the file or section when missing. Throws FileError
// `Unable to write to <path>` on failure, leaving the previous file intact; a value holding
// CR, LF or NUL, which the format can't hold, fails the same way.
void iniWriteString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value);
void iniWriteInteger(const std::string& path, std::string_view section, std::string_view key,
                     std::int64_t value);
void iniWriteBool(const std::string& path, std::string_view section, std::string_view key,
                  bool value);

// Whether a folder setting (Windows-1250 bytes as stored) names an existing directory.
using FolderCheck = std::function<bool(const std::string& folder)>;

// The bytes taken as the path as they are. The core has no encoding conversion: a caller
// with the platform layer passes a check that converts Windows-1250 to UTF-8 first, so
// that folders with Polish letters are found.
bool isExistingFolder(const std::string& folder);

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
    // before the day's checks name it (0 .. 1440 minutes, default 5).
    std::int64_t driftLimitMs = 300'000;
    // [Kontrola] LongSpotMinutes: an advert longer than this is named as suspicious
    // (1 .. 1440 minutes, default 60).
    std::int64_t longSpotMs = 3'600'000;
};

// The configuration's bytes (Windows-1250) to settings; any bytes give settings.
StoredSettings parseStoredSettings(std::string_view iniBytes);

// Start-up reading of the file at `iniPath` (missing or unreadable: the defaults). The
// folders, with each that names no existing directory dropped, and the break-sound option
// go into `konfiguracja`; the returned settings hold the rest. The file is not changed.
StoredSettings OdczytajKonfiguracje(const std::string& iniPath, Konfiguracja& konfiguracja,
                                    const FolderCheck& folderExists = isExistingFolder);

// The writes of the window's settings controls, each at once when its control changes.
// No mode selected writes nothing: the file keeps the one it has.
void storeBreakMode(const std::string& iniPath, BreakMode mode);
void storeFade(const std::string& iniPath, bool fade);
void storeBreakLength(const std::string& iniPath, BreakLength length);

// The break-sound keys, read when the matrix editor opens and written when it closes.
void readBreakSoundSettings(const std::string& iniPath, Konfiguracja& konfiguracja);
void storeBreakSound(const std::string& iniPath, const Konfiguracja& konfiguracja);

}  // namespace kalmero
