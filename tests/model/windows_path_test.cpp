// Path lines read as Windows reads them before a lookup, and matched against the map so.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "model/path_map.h"

namespace kalmero {
namespace {

TEST(WindowsNormalPath, TrailingDotsSpacesAndDotNamesAsWindowsReadsThem) {
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\Radio\\x.mp3", "C:\\Radio\\x.mp3"},
        {"C:\\Radio.\\x.mp3", "C:\\Radio\\x.mp3"},
        {"C:\\Radio \\x.mp3", "C:\\Radio\\x.mp3"},
        {"C:\\Radio\\x.mp3.", "C:\\Radio\\x.mp3"},
        {"C:\\Radio\\x.mp3 . ", "C:\\Radio\\x.mp3"},
        {"C:\\Radio\\.\\x.mp3", "C:\\Radio\\x.mp3"},
        {"C:\\Radio\\dir\\..\\x.mp3", "C:\\Radio\\x.mp3"},
        {"C:\\Radio\\a\\b\\..\\..\\x.mp3", "C:\\Radio\\x.mp3"},
        {"C:\\..\\x.mp3", "C:\\x.mp3"},  // nothing above a drive's root
        {"C:/Radio//x.mp3", "C:\\Radio\\x.mp3"},
        {"C:x.mp3", "C:x.mp3"},
        {"\\\\SERWER\\reklamy\\..\\x.mp3", "\\\\SERWER\\reklamy\\x.mp3"},  // nor a share's
        {"\\\\SERWER\\reklamy\\a.\\x.mp3", "\\\\SERWER\\reklamy\\a\\x.mp3"},
        {"\\Radio\\..\\x.mp3", "\\x.mp3"},
        {"spoty\\..\\x.mp3", "x.mp3"},
        {"..\\spoty\\x.mp3", "..\\spoty\\x.mp3"},  // a relative line may leave its folder
        {"..\\..", "..\\.."},
        {"spoty.\\x...mp3", "spoty\\x...mp3"},             // dots inside a name stay
        {"/srv/radio/../x.mp3.", "/srv/radio/../x.mp3."},  // a Linux path as it stands
    };
    for (const auto& [line, normal] : cases) {
        EXPECT_EQ(windowsNormalPath(line), normal) << line;
    }
}

TEST(WindowsNormalPath, TheMapMatchesTheNormalLine) {
    PathMap map;
    ASSERT_FALSE(map.add("C:\\Radio", "/srv/radio"));
    const std::pair<std::string, std::string> mapped[] = {
        {"C:\\Radio.\\x.mp3", "/srv/radio/x.mp3"},
        {"C:\\Radio \\spoty.\\x.mp3 ", "/srv/radio/spoty/x.mp3"},
        {"C:\\Radio\\dir\\..\\x.mp3", "/srv/radio/x.mp3"},
        {"C:\\Inne\\..\\Radio\\x.mp3", "/srv/radio/x.mp3"},
    };
    for (const auto& [line, path] : mapped) {
        const PathResolution resolution = map.resolve(line);
        EXPECT_EQ(resolution.kind, PathResolution::Kind::Mapped) << line;
        EXPECT_EQ(resolution.path, path) << line;
    }
    // Out of the mapped folder by "..": no longer covered.
    EXPECT_EQ(map.resolve("C:\\Radio\\..\\x.mp3").kind, PathResolution::Kind::Unmapped);
    const PathResolution relative = map.resolve("spoty\\..\\x.mp3.");
    EXPECT_EQ(relative.kind, PathResolution::Kind::Relative);
    EXPECT_EQ(relative.path, "x.mp3");
}

}  // namespace
}  // namespace kalmero
