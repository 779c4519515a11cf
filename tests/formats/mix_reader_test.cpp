#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "formats/mix_file.h"
#include "formats/test_support.h"

namespace kalmero {
namespace {

using namespace std::string_literals;

// What one loaded entry must hold: the non-empty field lines and the four counts.
struct Expected {
    std::vector<std::pair<Field, std::string>> lines;
    std::int64_t start = 0;
    std::int64_t nwk = 0;
    std::int64_t mix = 0;
};

struct ReaderCase {
    const char* name;
    std::string file;
    std::vector<Expected> entries;
};

void expectEntry(const TPozycja& r, const Expected& e, const std::string& context) {
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        const auto f = static_cast<Field>(i);
        std::string want;
        for (const auto& [field, line] : e.lines) {
            if (field == f) {
                want = line;
            }
        }
        EXPECT_EQ(r.line(f), want) << context << " field " << key(f);
    }
    EXPECT_EQ(r.CzasStart, e.start) << context;
    EXPECT_EQ(r.CzasNwK, e.nwk) << context;
    EXPECT_EQ(r.CzasMix, e.mix) << context;
    EXPECT_EQ(r.CzasGrania, e.nwk - e.mix) << context;
}

TEST(MixReader, RecognisesRecordsAsTheFileLaysThemOut) {
    const std::string polish =
        "Tyt=Wiadomo\x9C"
        "ci \xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF";
    const std::string longTitle = "Tyt=" + std::string(56, 't');
    const std::string longPath = "Adr=" + std::string(256, 'p');
    const ReaderCase cases[] = {
        {"CR LF, lone LF and lone CR all end lines",
         "Emi=12:00:00.000\r\nTyp=SND\nWyk=A\rTyt=B\r\nKONIEC OPISU\r\n",
         {{{{Field::Emi, "Emi=12:00:00.000"},
            {Field::Typ, "Typ=SND"},
            {Field::Wyk, "Wyk=A"},
            {Field::Tyt, "Tyt=B"}},
           43'200'000}}},
        {"a CR directly before CR LF is a line end of its own",
         "Typ=SND\r\r\nKONIEC OPISU",
         {{{{Field::Typ, "Typ=SND"}}}}},
        {"the last line needs no line end",
         "Typ=JNG\r\nKONIEC OPISU",
         {{{{Field::Typ, "Typ=JNG"}}}}},
        {"a NUL ends the text",
         "Typ=SND\r\nKONIEC OPISU\r\n\0Typ=JNG\r\nKONIEC OPISU\r\n"s,
         {{{{Field::Typ, "Typ=SND"}}}}},
        {"a NUL inside a record drops the rest of it",
         "Typ=SND\r\nKONIEC OPISU\r\nTyt=ab\0c\r\nKONIEC OPISU\r\n"s,
         {{{{Field::Typ, "Typ=SND"}}}}},
        {"the emission key in any letter case, stored as written",
         "EMI=01:00:00.000\r\nKONIEC\r\nemi=02:00:00.000\r\nKONIEC\r\neMi=03:00:00."
         "000\r\nKONIEC\r\n",
         {{{{Field::Emi, "EMI=01:00:00.000"}}, 3'600'000},
          {{{Field::Emi, "emi=02:00:00.000"}}, 7'200'000},
          {{{Field::Emi, "eMi=03:00:00.000"}}, 10'800'000}}},
        {"other keys only in their exact case",
         "TYP=SND\r\ntyt=x\r\nWYK=y\r\nTyp=JNG\r\nKONIEC OPISU\r\n",
         {{{{Field::Typ, "Typ=JNG"}}}}},
        {"the fourth character is not looked at",
         "Tyt:abc\r\nWykonawca\r\nKONIEC\r\n",
         {{{{Field::Tyt, "Tyt:abc"}, {Field::Wyk, "Wykonawca"}}}}},
        {"KON alone does not close, KONTROLA does; kon does not",
         "Tyt=a\r\nKON\r\nkonIEC\r\nWyk=b\r\nKONTROLA\r\n",
         {{{{Field::Tyt, "Tyt=a"}, {Field::Wyk, "Wyk=b"}}}}},
        {"a later line of the same key replaces the earlier",
         "Tyt=first\r\nTyt=second\r\nKONIEC OPISU\r\n",
         {{{{Field::Tyt, "Tyt=second"}}}}},
        {"lines in any order",
         "Adr=C:\\a.mp3\r\nTyt=t\r\nEmi=00:00:01.000\r\nKONIEC OPISU\r\n",
         {{{{Field::Adr, "Adr=C:\\a.mp3"}, {Field::Tyt, "Tyt=t"}, {Field::Emi, "Emi=00:00:01.000"}},
           1000}}},
        {"lines of three characters or fewer, headers and separators are skipped",
         "WERSJA=2\r\nPOZYCJI=1\r\n; ----------------------------------\r\n\r\nTyt\r\nTy\r\n"
         " Emi=01:00:00.000\r\nTyt=\r\nKONIEC OPISU\r\n",
         {{{{Field::Tyt, "Tyt="}}}}},
        {"a byte-order mark stays part of the first line",
         "\xEF\xBB\xBF"
         "Emi=01:00:00.000\r\nTyp=SND\r\nKONIEC\r\n",
         {{{{Field::Typ, "Typ=SND"}}}}},
        {"over-long lines are cut to their field's capacity",
         longTitle + "\r\n" + longPath + "\r\nKONIEC\r\n",
         {{{{Field::Tyt, longTitle.substr(0, 50)}, {Field::Adr, longPath.substr(0, 250)}}}}},
        {"Windows-1250 bytes pass through unchanged",
         polish + "\r\nKONIEC\r\n",
         {{{{Field::Tyt, polish}}}}},
        {"an unfinished last record is dropped",
         "Tyt=a\r\nKONIEC OPISU\r\nTyt=b\r\nEmi=01:00:00.000\r\n",
         {{{{Field::Tyt, "Tyt=a"}}}}},
        {"fields do not leak into the next record",
         "Tyt=a\r\nWyk=w\r\nKONIEC\r\nTyt=b\r\nKONIEC\r\n",
         {{{{Field::Tyt, "Tyt=a"}, {Field::Wyk, "Wyk=w"}}}, {{{Field::Tyt, "Tyt=b"}}}}},
        {"an empty file", "", {}},
        {"no closing line at all", "Emi=01:00:00.000\r\nTyp=SND\r\n", {}},
        {"an empty record still counts", "KONIEC OPISU\r\n", std::vector<Expected>(1)},
    };
    for (const ReaderCase& c : cases) {
        const Lista records = otworzPlikMIX(c.file);
        ASSERT_EQ(records.size(), c.entries.size()) << c.name;
        for (std::size_t i = 0; i < c.entries.size(); ++i) {
            expectEntry(records[i], c.entries[i], std::string(c.name) + " #" + std::to_string(i));
        }
    }
}

TEST(MixReader, DerivesCueCountsByTheLineLength) {
    struct CueCase {
        std::string nwk;
        std::string mix;
        std::int64_t nwkMs;
        std::int64_t mixMs;
    };
    const CueCase cases[] = {
        {"NwK=03:30.000", "Mix=03:20.000", 210'000, 200'000},  // duration form, 13 characters
        {"", "Mix=00:00:05.000", 0, 5'000},                    // emission form, 16 characters
        {"NwK=01:00:00.000", "", 3'600'000, 0},
        {"", "Mix=0:05.000", 0, 0},                      // 12 characters: emission form
        {"NwK=03:30.0000", "", 12'600'000, 0},           // 14 characters: emission form
        {"NwK=aa:bb.ccc", "Mix=$A:01.000", 0, 601'000},  // groups read by themselves
        {"NwK=" + std::string(60, '1'), "", 11LL * 3'600'000 + 11 * 60'000 + 11'000 + 111, 0},
    };
    for (const CueCase& c : cases) {
        std::string file;
        for (const std::string* line : {&c.nwk, &c.mix}) {
            if (!line->empty()) {
                file += *line + "\r\n";
            }
        }
        const Lista records = otworzPlikMIX(file + "KONIEC OPISU\r\n");
        ASSERT_EQ(records.size(), 1u) << c.nwk << " " << c.mix;
        const TPozycja& r = records[0];
        EXPECT_EQ(r.CzasNwK, c.nwkMs) << c.nwk;
        EXPECT_EQ(r.CzasMix, c.mixMs) << c.mix;
        EXPECT_EQ(r.CzasGrania, c.nwkMs - c.mixMs) << c.nwk << " " << c.mix;
        EXPECT_EQ(r.CzasStart, 0);
    }
}

TEST(MixReader, TellsWhatTheTextSaysOfItself) {
    struct NotesCase {
        std::string file;
        std::size_t ignored;
        std::optional<std::int64_t> announced;
        std::size_t unfinishedFrom = 0;
    };
    const NotesCase cases[] = {
        {"WERSJA=2\r\nPOZYCJI=3\r\nKONIEC\r\n", 0, 3},
        {"POZYCJI=x\r\nKONIEC\r\n\0tail"s, 5, std::nullopt},
        {"KONIEC\r\n", 0, std::nullopt},
        {"WERSJA=2\r\n; --\r\nTyt=a\r\nKONIEC OPISU\r\n; --\r\nEmi=01:00:00.000\r\nTyt=b\r\n", 0,
         std::nullopt, 5},
        {"KONIEC\r\nTyt=b\r\n", 0, std::nullopt, 2},
    };
    for (const NotesCase& c : cases) {
        Lista records;
        const MixReadNotes notes = otworzPlikMIX(c.file, records);
        EXPECT_EQ(notes.ignoredAfterNul, c.ignored) << c.file;
        EXPECT_EQ(notes.announced, c.announced) << c.file;
        EXPECT_EQ(notes.unfinishedFrom, c.unfinishedFrom) << c.file;
    }
}

TEST(MixReader, ReportsStepsUpToTheLineCountNeverBack) {
    for (const std::size_t lines : {std::size_t{11}, std::size_t{600}}) {
        std::string file;
        for (std::size_t n = 0; n < lines; ++n) {
            file += n % 2 == 0 ? "Tyt=x\r\n" : "KONIEC\r\n";
        }
        Lista records;
        records.resize(9);  // replaced, not appended to
        test::expectSteps([&](const LineSteps& steps) { otworzPlikMIX(file, records, steps); },
                          lines);
        EXPECT_EQ(records.size(), lines / 2);
    }
}

}  // namespace
}  // namespace kalmero
