#include "model/path_map.h"

#include <cstddef>
#include <utility>
#include <vector>

namespace kalmero {

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A prefix's bytes as they are compared: lower case, "\" for either separator, no
// separators at the end (so `C:\` and `C:` are one prefix).
std::string comparable(std::string_view text) {
    while (!text.empty() && isSeparator(text.back())) {
        text.remove_suffix(1);
    }
    std::string key;
    key.reserve(text.size());
    for (const char c : text) {
        key += isSeparator(c) ? '\\' : lowerCp1250(c);
    }
    return key;
}

// Whether `path` starts with the comparable `key` and the match ends at a folder boundary.
bool coveredBy(std::string_view path, std::string_view key) {
    if (path.size() < key.size()) {
        return false;
    }
    for (std::size_t i = 0; i < key.size(); ++i) {
        const char c = path[i];
        if ((isSeparator(c) ? '\\' : lowerCp1250(c)) != key[i]) {
            return false;
        }
    }
    return path.size() == key.size() || isSeparator(path[key.size()]);
}

std::string withForwardSlashes(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '\\') {
            c = '/';
        }
    }
    return out;
}

std::string joined(std::string_view folder, std::string_view rest) {
    while (!rest.empty() && isSeparator(rest.front())) {
        rest.remove_prefix(1);
    }
    std::string path(folder);
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    if (!rest.empty()) {
        if (path.back() != '/') {
            path += '/';
        }
        path += withForwardSlashes(rest);
    }
    return path;
}

// `\\SERVER\share` of a path line starting with two separators, with backslashes.
std::string shareRoot(std::string_view pathLine) {
    std::string root = "\\\\";
    int separatorsLeft = 1;  // the one between server and share
    for (std::size_t i = 2; i < pathLine.size(); ++i) {
        if (isSeparator(pathLine[i])) {
            if (separatorsLeft-- == 0) {
                break;
            }
            root += '\\';
        } else {
            root += pathLine[i];
        }
    }
    while (root.size() > 2 && root.back() == '\\') {
        root.pop_back();
    }
    return root;
}

bool storable(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The length of a path line's root: "C:" (and its separator), "\\\\SERVER\\share\\", "\\"; 0
// for a relative line.
std::size_t rootLength(std::string_view line) {
    if (line.size() >= 2 && isAsciiLetter(line[0]) && line[1] == ':') {
        return line.size() > 2 && isSeparator(line[2]) ? 3 : 2;
    }
    if (line.size() >= 2 && isSeparator(line[0]) && isSeparator(line[1])) {
        std::size_t at = 2;
        for (int names = 0; names < 2 && at < line.size(); ++names) {
            while (at < line.size() && !isSeparator(line[at])) {
                ++at;
            }
            at += at < line.size() ? 1 : 0;
        }
        return at;
    }
    return !line.empty() && isSeparator(line[0]) ? 1 : 0;
}

}  // namespace

std::string windowsNormalPath(std::string_view pathLine) {
    if (!pathLine.empty() && pathLine[0] == '/' && (pathLine.size() < 2 || pathLine[1] != '/')) {
        return std::string(pathLine);
    }
    const std::size_t root = rootLength(pathLine);
    std::string out;
    for (const char c : pathLine.substr(0, root)) {
        out += isSeparator(c) ? '\\' : c;
    }
    std::vector<std::string_view> names;
    std::size_t leadingUps = 0;  // ".." a relative line keeps: they leave the list's folder
    for (std::size_t at = root; at <= pathLine.size();) {
        std::size_t end = at;
        while (end < pathLine.size() && !isSeparator(pathLine[end])) {
            ++end;
        }
        std::string_view name = pathLine.substr(at, end - at);
        at = end + 1;
        if (name == "..") {
            if (!names.empty()) {
                names.pop_back();
            } else if (root == 0) {
                ++leadingUps;
            }
            continue;
        }
        while (!name.empty() && (name.back() == '.' || name.back() == ' ')) {
            name.remove_suffix(1);
        }
        if (!name.empty()) {
            names.push_back(name);
        }
    }
    for (std::size_t i = 0; i < leadingUps; ++i) {
        out += "..\\";
    }
    for (const std::string_view name : names) {
        out += name;
        out += '\\';
    }
    if (!names.empty() || (leadingUps > 0 && root == 0)) {
        out.pop_back();
    }
    return out;
}

char lowerCp1250(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 'A' && byte <= 'Z') {
        return static_cast<char>(byte + 0x20);
    }
    // Š Ś Ť Ž Ź and Ŕ .. Ţ (less ×) sit 0x10 or 0x20 below their small letters; Ł Ą Ş Ż Ľ
    // are scattered.
    if (byte == 0x8A || byte == 0x8C || byte == 0x8D || byte == 0x8E || byte == 0x8F) {
        return static_cast<char>(byte + 0x10);
    }
    if (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7) {
        return static_cast<char>(byte + 0x20);
    }
    switch (byte) {
        case 0xA3:
            return static_cast<char>(0xB3);
        case 0xA5:
            return static_cast<char>(0xB9);
        case 0xAA:
            return static_cast<char>(0xBA);
        case 0xAF:
            return static_cast<char>(0xBF);
        case 0xBC:
            return static_cast<char>(0xBE);
        default:
            return c;
    }
}

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerCp1250(a[i]) != lowerCp1250(b[i])) {
            return false;
        }
    }
    return true;
}

PathMapRefusal PathMap::add(std::string prefix, std::string folder) {
    const std::string key = comparable(prefix);
    if (key.empty()) {
        return "pusty prefiks ścieżki";
    }
    if (!storable(prefix) || prefix.find('=') != std::string::npos || prefix.front() == ';' ||
        prefix.front() == '[' || isBlank(prefix.front()) || isBlank(prefix.back())) {
        return "prefiks ścieżki nie może zawierać \"=\", końca linii ani NUL, ani zaczynać się "
               "od \";\" lub \"[\", ani mieć odstępów na końcach";
    }
    if (!storable(folder) || folder.empty() || folder.front() != '/') {
        return "folder musi być ścieżką bezwzględną (od \"/\") bez końca linii i NUL";
    }
    for (const PathMapLine& line : m_lines) {
        if (comparable(line.prefix) == key) {
            return "prefiks już jest w mapie ścieżek";
        }
    }
    m_lines.push_back(PathMapLine{std::move(prefix), std::move(folder)});
    return std::nullopt;
}

PathResolution PathMap::resolve(std::string_view line) const {
    PathResolution result;
    if (line.empty()) {
        return result;
    }
    // Matched as Windows would open it: `C:\\Radio.\\x.mp3` is under `C:\\Radio`, and
    // `C:\\Radio\\..\\x.mp3` is not.
    const std::string normal = windowsNormalPath(line);
    const std::string_view pathLine = normal.empty() ? line : std::string_view(normal);
    const PathMapLine* best = nullptr;
    std::size_t bestLength = 0;
    for (const PathMapLine& mapped : m_lines) {
        const std::string key = comparable(mapped.prefix);
        if (key.size() > bestLength && coveredBy(pathLine, key)) {
            best = &mapped;
            bestLength = key.size();
        }
    }
    if (best != nullptr) {
        result.kind = PathResolution::Kind::Mapped;
        result.path = joined(best->folder, pathLine.substr(bestLength));
        return result;
    }
    const bool drive = pathLine.size() >= 2 && isAsciiLetter(pathLine[0]) && pathLine[1] == ':';
    const bool share = pathLine.size() >= 2 && isSeparator(pathLine[0]) && isSeparator(pathLine[1]);
    if (drive || share || pathLine.front() == '\\') {
        result.kind = PathResolution::Kind::Unmapped;
        result.root = drive ? std::string{pathLine[0], ':', '\\'}
                            : (share ? shareRoot(pathLine) : std::string("\\"));
        return result;
    }
    if (pathLine.front() == '/') {
        result.kind = PathResolution::Kind::Absolute;
        result.path = std::string(pathLine);
        return result;
    }
    result.kind = PathResolution::Kind::Relative;
    result.path = withForwardSlashes(pathLine);
    return result;
}

}  // namespace kalmero
