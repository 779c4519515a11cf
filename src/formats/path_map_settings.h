#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/path_map.h"

namespace kalmero {

// The configuration's section holding the path map, one "PREFIX=FOLDER" line per prefix.
inline constexpr std::string_view kPathMapSection = "Sciezki";

// What the section's lines gave: the map, and each line it refused with why ("line: why",
// the line as "PREFIX=FOLDER" in Windows-1250 bytes, the reason Polish UTF-8), for the
// operator to be told rather than have a line silently do nothing.
struct PathMapReading {
    PathMap map;
    std::vector<std::string> refused;
};

// The [Sciezki] section of configuration bytes (Windows-1250) in file order; a prefix
// given twice counts at its first line. Any bytes give a reading.
PathMapReading parsePathMap(std::string_view iniBytes);

// The configuration bytes with the [Sciezki] section's lines replaced by the map's, every
// other byte kept (other sections, comments, line ends).
std::string withPathMap(std::string iniBytes, const PathMap& map);

// One "PREFIX=FOLDER" value of the batch command's --path-map, in Windows-1250 bytes, added
// to `map`. Split at the first "=", as the ini file splits its lines: a Windows prefix
// (`C:\Radio`, `\\SERWER\reklamy`) holds no "=", while a local folder may. The refusal when
// there is no "=" or the map refuses the line.
PathMapRefusal addPathMapValue(PathMap& map, std::string_view value);

}  // namespace kalmero
