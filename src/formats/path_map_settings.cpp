#include "formats/path_map_settings.h"

#include <utility>

#include "formats/ini_document.h"

namespace kalmero {

PathMapReading parsePathMap(std::string_view iniBytes) {
    return parsePathMap(IniDocument{std::string(iniBytes)});
}

PathMapReading parsePathMap(const IniDocument& ini) {
    PathMapReading reading;
    for (auto& [prefix, folder] : ini.entries(kPathMapSection)) {
        std::string line = prefix + '=' + folder;
        if (auto refusal = reading.map.add(std::move(prefix), std::move(folder))) {
            reading.refused.push_back({std::move(line), std::move(*refusal)});
        }
    }
    return reading;
}

std::string withPathMap(std::string iniBytes, const PathMap& map) {
    IniDocument document(std::move(iniBytes));
    std::vector<std::pair<std::string, std::string>> lines;
    lines.reserve(map.lines().size());
    for (const PathMapLine& line : map.lines()) {
        lines.emplace_back(line.prefix, line.folder);
    }
    document.replaceEntries(kPathMapSection, lines);
    return document.text();
}

PathMapRefusal addPathMapValue(PathMap& map, std::string_view value) {
    const auto equals = value.find('=');
    if (equals == std::string_view::npos) {
        return "oczekiwano PREFIKS=FOLDER, np. C:\\Radio=/srv/radio";
    }
    return map.add(std::string(value.substr(0, equals)), std::string(value.substr(equals + 1)));
}

}  // namespace kalmero
