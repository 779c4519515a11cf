#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/konfiguracja_file.h"
#include "model/path_map.h"
#include "model/settings.h"
#include "session/break_settings.h"
#include "session/cp1250_text.h"
#include "session/station_settings.h"

namespace kalmero {

// The break settings as the configuration file holds them, before a length out of range is
// brought within it: what the window's controls show at start-up, so that their handlers
// write back a value that can't stand.
struct StoredBreak {
    BreakMode mode = BreakMode::Nearest;
    bool fade = false;
    std::int64_t seconds = BreakLength::kDefaultSeconds;
};

// The two files the session keeps its settings in.
struct SessionFiles {
    std::string ini;     // kalmero.ini
    std::string matrix;  // matryca.dat

    // Both files in `folder` (which ends in "/").
    static SessionFiles inFolder(const std::string& folder);
};

// The station's settings: read from the configuration and the break matrix, held typed, each
// change written at once. `decode` (which must outlive the store) makes the configuration's
// texts UTF-8 for warnings.
class StationStore : public BreakSettings {
public:
    StationStore(SessionFiles files, const Cp1250Decoder& decode);

    // Start-up reading of the configuration file (see OdczytajKonfiguracje) and its path map
    // into the held settings. Returns the break settings as the file holds them, for the
    // controls that show them.
    StoredBreak readSettings(const FolderCheck& folderExists);
    // What the last readSettings passed over, for the operator (UTF-8): a break length out
    // of range, each path map line the map refused, with why.
    const std::vector<std::string>& warnings() const { return m_warnings; }
    const StationSettings& settings() const { return m_settings; }
    const SessionFiles& files() const { return m_files; }
    // Held over the stored settings for this session's work; nothing is written.
    void overrideSettings(const SettingOverrides& overrides);
    // Counts the changes of what a compile reads from here besides the settings: the break
    // matrix and the path map.
    std::uint64_t changes() const { return m_changes; }

    // Each holds its value and writes its key at once; FileError when the write fails, the
    // value held all the same, as the control that set it shows it.
    void storeFolder(Folder which, std::string folderCp1250);
    void storeBreakMode(BreakMode mode);
    void storeFade(bool fade);
    void storeBreakLength(BreakLength length);
    // Replaces the configuration's [Sciezki] lines with the map's, every other byte kept.
    void storePathMap(PathMap map);
    void storeDayViewPlace(const WindowPlace& place);
    BreakWeek readBreakWeek() override;
    void storeBreakHour(int day, int hourIndex, bool on) override;
    void storeBreakWeek(const BreakWeek& week) override;
    BreakSound readBreakSound() override;
    void storeBreakSound(const BreakSound& sound) override;

private:
    // Writes one key of the configuration, unless it is the first write of a key the start-up
    // reading found already so: the window's showing it isn't worth a second opening.
    void storeKey(const IniEntry& entry);

    SessionFiles m_files;
    const Cp1250Decoder& m_decode;
    StationSettings m_settings;
    std::vector<std::string> m_warnings;
    // The keys the window writes back as soon as it shows them that the start-up reading
    // found already stored so; each one's first write is left out when it changes nothing.
    std::vector<IniEntry> m_keysAsRead;
    BreakWeek m_breakWeek{};
    std::uint64_t m_changes = 0;
};

}  // namespace kalmero
