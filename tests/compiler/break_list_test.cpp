#include <gtest/gtest.h>

#include "fixtures.h"

namespace kalmero {
namespace {

using namespace kalmero::test;

struct BreakListCase {
    const char* name;
    std::string line;
    std::int64_t seconds;
    bool sound;
    std::string soundPath;
    std::vector<std::string> emi;  // expected Emi lines, in order
    std::string length;            // expected duration text of the length fields
    std::int64_t lengthMs;
    std::string ide;
    std::string adr;
};

class BreakListTable : public ::testing::TestWithParam<BreakListCase> {};

TEST_P(BreakListTable, FillsEveryField) {
    const BreakListCase& c = GetParam();
    Lists lists;
    CompileSettings settings = settingsFor(BreakMode::Nearest, c.seconds);
    settings.sound = {c.sound, c.soundPath};
    Compiler(lists, settings).UtworzListeBreak(c.line);

    ASSERT_EQ(lists.ListaBreak.size(), c.emi.size());
    for (std::size_t i = 0; i < c.emi.size(); ++i) {
        const TPozycja& b = lists.ListaBreak[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(b.line(Field::Emi), c.emi[i]);
        EXPECT_EQ(b.CzasStart, CzasStartInt(c.emi[i]));
        EXPECT_EQ(b.line(Field::Typ), c.sound ? "Typ=SND" : "Typ=BRK");
        EXPECT_EQ(b.line(Field::Trw), "Trw=" + c.length);
        EXPECT_EQ(b.line(Field::Out), "Out=" + c.length);
        EXPECT_EQ(b.line(Field::Mix), "Mix=00:00.000");
        EXPECT_EQ(b.line(Field::NwK), "NwK=" + c.length);
        EXPECT_EQ(b.line(Field::FOu), "FOu=" + c.length);
        EXPECT_EQ(b.line(Field::Ide), c.ide);
        EXPECT_EQ(b.line(Field::Tyt),
                  "Tyt=Wiadomo\x9C"
                  "ci");
        EXPECT_EQ(b.line(Field::Wyk), "Wyk=BREAK");
        EXPECT_EQ(b.line(Field::Adr), c.adr);
        for (const Field empty :
             {Field::Int, Field::Pta, Field::Kom, Field::Atr, Field::Wyd, Field::Rok, Field::Zak,
              Field::FOT, Field::NwP, Field::FIn, Field::FIT, Field::Pro, Field::BPM, Field::Wzm,
              Field::Kac, Field::KFI, Field::KFO}) {
            EXPECT_TRUE(b.empty(empty)) << key(empty);
        }
        EXPECT_EQ(b.CzasNwK, c.lengthMs);
        EXPECT_EQ(b.CzasMix, 0);
        EXPECT_EQ(b.CzasGrania, c.lengthMs);
    }
}

const std::string kSygnal = "C:\\Dzwieki\\sygnal.mp3";

INSTANTIATE_TEST_SUITE_P(
    Matrix, BreakListTable,
    ::testing::Values(BreakListCase{"TwoMarkers",
                                    "00100000000100000",
                                    30,
                                    false,
                                    "",
                                    {"Emi=08:00:00.000", "Emi=17:00:00.000"},
                                    "00:30.000",
                                    30'000,
                                    "Ide=--------",
                                    ""},
                      BreakListCase{"SoundItems",
                                    "00100000000100000",
                                    30,
                                    true,
                                    kSygnal,
                                    {"Emi=08:00:00.000", "Emi=17:00:00.000"},
                                    "00:30.000",
                                    30'000,
                                    "Ide=sygnal",
                                    "Adr=" + kSygnal},
                      BreakListCase{"SoundFolderHasNoName",
                                    "1",
                                    10,
                                    true,
                                    "C:\\Dzwieki\\",
                                    {"Emi=06:00:00.000"},
                                    "00:10.000",
                                    10'000,
                                    "Ide=",
                                    "Adr=C:\\Dzwieki\\"},
                      BreakListCase{"SoundEmptyPath",
                                    "1",
                                    10,
                                    true,
                                    "",
                                    {"Emi=06:00:00.000"},
                                    "00:10.000",
                                    10'000,
                                    "Ide=",
                                    "Adr="},
                      BreakListCase{"NinetySeconds",
                                    "10000000000000000",
                                    90,
                                    false,
                                    "",
                                    {"Emi=06:00:00.000"},
                                    "01:30.000",
                                    90'000,
                                    "Ide=--------",
                                    ""},
                      BreakListCase{"HourDroppedFromText",
                                    "00000000000000001",
                                    3600,
                                    false,
                                    "",
                                    {"Emi=22:00:00.000"},
                                    "00:00.000",
                                    3'600'000,
                                    "Ide=--------",
                                    ""},
                      BreakListCase{"LengthZero",
                                    "1",
                                    0,
                                    false,
                                    "",
                                    {"Emi=06:00:00.000"},
                                    "00:00.000",
                                    0,
                                    "Ide=--------",
                                    ""},
                      BreakListCase{
                          "NoBreaks", std::string(17, '0'), 10, false, "", {}, "", 0, "", ""},
                      BreakListCase{"EmptyLine", "", 10, false, "", {}, "", 0, "", ""},
                      BreakListCase{"ShortLine",
                                    "1111",
                                    10,
                                    false,
                                    "",
                                    {"Emi=06:00:00.000", "Emi=07:00:00.000", "Emi=08:00:00.000",
                                     "Emi=09:00:00.000"},
                                    "00:10.000",
                                    10'000,
                                    "Ide=--------",
                                    ""},
                      BreakListCase{"OtherCharactersAreNoBreak",
                                    "0x1 2Y",
                                    10,
                                    false,
                                    "",
                                    {"Emi=08:00:00.000"},
                                    "00:10.000",
                                    10'000,
                                    "Ide=--------",
                                    ""},
                      // The whole line is examined: position 17 is 23:00, position 94 is hour 100,
                      // whose line reads back as 10:00 (only two hour digits are read).
                      BreakListCase{"BeyondTheGrid",
                                    std::string(17, '0') + "1" + std::string(76, '0') + "1",
                                    10,
                                    false,
                                    "",
                                    {"Emi=23:00:00.000", "Emi=100:00:00.000"},
                                    "00:10.000",
                                    10'000,
                                    "Ide=--------",
                                    ""}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(BreakSoundName, TakesTheFileNameLessItsLastExtension) {
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\Dzwieki\\sygnal.mp3", "sygnal"},
        {"/srv/audio/news.jingle.wav", "news.jingle"},
        {"D:sygnal.mp3", "sygnal"},
        {"sygnal", "sygnal"},
        {"/srv/audio.d/sygnal", "sygnal"},
        {"/srv/audio/.mp3", ""},
        {"C:\\Dzwieki\\", ""},
        {"", ""},
    };
    for (const auto& [path, name] : cases) {
        EXPECT_EQ(breakSoundName(path), name) << path;
    }
}

TEST(BreakList, LongSoundPathIsCutToTheFieldCapacity) {
    Lists lists;
    CompileSettings settings;
    settings.sound = {true, "/" + std::string(300, 'a') + "/" + std::string(60, 'b') + ".wav"};
    Compiler(lists, settings).UtworzListeBreak("1");
    ASSERT_EQ(lists.ListaBreak.size(), 1u);
    EXPECT_EQ(lists.ListaBreak[0].line(Field::Ide), "Ide=" + std::string(46, 'b'));
    EXPECT_EQ(lists.ListaBreak[0].line(Field::Adr), "Adr=" + settings.sound.path.substr(0, 246));
}

TEST(BreakList, ReplacesThePreviousBreakList) {
    Lists lists;
    lists.ListaBreak.push_back(item("old", 0, 1));
    Compiler(lists, CompileSettings{}).UtworzListeBreak("");
    EXPECT_TRUE(lists.ListaBreak.empty());
}

}  // namespace
}  // namespace kalmero
