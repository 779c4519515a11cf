#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "compiler/day_report.h"
#include "compiler/placement_report.h"
#include "formats/correction_settings.h"
#include "model/path_map.h"
#include "model/settings.h"
#include "model/spot_loudness.h"

namespace kalmero {

// The folders an operator keeps: where the open dialogs start and where the result goes.
enum class Folder {
    Playlists,    // FolderMIX
    AdvertLists,  // FolderLST
    Results,      // FolderWynikowy
};

// Where a window of the program stands on the desktop: its frame's top left corner and its
// size without the frame, in pixels, as a window manager takes them back.
struct WindowPlace {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const WindowPlace&) const = default;
};

// A station's settings, typed, as the session holds them and the configuration stores them.
// Texts are Windows-1250 bytes as stored; a folder chosen in the program ends in "/".
struct StationSettings {
    std::array<std::string, 3> folders;  // by Folder; "" when none
    BreakMode mode = BreakMode::Nearest;
    bool fade = false;
    BreakLength length;
    BreakSound breakSound;
    // How far an advert block may air from its booked time before the day's checks name it.
    std::int64_t driftLimitMs = kDefaultDriftLimitMs;
    // An advert longer than this is named as suspicious.
    std::int64_t longSpotMs = kDefaultLongSpotMs;
    // Whether a result whose folder takes no new file may be overwritten in place.
    bool inPlaceAllowed = false;
    // Where spots named by Windows paths are found on this machine, for measuring only.
    PathMap pathMap;
    // What the day's advert spots are checked against (section Kontrola).
    LoudnessTargets loudness;
    // Whether and where loud spots get lowered copies (section Kontrola).
    CorrectionSettings corrections;
    // Where the operator left "Podgląd dnia"; none until it was first moved, or when the
    // stored place is no window's.
    std::optional<WindowPlace> dayViewPlace;

    const std::string& folder(Folder which) const {
        return folders[static_cast<std::size_t>(which)];
    }
};

// Settings for one session's work only, over the stored ones, never written: the batch
// command's options. What is not given stays as stored.
struct SettingOverrides {
    std::optional<BreakMode> mode;
    std::optional<bool> fade;
    std::optional<BreakLength> length;
    std::optional<BreakSound> breakSound;
    std::optional<std::int64_t> driftLimitMs;
    std::optional<bool> inPlaceAllowed;
    std::optional<bool> correctLoudness;
    // Lines added to the stored path map; a prefix given here wins over the stored line of
    // the same prefix.
    PathMap pathMapAdded;
};

}  // namespace kalmero
