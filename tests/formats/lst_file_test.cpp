#include "formats/lst_file.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "formats/test_support.h"

namespace kalmero {
namespace {

// A meter with fixed answers that counts how often each path was asked for.
struct FakeMeter {
    std::map<std::string, SpotMeasure> lengths;
    std::map<std::string, int> calls;

    SpotMeasurer meter() {
        return [this](std::string_view path) {
            ++calls[std::string(path)];
            const auto found = lengths.find(std::string(path));
            return found == lengths.end() ? SpotMeasure{} : found->second;
        };
    }
};

class LstFileTest : public ::testing::Test {
protected:
    void load(std::string_view bytes, const LineSteps& steps = {}) {
        OtworzPlikLST(bytes, meter.meter(), spots, problems, steps);
    }

    const TPozycja& spot(std::size_t i) const { return spots.at(i); }

    Lista spots;
    std::vector<std::string> problems;
    FakeMeter meter;
};

TEST_F(LstFileTest, BuildsAnAdvertRecordPerSpot) {
    meter.lengths["C:\\spoty\\Pizza.Mama.mp3"] = SpotMeasure{30'500};
    load("07:15:00\r\nC:\\spoty\\Pizza.Mama.mp3\r\n");

    ASSERT_EQ(spots.size(), 1u);
    const TPozycja& s = spot(0);
    const std::pair<Field, std::string> expected[] = {
        {Field::Emi, "Emi=07:15:00.000"},
        {Field::Typ, "Typ=REK"},
        {Field::Trw, "Trw=00:30.500"},
        {Field::Out, "Out=00:30.500"},
        {Field::Mix, "Mix=00:00.000"},
        {Field::NwK, "NwK=00:30.500"},
        {Field::FOu, "FOu=00:30.500"},
        {Field::Ide, "Ide=Pizza.Mama"},
        {Field::Tyt, "Tyt=Pizza.Mama"},
        {Field::Wyk, "Wyk=reklama"},
        {Field::Adr, "Adr=C:\\spoty\\Pizza.Mama.mp3"},
    };
    std::size_t filled = 0;
    for (const auto& [field, line] : expected) {
        EXPECT_EQ(s.line(field), line) << key(field);
    }
    for (std::size_t f = 0; f < kFieldCount; ++f) {
        filled += s.empty(static_cast<Field>(f)) ? 0 : 1;
    }
    EXPECT_EQ(filled, std::size(expected));
    EXPECT_EQ(s.CzasStart, 26'100'000);
    EXPECT_EQ(s.CzasNwK, 30'500);
    EXPECT_EQ(s.CzasMix, 0);
    EXPECT_EQ(s.CzasGrania, 30'500);
}

struct LayoutCase {
    const char* what;
    std::string file;
    std::vector<std::string> emi;   // Emi values of the records, in order
    std::vector<std::string> name;  // Tyt values
};

TEST_F(LstFileTest, PairsTimeAndPathLinesByLineNumber) {
    const LayoutCase cases[] = {
        {"blank-led hours, and a block of two",
         " 9:15:00\r\na.mp3\r\n 9:15:00\r\nb.mp3\r\n10:00:00\r\nc.mp3\r\n",
         {"09:15:00.000", "09:15:00.000", "10:00:00.000"},
         {"a", "b", "c"}},
        {"text after the eighth character plays no part",
         "12:00:00 blok 1\nd.wav\n",
         {"12:00:00.000"},
         {"d"}},
        {"every blank of the first eight is a 0", "1 : 5: 0x\ne.mp3\n", {"10:05:00.000"}, {"e"}},
        {"a short time line", "7:5\nf.mp3\n", {"7:5.000"}, {"f"}},
        {"an empty line shifts the pairing",
         "08:00:00\ra.mp3\r\r09:00:00\rb.mp3\r10:00:00\rc.mp3\rd.mp3\r",
         {"08:00:00.000", "b.mp3.000", "c.mp3.000"},
         {"a", "00", "d"}},
        {"blank and control-only lines at even numbers are skipped with their path line",
         " \t\r\nx.mp3\r\n\x01\x1f\x20\r\ny.mp3\r\n06:00:00\r\nz.mp3\r\n",
         {"06:00:00.000"},
         {"z"}},
        {"a time line that is the last line is dropped; spots before it stay",
         "06:00:00\na.mp3\n07:00:00\n",
         {"06:00:00.000"},
         {"a"}},
        {"a NUL byte does not end the text, only its path line",
         std::string("06:00:00\na\0b.mp3\n07:00:00\nc.mp3\n", 30),
         {"06:00:00.000", "07:00:00.000"},
         {"a", "c"}},
        {"an empty file", "", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        load(c.file);
        std::vector<std::string> emi;
        std::vector<std::string> name;
        for (const auto& s : spots) {
            emi.emplace_back(s.value(Field::Emi));
            name.emplace_back(s.value(Field::Tyt));
        }
        EXPECT_EQ(emi, c.emi);
        EXPECT_EQ(name, c.name);
        EXPECT_EQ(problems.size(), spots.size());
    }
}

TEST_F(LstFileTest, NotesEveryLineItsRecordsDontShowAsWritten) {
    using Kind = LstLineNote::Kind;
    struct NoteCase {
        const char* what;
        std::string file;
        std::vector<std::tuple<Kind, std::size_t, std::string>> notes;  // kind, line, text
    };
    const std::string path246 = std::string(246, 'p');
    const std::string path247 = std::string(247, 'p');
    const std::string path300 = std::string(300, 'p');
    const NoteCase cases[] = {
        {"a well-formed list", " 9:15:00\na.mp3\n23:59:59 blok\nb.mp3\n", {}},
        {"a blank line between records shifts the pairing",
         "08:00:00\na.mp3\n\n09:00:00\nb.mp3\n10:00:00\n",
         {{Kind::Skipped, 4, "09:00:00"}, {Kind::BadTime, 5, "b.mp3"}}},
        {"a blank time line loses its booking",
         " \t\nx.mp3\n06:00:00\nz.mp3\n",
         {{Kind::Skipped, 2, "x.mp3"}}},
        {"blank lines alone lose nothing", "06:00:00\nz.mp3\n\n\n \n", {}},
        {"a time line with no path line",
         "06:00:00\na.mp3\n07:00:00\n",
         {{Kind::Skipped, 3, "07:00:00"}}},
        {"pieces that are no numbers, or outside the day",
         "ab:cd:ef\na\n21474836\nb\n24:00:00\nc\n12:60:00\nd\n12:00:60\ne\n7:5\nf\n"
         "12-00-00\ng\n",
         {{Kind::BadTime, 1, "ab:cd:ef"},
          {Kind::BadTime, 3, "21474836"},
          {Kind::BadTime, 5, "24:00:00"},
          {Kind::BadTime, 7, "12:60:00"},
          {Kind::BadTime, 9, "12:00:60"},
          {Kind::BadTime, 11, "7:5"},
          {Kind::BadTime, 13, "12-00-00"}}},
        {"a path the field keeps whole, and those it cuts",
         "06:00:00\n" + path246 + "\n06:00:00\n" + path247 + "\n06:00:00\n" + path300 + "\n",
         {{Kind::PathTooLong, 4, path247.substr(0, kLstNoteText)},
          {Kind::PathTooLong, 6, path300.substr(0, kLstNoteText)}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<SpotMeasure> measures;
        const LstReadNotes notes = OtworzPlikLST(c.file, meter.meter(), spots, measures);
        std::vector<std::tuple<Kind, std::size_t, std::string>> got;
        for (const LstLineNote& n : notes.lines) {
            got.emplace_back(n.kind, n.line, n.text);
        }
        EXPECT_EQ(got, c.notes);
    }
    // A note on a spot's own line names that spot, and the line's whole length.
    std::vector<SpotMeasure> measures;
    const LstReadNotes notes =
        OtworzPlikLST("06:00:00\na\n06:00:00\n" + path247 + "\n", meter.meter(), spots, measures);
    ASSERT_EQ(notes.lines.size(), 1u);
    EXPECT_EQ(notes.lines[0].spot, 1u);
    EXPECT_EQ(notes.lines[0].length, 247u);
    // Skipped lines past the first thousand are counted, not kept.
    std::string blanks;
    for (std::size_t i = 0; i < kLstSkippedNoted + 2; ++i) {
        blanks += "\nx\n";
    }
    const LstReadNotes many = OtworzPlikLST(blanks, meter.meter(), spots, measures);
    EXPECT_EQ(many.lines.size(), kLstSkippedNoted);
    EXPECT_EQ(many.skippedUnnoted, 2u);
}

TEST_F(LstFileTest, NamesAndPathsAreCutToTheFieldCapacity) {
    const std::string long50(50, 'n');
    const std::string path260 = "D:\\" + std::string(257, 'p');
    struct NameCase {
        std::string pathLine;
        std::string ide;
        std::string adr;
    };
    const NameCase cases[] = {
        {"C:\\spoty\\Pizza.Mama.mp3", "Ide=Pizza.Mama", "Adr=C:\\spoty\\Pizza.Mama.mp3"},
        {"spoty/pizzeria.mp3", "Ide=pizzeria", "Adr=spoty/pizzeria.mp3"},
        {"C:spot.mp2", "Ide=spot", "Adr=C:spot.mp2"},
        {"/srv/a.b/bez_rozszerzenia", "Ide=bez_rozszerzenia", "Adr=/srv/a.b/bez_rozszerzenia"},
        {"/srv/.ukryty", "Ide=", "Adr=/srv/.ukryty"},
        {"", "Ide=", "Adr="},
        {"C:\\" + long50 + ".mp3", "Ide=" + long50.substr(0, 46), "Adr=C:\\" + long50 + ".mp3"},
        {path260, "Ide=" + std::string(46, 'p'), "Adr=" + path260.substr(0, 246)},
        {"E:\\Reklamy\\\xA3\xF3"
         "d\x9F.mp3",
         "Ide=\xA3\xF3"
         "d\x9F",
         "Adr=E:\\Reklamy\\\xA3\xF3"
         "d\x9F.mp3"},
        // The record ends at a NUL, and so does the path measured.
        {std::string("C:\\spo\0ty\\b.mp3", 15), "Ide=spo", "Adr=C:\\spo"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pathLine);
        meter.calls.clear();
        load("06:00:00\r\n" + c.pathLine + "\r\n");
        ASSERT_EQ(spots.size(), 1u);
        EXPECT_EQ(spot(0).line(Field::Ide), c.ide);
        EXPECT_EQ(spot(0).line(Field::Tyt), "Tyt" + c.ide.substr(3));
        EXPECT_EQ(spot(0).line(Field::Adr), c.adr);
        // The meter sees the path line cut to 250, not the 246 that the record keeps.
        ASSERT_EQ(meter.calls.size(), 1u);
        EXPECT_EQ(meter.calls.begin()->first,
                  c.pathLine.substr(0, std::min<std::size_t>(c.pathLine.find('\0'), 250)));
    }
}

TEST_F(LstFileTest, LengthsOfAnHourOrMoreDropTheHoursFromTheTextOnly) {
    meter.lengths["dlugi.mp3"] = SpotMeasure{3'723'000};
    load("06:00:00\r\ndlugi.mp3\r\n06:00:00\r\nbrak.mp3\r\n");
    ASSERT_EQ(spots.size(), 2u);
    EXPECT_EQ(spot(0).line(Field::Trw), "Trw=02:03.000");
    EXPECT_EQ(spot(0).line(Field::NwK), "NwK=02:03.000");
    EXPECT_EQ(spot(0).CzasNwK, 3'723'000);
    EXPECT_EQ(spot(0).CzasGrania, 3'723'000);
    // A file the meter can't measure stays in the list with length 0.
    EXPECT_EQ(spot(1).line(Field::FOu), "FOu=00:00.000");
    EXPECT_EQ(spot(1).CzasGrania, 0);
}

TEST_F(LstFileTest, MeasuresEachDistinctPathOncePerLoad) {
    meter.lengths["a.mp3"] = SpotMeasure{1000};
    meter.lengths["b.mp3"] = SpotMeasure{2000, SpotProblem::LengthDisagrees};
    const std::string file =
        "06:00:00\na.mp3\n06:00:00\nb.mp3\n07:00:00\na.mp3\n08:00:00\na.mp3\n09:00:00\nb.mp3\n";
    load(file);
    EXPECT_EQ((std::map<std::string, int>{{"a.mp3", 1}, {"b.mp3", 1}}), meter.calls);
    EXPECT_EQ(spot(3).CzasNwK, 1000);
    // A repeat keeps the first's problem text too, not only its length.
    EXPECT_EQ(problems, (std::vector<std::string>{"", "nagłówek podaje 0 ms, zdekodowano 0 ms", "",
                                                  "", "nagłówek podaje 0 ms, zdekodowano 0 ms"}));

    // Nothing is kept between loads: a file that changed is measured anew.
    meter.lengths["a.mp3"] = SpotMeasure{5000};
    load(file);
    EXPECT_EQ(meter.calls["a.mp3"], 2);
    EXPECT_EQ(spot(3).CzasNwK, 5000);
}

TEST_F(LstFileTest, ReportsAStepPerLineAndRemovesTheSpare) {
    std::size_t calls = 0;
    test::expectSteps(
        [&](const LineSteps& steps) {
            load("06:00:00\r\na.mp3\r\n\r\n07:00:00\r\nb.mp3\r\n",
                 [&](std::size_t done, std::size_t total) {
                     ++calls;
                     steps(done, total);
                 });
        },
        5);
    EXPECT_EQ(calls, 6u);
    EXPECT_EQ(spots.size(), 1u);

    test::expectSteps([&](const LineSteps& steps) { load("", steps); }, 0);
    EXPECT_TRUE(spots.empty());
    EXPECT_TRUE(problems.empty());
}

TEST_F(LstFileTest, AFailingMeterLeavesNoSpareRecord) {
    const SpotMeasurer failing = [](std::string_view path) {
        if (path == "zly.mp3") {
            throw std::runtime_error("meter failed");
        }
        return SpotMeasure{1};
    };
    EXPECT_THROW(OtworzPlikLST("06:00:00\na.mp3\n07:00:00\nzly.mp3\n", failing, spots, problems),
                 std::runtime_error);
    ASSERT_EQ(spots.size(), 1u);
    EXPECT_EQ(spot(0).value(Field::Tyt), "a");
}

}  // namespace
}  // namespace kalmero
