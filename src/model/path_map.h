#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kalmero {

// One line of a path map: spot paths starting with `prefix` (as a Windows traffic system
// writes them, e.g. `C:\Radio` or `\\SERWER\reklamy`) are found under `folder` (a local
// absolute folder, e.g. `/srv/radio`). Both Windows-1250 bytes.
struct PathMapLine {
    std::string prefix;
    std::string folder;

    friend bool operator==(const PathMapLine&, const PathMapLine&) = default;
};

// How a spot's path line names its file. Only finding the file to measure goes through
// this; the path line itself is kept as it stands.
struct PathResolution {
    enum class Kind {
        Empty,     // an empty path line
        Mapped,    // a map line's prefix matched: `path` is under its folder
        Absolute,  // a Linux absolute path, taken as it is
        Relative,  // no drive, no share: `path` ("/"-separated) is within the list's folder
        Unmapped,  // a drive letter, share or rooted Windows path no map line covers
    };
    Kind kind = Kind::Empty;
    // Windows-1250 bytes; empty for Empty and Unmapped.
    std::string path;
    // Unmapped: what had no map line, as written but with backslashes: "C:\" for a drive,
    // "\\SERWER\udzial" for a share, "\" for a path rooted on no drive.
    std::string root;
};

// Why a map line can't be taken; nullopt when it can. Polish, UTF-8.
using PathMapRefusal = std::optional<std::string>;

// The station's map from Windows path prefixes to local folders. Prefixes match without
// regard to letter case (ASCII and Windows-1250 letters) and to "\" vs "/", and only at a
// folder boundary (`C:\Radio` covers `C:\Radio\a.mp3`, not `C:\Radiowe\a.mp3`); the longest
// matching prefix wins.
class PathMap {
public:
    // Adds a line at the end. Refused, leaving the map as it was: an empty prefix (or one of
    // separators only), a folder that is not absolute ("/..."), text the ini file can't
    // hold (CR, LF, NUL; in the prefix also "=", a leading ";" or "[", blanks at its ends), and a
    // prefix the map already has, however spelled (the first line wins, as ini keys do).
    PathMapRefusal add(std::string prefix, std::string folder);

    // The lines in the order they were added, as given.
    const std::vector<PathMapLine>& lines() const { return m_lines; }
    bool empty() const { return m_lines.empty(); }

    // Where the file named by `pathLine` (Windows-1250 bytes) is to be looked for. Never
    // touches the disk.
    PathResolution resolve(std::string_view pathLine) const;

    friend bool operator==(const PathMap&, const PathMap&) = default;

private:
    std::vector<PathMapLine> m_lines;
};

// A Windows path line as Windows reads it before any lookup: each name's trailing dots and
// spaces dropped, "." names dropped and ".." taking the name before it away (never the
// drive, share or root; leading ones of a relative line kept), separators "\\". A line
// starting with a single "/" is a Linux path and comes back as it is.
std::string windowsNormalPath(std::string_view pathLine);

// A Windows-1250 byte in lower case (ASCII and every cased Windows-1250 letter).
char lowerCp1250(char c);

// Whether two Windows-1250 names are equal without regard to letter case.
bool sameNameIgnoringCase(std::string_view a, std::string_view b);

}  // namespace kalmero
