#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "model/path_map.h"
#include "model/spot_measure.h"
#include "platform/audio_length.h"

namespace kalmero {

// Where a spot's audio file was looked for on the local disk.
struct SpotLocation {
    // UTF-8: the file found, or the path that was looked for; empty when there was none
    // (no map line, empty path line).
    std::string localPath;
    // None: `localPath` is the file to measure (measuring tells whether it is one).
    SpotProblem problem = SpotProblem::None;
    // Why not, Polish UTF-8; empty with None.
    std::string reason;
};

// What a locator asked of the disk: folders read, paths looked up (`stat`).
struct DiskAsked {
    std::atomic<int> foldersListed{0};
    std::atomic<int> lookups{0};
};

// Finds the local files of one advert list's spots, as the station's Windows machines
// would have found them: through the path map, relative path lines within the list's own
// folder, and, when the path as written doesn't exist, each folder level matched without
// regard to letter case. Each folder is listed, and each path looked up, once per locator
// (make one per load): a path below a folder known missing is missing without asking the
// disk, since a long playlist names thousands of songs in a few absent folders.
// Thread-safe.
class SpotLocator {
public:
    // `listFolderUtf8`: the advert list's folder (empty: the current one). `asked`, when set,
    // counts what was actually asked of the disk.
    SpotLocator(PathMap map, std::string listFolderUtf8, DiskAsked* asked = nullptr);

    // The local file for a path line (Windows-1250 bytes).
    SpotLocation locate(std::string_view pathLineCp1250) const;

private:
    enum class Presence { There, Missing, Unknown };
    struct Listing;
    std::shared_ptr<const Listing> listing(const std::string& folder) const;
    Presence presence(const std::string& path) const;
    SpotLocation matchLetterCase(const std::string& path) const;

    PathMap m_map;
    std::string m_listFolder;
    DiskAsked* m_asked;
    mutable std::mutex m_mutex;
    mutable std::map<std::string, std::shared_ptr<Listing>> m_listings;
    // Looked up by a path's leading folders without copying them.
    struct PathHash : std::hash<std::string_view> {
        using is_transparent = void;
    };
    mutable std::unordered_map<std::string, Presence, PathHash, std::equal_to<>> m_presence;
};

// Whether a path `stat` failed on with `statError` is known not to be there, so that it is
// worth looking for in another letter case. A folder that can't be searched (EACCES) says
// nothing of the file's name: the file is measured as written, which tells why it can't be
// opened.
bool knownMissing(int statError);

// A measurer for one advert list's load: each path line is located (see SpotLocator) and
// the file found measured as newLocalLoadMeasurer does. A spot without a length always
// carries its problem kind, its reason and the local path tried; one that measures 0 ms
// for no other reason is "0 ms". Copies share the load's caches. Thread-safe.
SpotMeasurer newMappedLoadMeasurer(PathMap map, std::string listFolderUtf8,
                                   const MeasureSettings& settings = {},
                                   DiskAsked* asked = nullptr);

}  // namespace kalmero
