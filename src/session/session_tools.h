#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "model/path_map.h"
#include "model/spot_measure.h"
#include "session/cp1250_text.h"
#include "session/loudness_run.h"

namespace kalmero {

class MeasureCacheOnDemand;

// A spot measurer for one advert list's load: path lines found through `map`, a relative
// one within `listFolderUtf8` (the list's own folder).
using LoadMeasurerMaker =
    std::function<SpotMeasurer(const PathMap& map, const std::string& listFolderUtf8)>;

// Finds an item's audio file from its path line (Windows-1250): the local path (UTF-8), ""
// when there is none.
using FileLocator = std::function<std::string(std::string_view pathLineCp1250)>;

// A locator for one playlist's load: path lines found through `map`, a relative one within
// `folderUtf8` (the playlist's own folder).
using LocatorMaker = std::function<FileLocator(const PathMap& map, const std::string& folderUtf8)>;

// The platform's tools the session works with: the station's own (stationTools) unless a test
// gives others. Without `decode` and `encode` texts stay as they are; without `newMeasurer`
// every advert list load must be given its measurer; without `newLocator` a playlist item's
// file is its path line; without `loudness` nothing is measured.
struct SessionTools {
    Cp1250Decoder decode;
    Cp1250Encoder encode;
    LoadMeasurerMaker newMeasurer;
    LocatorMaker newLocator;
    LoudnessTools loudness;
};

// The station's tools: text conversions, spots and playlist items found through the path
// map, loudness measured on every core through `cache` (which must outlive the tools; the
// program makes it at its start).
SessionTools stationTools(MeasureCacheOnDemand& cache);

}  // namespace kalmero
