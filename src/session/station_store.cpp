#include "session/station_store.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <filesystem>
#include <optional>
#include <system_error>
#include <type_traits>
#include <utility>

#include "formats/correction_settings.h"
#include "formats/ini_document.h"
#include "formats/loudness_targets.h"
#include "formats/matryca.h"
#include "formats/path_map_settings.h"
#include "platform/file_io.h"
#include "session/disk_files.h"

namespace kalmero {

// The editor's week is the matrix file's grid.
static_assert(std::is_same_v<BreakWeek, MatrixGrid> && kFirstBreakHour == kFirstMatrixHour);

namespace {

// A file the configuration keeps and that a missing one stands in for (an empty week);
// one that can't be looked at counts as missing, and its write then says why.
bool fileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// The configuration's keys of the folders, by Folder.
constexpr std::array<std::string_view, 3> kFolderKeys = {"FolderMIX", "FolderLST",
                                                         "FolderWynikowy"};

Konfiguracja breakSoundKeys(const BreakSound& sound) {
    Konfiguracja keys;
    keys.FolderPlikBreak = sound.path;
    keys.CzyDzwiek = sound.on;
    return keys;
}

// "Podgląd dnia"'s place, kept in the configuration beside the settings.
constexpr std::string_view kDayViewSection = "PodgladDnia";
constexpr std::array<std::string_view, 4> kPlaceKeys = {"X", "Y", "Szerokosc", "Wysokosc"};

// A window place as stored; none when a key is missing or not a number, or the place is no
// window's (a size of nothing, or beyond any screen: a hand-edited or broken file).
std::optional<WindowPlace> readWindowPlace(const IniDocument& ini, std::string_view section) {
    constexpr std::int32_t kFarthest = 32767;
    std::array<std::int32_t, 4> values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::optional<std::int32_t> value = iniInteger(ini, section, kPlaceKeys[i]);
        if (!value || *value < -kFarthest || *value > kFarthest) {
            return std::nullopt;
        }
        values[i] = *value;
    }
    const WindowPlace place{values[0], values[1], values[2], values[3]};
    if (place.width < 1 || place.height < 1) {
        return std::nullopt;
    }
    return place;
}

}  // namespace

SessionFiles SessionFiles::inFolder(const std::string& folder) {
    return {konfiguracjaPath(folder), matrycaPath(folder)};
}

StationStore::StationStore(SessionFiles files, const Cp1250Decoder& decode)
    : m_files(std::move(files)), m_decode(decode) {}

StoredBreak StationStore::readSettings(const FolderCheck& folderExists) {
    // One reading, one document: a save by another program between two readings would
    // give settings of two versions of the file.
    const IniDocument ini = readIniDocument(m_files.ini);
    Konfiguracja k;
    StoredSettings stored = OdczytajKonfiguracje(ini, k, folderExists);
    m_settings.folders = {k.FolderMIX, k.FolderLST, k.FolderWynikowy};
    m_settings.breakSound = {k.CzyDzwiek, k.FolderPlikBreak};
    m_settings.mode = stored.mode;
    m_settings.fade = stored.fade;
    m_settings.length = BreakLength::clamped(stored.seconds);
    m_settings.driftLimitMs = stored.driftLimitMs;
    m_settings.longSpotMs = stored.longSpotMs;
    m_settings.inPlaceAllowed = stored.inPlaceAllowed;

    m_settings.loudness = parseLoudnessTargets(ini);
    m_settings.corrections = parseCorrectionSettings(ini);
    PathMapReading paths = parsePathMap(ini);
    m_settings.pathMap = std::move(paths.map);
    m_warnings.clear();
    // Read as the nearest length that can stand, but a Time no break can have is a slip
    // the operator should hear of, not a length silently changed.
    if (const auto time = iniInteger(ini, "Break", "Time");
        time && *time != BreakLength::clamped(*time).seconds()) {
        m_warnings.push_back("Długość breaka Time=" + std::to_string(*time) + " w " + m_files.ini +
                             " jest poza zakresem 0.." + std::to_string(BreakLength::kMaxSeconds) +
                             " s; przyjęto " +
                             std::to_string(BreakLength::clamped(*time).seconds()) + " s.");
    }
    for (const RefusedPathMapLine& refused : paths.refused) {
        m_warnings.push_back("Pominięto linię mapy ścieżek [" + std::string(kPathMapSection) +
                             "] " + m_decode(refused.line) + " (" + refused.why + ")");
    }
    m_settings.dayViewPlace = readWindowPlace(ini, kDayViewSection);
    m_keysAsRead.clear();
    std::vector<IniEntry> shown = {fadeEntry(m_settings.fade), breakLengthEntry(m_settings.length)};
    if (std::optional<IniEntry> mode = breakModeEntry(m_settings.mode)) {
        shown.push_back(std::move(*mode));
    }
    for (IniEntry& entry : shown) {
        if (ini.value(entry.section, entry.key) == entry.value) {
            m_keysAsRead.push_back(std::move(entry));
        }
    }
    return {stored.mode, stored.fade, stored.seconds};
}

void StationStore::storeKey(const IniEntry& entry) {
    const auto asRead =
        std::find_if(m_keysAsRead.begin(), m_keysAsRead.end(), [&entry](const IniEntry& read) {
            return read.section == entry.section && read.key == entry.key;
        });
    if (asRead != m_keysAsRead.end()) {
        const bool unchanged = asRead->value == entry.value;
        m_keysAsRead.erase(asRead);
        if (unchanged) {
            return;
        }
    }
    iniWriteEntries(m_files.ini, {entry});
}

void StationStore::overrideSettings(const SettingOverrides& overrides) {
    m_settings.mode = overrides.mode.value_or(m_settings.mode);
    m_settings.fade = overrides.fade.value_or(m_settings.fade);
    m_settings.length = overrides.length.value_or(m_settings.length);
    m_settings.breakSound = overrides.breakSound.value_or(m_settings.breakSound);
    m_settings.driftLimitMs = overrides.driftLimitMs.value_or(m_settings.driftLimitMs);
    m_settings.inPlaceAllowed = overrides.inPlaceAllowed.value_or(m_settings.inPlaceAllowed);
    m_settings.corrections.on = overrides.correctLoudness.value_or(m_settings.corrections.on);
    if (!overrides.pathMapAdded.empty()) {
        PathMap map = overrides.pathMapAdded;
        for (const PathMapLine& stored : m_settings.pathMap.lines()) {
            // Refused only for a prefix the added lines already give.
            map.add(stored.prefix, stored.folder);
        }
        m_settings.pathMap = std::move(map);
    }
}

void StationStore::storeFolder(Folder which, std::string folderCp1250) {
    const auto index = static_cast<std::size_t>(which);
    m_settings.folders[index] = std::move(folderCp1250);
    iniWriteString(m_files.ini, "Foldery", kFolderKeys[index], m_settings.folders[index]);
}

void StationStore::storeBreakMode(BreakMode mode) {
    m_settings.mode = mode;
    if (const std::optional<IniEntry> entry = breakModeEntry(mode)) {
        storeKey(*entry);
    }
}

void StationStore::storeFade(bool fade) {
    m_settings.fade = fade;
    storeKey(fadeEntry(fade));
}

void StationStore::storeBreakLength(BreakLength length) {
    m_settings.length = length;
    storeKey(breakLengthEntry(length));
}

void StationStore::storePathMap(PathMap map) {
    // The editor's OK stores the map, changed or not.
    m_changes += map != m_settings.pathMap ? 1 : 0;
    m_settings.pathMap = std::move(map);
    // The lines the start-up reading passed over go with the section's old lines.
    m_warnings.clear();
    iniRewrite(m_files.ini, [this](std::string bytes) -> std::optional<std::string> {
        return withPathMap(std::move(bytes), m_settings.pathMap);
    });
}

void StationStore::storeDayViewPlace(const WindowPlace& place) {
    m_settings.dayViewPlace = place;
    const std::array<int, 4> values = {place.x, place.y, place.width, place.height};
    std::vector<IniEntry> entries;
    for (std::size_t i = 0; i < values.size(); ++i) {
        entries.push_back({kDayViewSection, kPlaceKeys[i], std::to_string(values[i])});
    }
    // One replacement: a moved window is stored whole or not at all.
    iniWriteEntries(m_files.ini, entries);
}

BreakWeek StationStore::readBreakWeek() {
    std::vector<std::string> lines;
    if (fileExists(m_files.matrix)) {
        lines = readMatrixLines(m_files.matrix);
    }
    m_breakWeek = gridFromLines(padMatrixLines(std::move(lines)));
    return m_breakWeek;
}

void StationStore::storeBreakHour(int day, int hourIndex, bool on) {
    assert(day >= 0 && day < kWeekdays && hourIndex >= 0 && hourIndex < kBreakHours);
    bool& hour = m_breakWeek[static_cast<std::size_t>(day)][static_cast<std::size_t>(hourIndex)];
    m_changes += hour != on ? 1 : 0;
    hour = on;
    if (fileExists(m_files.matrix)) {
        ZmienStan(m_files.matrix, day, hourIndex, on);
    } else {
        writeFileAtomically(m_files.matrix, matrixFileText(m_breakWeek));
    }
}

void StationStore::storeBreakWeek(const BreakWeek& week) {
    // The editor stores its week when it closes, changed or not.
    m_changes += week != m_breakWeek ? 1 : 0;
    m_breakWeek = week;
    writeFileAtomically(m_files.matrix, matrixFileText(week));
}

BreakSound StationStore::readBreakSound() {
    Konfiguracja keys = breakSoundKeys(m_settings.breakSound);
    readBreakSoundSettings(m_files.ini, keys);
    m_settings.breakSound = {keys.CzyDzwiek, keys.FolderPlikBreak};
    return m_settings.breakSound;
}

void StationStore::storeBreakSound(const BreakSound& sound) {
    m_settings.breakSound = sound;
    const Konfiguracja keys = breakSoundKeys(sound);
    kalmero::storeBreakSound(m_files.ini, keys);
}

}  // namespace kalmero
