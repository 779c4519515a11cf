// The path map's rules, each row standing for one: which line covers a path line, how its
// letters and separators compare, and what a path line no line covers is.
#include "model/path_map.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/path_maps.h"

namespace kalmero {
namespace {

// Every Windows-1250 letter that has a small and a capital form.
struct LetterPair {
    unsigned char capital;
    unsigned char small;
    const char* shown;  // UTF-8, for the failure message
};
constexpr LetterPair kLetterPairs[] = {
    {0xA5, 0xB9, "Ąą"}, {0xC6, 0xE6, "Ćć"}, {0xCA, 0xEA, "Ęę"}, {0xA3, 0xB3, "Łł"},
    {0xD1, 0xF1, "Ńń"}, {0xD3, 0xF3, "Óó"}, {0x8C, 0x9C, "Śś"}, {0x8F, 0x9F, "Źź"},
    {0xAF, 0xBF, "Żż"}, {0x8A, 0x9A, "Šš"}, {0x8D, 0x9D, "Ťť"}, {0x8E, 0x9E, "Žž"},
    {0xBC, 0xBE, "Ľľ"}, {0xAA, 0xBA, "Şş"}, {0xC0, 0xE0, "Ŕŕ"}, {0xC1, 0xE1, "Áá"},
    {0xC2, 0xE2, "Ââ"}, {0xC3, 0xE3, "Ăă"}, {0xC4, 0xE4, "Ää"}, {0xC5, 0xE5, "Ĺĺ"},
    {0xC7, 0xE7, "Çç"}, {0xC8, 0xE8, "Čč"}, {0xC9, 0xE9, "Éé"}, {0xCB, 0xEB, "Ëë"},
    {0xCC, 0xEC, "Ěě"}, {0xCD, 0xED, "Íí"}, {0xCE, 0xEE, "Îî"}, {0xCF, 0xEF, "Ďď"},
    {0xD0, 0xF0, "Đđ"}, {0xD2, 0xF2, "Ňň"}, {0xD4, 0xF4, "Ôô"}, {0xD5, 0xF5, "Őő"},
    {0xD6, 0xF6, "Öö"}, {0xD8, 0xF8, "Řř"}, {0xD9, 0xF9, "Ůů"}, {0xDA, 0xFA, "Úú"},
    {0xDB, 0xFB, "Űű"}, {0xDC, 0xFC, "Üü"}, {0xDD, 0xFD, "Ýý"}, {0xDE, 0xFE, "Ţţ"},
};

using test::mapOf;

// Each byte folds to its small letter, and only a capital letter changes: × and ÷, ß, the
// signs and the small letters stay as they are.
TEST(PathMapLetters, EveryCapitalFoldsToItsSmallLetterAndNothingElseChanges) {
    unsigned char expected[256];
    for (int byte = 0; byte < 256; ++byte) {
        expected[byte] = static_cast<unsigned char>(byte >= 'A' && byte <= 'Z' ? byte + 32 : byte);
    }
    for (const LetterPair& pair : kLetterPairs) {
        expected[pair.capital] = pair.small;
    }
    for (int byte = 0; byte < 256; ++byte) {
        EXPECT_EQ(static_cast<unsigned char>(lowerCp1250(static_cast<char>(byte))), expected[byte])
            << "byte 0x" << std::hex << byte;
    }
    for (const LetterPair& pair : kLetterPairs) {
        const std::string capital = {'C', ':', '\\', static_cast<char>(pair.capital)};
        const std::string small = {'c', ':', '/', static_cast<char>(pair.small)};
        EXPECT_TRUE(sameNameIgnoringCase(capital.substr(3), small.substr(3))) << pair.shown;
        // A prefix written in capitals covers a path line written in small letters.
        const PathMap map = mapOf({{capital, "/srv/x"}});
        EXPECT_EQ(map.resolve(small + "\\a.mp3").path, "/srv/x/a.mp3") << pair.shown;
    }
    EXPECT_FALSE(sameNameIgnoringCase("\xD7", "\xF7"));  // × is no capital of ÷
    EXPECT_FALSE(sameNameIgnoringCase("ab", "abc"));
}

TEST(PathMapResolve, EachLineOfTheMapCoversWhatItShould) {
    // Two prefixes, one within the other, mapped to different folders: given in both orders
    // so that neither the first nor the last line wins by its place.
    const std::vector<PathMapLine> lines = {{"C:\\Radio", "/srv/radio"},
                                            {"c:/radio/Spoty/", "/mnt/spoty"},
                                            {"\\\\SERWER\\reklamy", "/mnt/reklamy/"},
                                            {"D:", "/"}};
    const std::vector<PathMapLine> reversed(lines.rbegin(), lines.rend());
    using Kind = PathResolution::Kind;
    const struct {
        const char* name;
        std::string pathLine;
        Kind kind;
        std::string path;
        std::string root;
    } cases[] = {
        {"the longest prefix wins", "C:\\Radio\\Spoty\\a.mp3", Kind::Mapped, "/mnt/spoty/a.mp3",
         ""},
        {"the shorter one covers the rest", "C:\\Radio\\Muzyka\\a.mp3", Kind::Mapped,
         "/srv/radio/Muzyka/a.mp3", ""},
        {"the longer one at its folder boundary only", "C:\\Radio\\Spotyx\\a.mp3", Kind::Mapped,
         "/srv/radio/Spotyx/a.mp3", ""},
        {"a prefix covers whole folder names only", "C:\\Radiowe\\a.mp3", Kind::Unmapped, "",
         "C:\\"},
        {"the prefix itself", "c:\\radio", Kind::Mapped, "/srv/radio", ""},
        {"slashes for backslashes, letter case ignored", "c:/RADIO/spoty/Sub/B.MP3", Kind::Mapped,
         "/mnt/spoty/Sub/B.MP3", ""},
        {"doubled separators after the prefix", "C:\\Radio\\\\x.mp3", Kind::Mapped,
         "/srv/radio/x.mp3", ""},
        {"a share", "\\\\serwer\\REKLAMY\\1.mp3", Kind::Mapped, "/mnt/reklamy/1.mp3", ""},
        {"a share with slashes", "//SERWER/reklamy/1.mp3", Kind::Mapped, "/mnt/reklamy/1.mp3", ""},
        {"a drive mapped to the root", "d:\\x\\y.mp3", Kind::Mapped, "/x/y.mp3", ""},
        {"a drive with no line", "E:\\a.mp3", Kind::Unmapped, "", "E:\\"},
        {"a share with no line", "\\\\INNY\\udzial\\a.mp3", Kind::Unmapped, "", "\\\\INNY\\udzial"},
        {"a share with slashes and no line", "//INNY/udzial/a.mp3", Kind::Unmapped, "",
         "\\\\INNY\\udzial"},
        {"rooted on no drive", "\\spoty\\a.mp3", Kind::Unmapped, "", "\\"},
        {"a Linux path as it is", "/srv/a\\b.mp3", Kind::Absolute, "/srv/a\\b.mp3", ""},
        {"relative with backslashes", "spoty\\a.mp3", Kind::Relative, "spoty/a.mp3", ""},
        {"relative with slashes", "spoty/a.mp3", Kind::Relative, "spoty/a.mp3", ""},
        {"empty", "", Kind::Empty, "", ""},
    };
    for (const auto* order : {&lines, &reversed}) {
        const PathMap map = mapOf(*order);
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (order == &lines ? "" : " (lines reversed)"));
            const PathResolution got = map.resolve(c.pathLine);
            EXPECT_EQ(got.kind, c.kind);
            EXPECT_EQ(got.path, c.path);
            EXPECT_EQ(got.root, c.root);
        }
    }
}

TEST(PathMapAdd, RefusesWhatTheFileCouldNotHoldOrAlreadyHas) {
    const struct {
        std::string prefix;
        std::string folder;
        bool taken;
    } cases[] = {
        {"C:\\Radio", "/srv/radio", true},
        {"c:/RADIO/", "/inne", false},  // the same prefix however spelled
        {"C:\\Radio\\Spoty", "/srv/spoty", true},
        {"", "/srv", false},
        {"\\/", "/srv", false},
        {"E:\\x", "srv", false},
        {"E:\\x", "", false},
        {"E:\\x", std::string("/a\nb"), false},
        {"E:\\a=b", "/srv", false},
        {";E:\\x", "/srv", false},
        {"[E:\\x", "/srv", false},
        {" E:\\x", "/srv", false},
        {"E:\\x\t", "/srv", false},
        {std::string("E:\\x\0y", 6), "/srv", false},
        {"E:\\x", "/srv/x", true},
    };
    PathMap map;
    std::vector<PathMapLine> kept;
    for (const auto& c : cases) {
        EXPECT_EQ(!map.add(c.prefix, c.folder).has_value(), c.taken) << c.prefix << "=" << c.folder;
        if (c.taken) {
            kept.push_back({c.prefix, c.folder});
        }
    }
    EXPECT_EQ(map.lines(), kept);
}

}  // namespace
}  // namespace kalmero
