#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "formats/ini_document.h"
#include "model/path_map.h"

namespace kalmero {

// The configuration's section holding the path map, one "PREFIX=FOLDER" line per prefix.
inline constexpr std::string_view kPathMapSection = "Sciezki";

// A line of the section the map refused, for the operator to be told rather than have it
// silently do nothing.
struct RefusedPathMapLine {
    std::string line;  // as "PREFIX=FOLDER", Windows-1250 bytes
    std::string why;   // Polish, UTF-8

    friend bool operator==(const RefusedPathMapLine&, const RefusedPathMapLine&) = default;
};

// What the section's lines gave: the map, and each line it refused with why.
struct PathMapReading {
    PathMap map;
    std::vector<RefusedPathMapLine> refused;
};

// The [Sciezki] section of configuration bytes (Windows-1250) in file order; a prefix
// given twice counts at its first line. Any bytes give a reading.
PathMapReading parsePathMap(std::string_view iniBytes);
PathMapReading parsePathMap(const IniDocument& ini);

// The configuration bytes with the [Sciezki] section's lines replaced by the map's, every
// other byte kept (other sections, comments, line ends).
std::string withPathMap(std::string iniBytes, const PathMap& map);

// One "PREFIX=FOLDER" value of the batch command's --path-map, in Windows-1250 bytes, added
// to `map`. Split at the first "=", as the ini file splits its lines: a Windows prefix
// (`C:\Radio`, `\\SERWER\reklamy`) holds no "=", while a local folder may. The refusal when
// there is no "=" or the map refuses the line.
PathMapRefusal addPathMapValue(PathMap& map, std::string_view value);

}  // namespace kalmero
