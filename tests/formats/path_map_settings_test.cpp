#include "formats/path_map_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kalmero {
namespace {

TEST(PathMapSettings, TheSectionReadsAndWritesBackKeepingTheRest) {
    const std::string before =
        "[Foldery]\r\nFolderMIX=/m/\r\n[Sciezki]\r\n; stacja\r\nC:\\Radio=/srv/radio\r\n"
        "c:/radio/=/inne\r\n\\\\SERWER\\reklamy = /mnt/reklamy\r\nD:\\x=spoty\r\n\r\n"
        "[Break]\r\nTime=5\r\n";
    PathMapReading reading = parsePathMap(before);
    EXPECT_EQ(reading.map.lines(),
              (std::vector<PathMapLine>{{"C:\\Radio", "/srv/radio"},
                                        {"\\\\SERWER\\reklamy", "/mnt/reklamy"}}));
    ASSERT_EQ(reading.refused.size(), 2U);
    EXPECT_EQ(reading.refused[0],
              (RefusedPathMapLine{"c:/radio/=/inne", "prefiks już jest w mapie ścieżek"}));
    EXPECT_EQ(reading.refused[1].line, "D:\\x=spoty");
    EXPECT_NE(reading.refused[1].why.find("bezwzględną"), std::string::npos)
        << reading.refused[1].why;

    ASSERT_EQ(reading.map.add("D:\\SPOTY", "/srv/d"), std::nullopt);
    const std::string after = withPathMap(before, reading.map);
    EXPECT_EQ(after,
              "[Foldery]\r\nFolderMIX=/m/\r\n[Sciezki]\r\n; stacja\r\nC:\\Radio=/srv/radio\r\n"
              "\\\\SERWER\\reklamy=/mnt/reklamy\r\nD:\\SPOTY=/srv/d\r\n\r\n[Break]\r\nTime=5\r\n");
    EXPECT_EQ(parsePathMap(after).map, reading.map);
    EXPECT_EQ(withPathMap("[A]\nk=1", reading.map),
              "[A]\nk=1\n[Sciezki]\nC:\\Radio=/srv/radio\n\\\\SERWER\\reklamy=/mnt/reklamy\n"
              "D:\\SPOTY=/srv/d\n");
}

TEST(PathMapSettings, ACommandLineValueSplitsAtItsFirstEquals) {
    struct Case {
        const char* value;
        bool taken;
        PathMapLine line;
    };
    const Case cases[] = {
        {"C:\\Radio=/srv/radio", true, {"C:\\Radio", "/srv/radio"}},
        {"\\\\SERWER\\reklamy=/mnt/a=b", true, {"\\\\SERWER\\reklamy", "/mnt/a=b"}},
        {"C:\\Radio", false, {}},
        {"C:\\Radio=spoty", false, {}},
        {"=/srv", false, {}},
    };
    for (const Case& c : cases) {
        PathMap map;
        EXPECT_EQ(!addPathMapValue(map, c.value).has_value(), c.taken) << c.value;
        EXPECT_EQ(map.lines(),
                  c.taken ? std::vector<PathMapLine>{c.line} : std::vector<PathMapLine>{})
            << c.value;
    }
}

}  // namespace
}  // namespace kalmero
