// The sample day in examples/ loads as a new user would load it: started in that folder,
// every spot's relative path names a real, measurable file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "formats/lst_file.h"
#include "formats/text_lines.h"
#include "model/czas.h"
#include "platform/audio_length.h"
#include "platform/audio_test_support.h"
#include "platform/file_io.h"

namespace kalmero {
namespace {

const std::filesystem::path kExamples =
    std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "examples";

TEST(Examples, AdvertListMeasuresEverySpot) {
    const test::InFolder inExamples(kExamples);
    Lists lists;
    lists.ListaLST = OtworzPlikLST(readWholeFile("reklamy.lst"), newLoadMeasurer());

    const std::map<std::string, std::int64_t> lengths = {
        {"pizzeria", 15'000},      {"salon_meblowy", 20'000}, {"piekarnia", 10'000},
        {"warsztat", 12'000},      {"apteka", 8'000},         {"kino", 30'000},
        {"biuro_podrozy", 25'000}, {"ksi\xEAgarnia", 5'000},  // Windows-1250 "księgarnia"
    };
    ASSERT_EQ(lists.ListaLST.size(), 17u);
    for (const TPozycja& spot : lists.ListaLST) {
        const std::string name(spot.value(Field::Tyt));
        ASSERT_TRUE(lengths.contains(name)) << name;
        EXPECT_EQ(spot.CzasNwK, lengths.at(name)) << name;
    }
    EXPECT_EQ(lists.ListaLST.front().line(Field::Emi), "Emi=07:15:00.000");
}

TEST(Examples, PlaylistRecordsFollowEachOther) {
    const std::string text = readWholeFile((kExamples / "dzien.mix").string());
    std::size_t lineEnds = 0;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
        ASSERT_GT(at, 0u);
        ASSERT_EQ(text[at - 1], '\r') << "a line not ended by CR LF at byte " << at;
        ++lineEnds;
    }
    const std::vector<std::string_view> lines = splitLines(text);
    ASSERT_EQ(lines.size(), lineEnds);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "WERSJA=2");

    // Each item starts where the one before hands over: at its start plus NwK - Mix.
    std::int64_t records = 0;
    std::int64_t start = 0;
    std::int64_t expected = 6 * 3'600'000;
    std::int64_t nwk = 0;
    std::int64_t mix = 0;
    for (const std::string_view line : lines) {
        const std::string_view key = line.substr(0, 4);
        if (key == "Emi=") {
            start = CzasStartInt(line);
            EXPECT_EQ(start, expected) << line;
        } else if (key == "NwK=") {
            nwk = CzasTrwInt(line);
        } else if (key == "Mix=") {
            mix = CzasTrwInt(line);
        } else if (line == "KONIEC OPISU") {
            ++records;
            expected = start + nwk - mix;
        }
    }
    EXPECT_EQ(lines[1], "POZYCJI=" + std::to_string(records));
    EXPECT_GE(expected, 22 * 3'600'000 + 45 * 60'000);  // the day runs to about 23:00
}

}  // namespace
}  // namespace kalmero
