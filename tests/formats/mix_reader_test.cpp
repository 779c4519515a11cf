#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <utility>
#include <vector>

#include "formats/mix_file.h"
#include "formats/test_support.h"
#include "model/file_error.h"

namespace kalmero {
namespace {

using namespace std::string_literals;
using test::RecordingWindow;
using test::Row;
using test::TempFolder;

// What one loaded entry must hold: the non-empty field lines and the four counts.
struct Expected {
    std::vector<std::pair<Pole, std::string>> lines;
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
        const auto f = static_cast<Pole>(i);
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

class MixReader : public ::testing::Test {
protected:
    Lists load(std::string_view bytes) {
        test::writeBytes(folder / "day.mix", bytes);
        Lists lists;
        otworzPlikMIX(folder / "day.mix", lists, window);
        return lists;
    }

    TempFolder folder;
    RecordingWindow window;
};

TEST_F(MixReader, RecognisesRecordsAsTheFileLaysThemOut) {
    const std::string polish =
        "Tyt=Wiadomo\x9C"
        "ci \xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF";
    const std::string longTitle = "Tyt=" + std::string(56, 't');
    const std::string longPath = "Adr=" + std::string(256, 'p');
    const ReaderCase cases[] = {
        {"CR LF, lone LF and lone CR all end lines",
         "Emi=12:00:00.000\r\nTyp=SND\nWyk=A\rTyt=B\r\nKONIEC OPISU\r\n",
         {{{{Pole::Emi, "Emi=12:00:00.000"},
            {Pole::Typ, "Typ=SND"},
            {Pole::Wyk, "Wyk=A"},
            {Pole::Tyt, "Tyt=B"}},
           43'200'000}}},
        {"a CR directly before CR LF is a line end of its own",
         "Typ=SND\r\r\nKONIEC OPISU",
         {{{{Pole::Typ, "Typ=SND"}}}}},
        {"the last line needs no line end",
         "Typ=JNG\r\nKONIEC OPISU",
         {{{{Pole::Typ, "Typ=JNG"}}}}},
        {"a NUL ends the text",
         "Typ=SND\r\nKONIEC OPISU\r\n\0Typ=JNG\r\nKONIEC OPISU\r\n"s,
         {{{{Pole::Typ, "Typ=SND"}}}}},
        {"a NUL inside a record drops the rest of it",
         "Typ=SND\r\nKONIEC OPISU\r\nTyt=ab\0c\r\nKONIEC OPISU\r\n"s,
         {{{{Pole::Typ, "Typ=SND"}}}}},
        {"the emission key in any letter case, stored as written",
         "EMI=01:00:00.000\r\nKONIEC\r\nemi=02:00:00.000\r\nKONIEC\r\neMi=03:00:00."
         "000\r\nKONIEC\r\n",
         {{{{Pole::Emi, "EMI=01:00:00.000"}}, 3'600'000},
          {{{Pole::Emi, "emi=02:00:00.000"}}, 7'200'000},
          {{{Pole::Emi, "eMi=03:00:00.000"}}, 10'800'000}}},
        {"other keys only in their exact case",
         "TYP=SND\r\ntyt=x\r\nWYK=y\r\nTyp=JNG\r\nKONIEC OPISU\r\n",
         {{{{Pole::Typ, "Typ=JNG"}}}}},
        {"the fourth character is not looked at",
         "Tyt:abc\r\nWykonawca\r\nKONIEC\r\n",
         {{{{Pole::Tyt, "Tyt:abc"}, {Pole::Wyk, "Wykonawca"}}}}},
        {"KON alone does not close, KONTROLA does; kon does not",
         "Tyt=a\r\nKON\r\nkonIEC\r\nWyk=b\r\nKONTROLA\r\n",
         {{{{Pole::Tyt, "Tyt=a"}, {Pole::Wyk, "Wyk=b"}}}}},
        {"a later line of the same key replaces the earlier",
         "Tyt=first\r\nTyt=second\r\nKONIEC OPISU\r\n",
         {{{{Pole::Tyt, "Tyt=second"}}}}},
        {"lines in any order",
         "Adr=C:\\a.mp3\r\nTyt=t\r\nEmi=00:00:01.000\r\nKONIEC OPISU\r\n",
         {{{{Pole::Adr, "Adr=C:\\a.mp3"}, {Pole::Tyt, "Tyt=t"}, {Pole::Emi, "Emi=00:00:01.000"}},
           1000}}},
        {"lines of three characters or fewer, headers and separators are skipped",
         "WERSJA=2\r\nPOZYCJI=1\r\n; ----------------------------------\r\n\r\nTyt\r\nTy\r\n"
         " Emi=01:00:00.000\r\nTyt=\r\nKONIEC OPISU\r\n",
         {{{{Pole::Tyt, "Tyt="}}}}},
        {"a byte-order mark stays part of the first line",
         "\xEF\xBB\xBF"
         "Emi=01:00:00.000\r\nTyp=SND\r\nKONIEC\r\n",
         {{{{Pole::Typ, "Typ=SND"}}}}},
        {"over-long lines are cut to their field's capacity",
         longTitle + "\r\n" + longPath + "\r\nKONIEC\r\n",
         {{{{Pole::Tyt, longTitle.substr(0, 50)}, {Pole::Adr, longPath.substr(0, 250)}}}}},
        {"Windows-1250 bytes pass through unchanged",
         polish + "\r\nKONIEC\r\n",
         {{{{Pole::Tyt, polish}}}}},
        {"an unfinished last record is dropped",
         "Tyt=a\r\nKONIEC OPISU\r\nTyt=b\r\nEmi=01:00:00.000\r\n",
         {{{{Pole::Tyt, "Tyt=a"}}}}},
        {"fields do not leak into the next record",
         "Tyt=a\r\nWyk=w\r\nKONIEC\r\nTyt=b\r\nKONIEC\r\n",
         {{{{Pole::Tyt, "Tyt=a"}, {Pole::Wyk, "Wyk=w"}}}, {{{Pole::Tyt, "Tyt=b"}}}}},
        {"an empty file", "", {}},
        {"no closing line at all", "Emi=01:00:00.000\r\nTyp=SND\r\n", {}},
        {"an empty record still counts", "KONIEC OPISU\r\n", std::vector<Expected>(1)},
    };
    for (const ReaderCase& c : cases) {
        window = RecordingWindow{};
        const Lists lists = load(c.file);
        ASSERT_EQ(lists.ListaMIX.size(), c.entries.size()) << c.name;
        for (std::size_t i = 0; i < c.entries.size(); ++i) {
            expectEntry(lists.ListaMIX[i], c.entries[i],
                        std::string(c.name) + " #" + std::to_string(i));
        }
        EXPECT_EQ(window.rows.size(), c.entries.size()) << c.name;
    }
}

TEST_F(MixReader, DerivesCueCountsByTheLineLength) {
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
        const Lists lists = load(file + "KONIEC OPISU\r\n");
        ASSERT_EQ(lists.ListaMIX.size(), 1u) << c.nwk << " " << c.mix;
        const TPozycja& r = lists.ListaMIX[0];
        EXPECT_EQ(r.CzasNwK, c.nwkMs) << c.nwk;
        EXPECT_EQ(r.CzasMix, c.mixMs) << c.mix;
        EXPECT_EQ(r.CzasGrania, c.nwkMs - c.mixMs) << c.nwk << " " << c.mix;
        EXPECT_EQ(r.CzasStart, 0);
    }
}

TEST_F(MixReader, ShowsRowsStatusAndProgress) {
    const Lists lists = load(
        "WERSJA=2\r\nPOZYCJI=3\r\n"
        "Emi=06:00:00.000\r\nWyk=Artysta\r\nTyt=Tytu\xB3\r\nKONIEC OPISU\r\n"
        "Tyt=Bez wykonawcy\r\nKONIEC OPISU\r\n"
        "Emi=06:10:00.000\r\nKONIEC OPISU\r\n"
        "Tyt=unfinished\r\n");
    ASSERT_EQ(lists.ListaMIX.size(), 3u);
    const std::vector<Row> rows = {
        {View::Playlist, 0, "06:00:00.000", "Artysta - Tytu\xB3"},
        {View::Playlist, 1, "", " - Bez wykonawcy"},
        {View::Playlist, 2, "06:10:00.000", " - "},
    };
    EXPECT_EQ(window.rows, rows);
    EXPECT_EQ(window.clears, 1);
    const std::vector<std::string> statuses = {"Ładowanie pliku MIX...",
                                               "Ładowanie pliku MIX - gotowe!"};
    EXPECT_EQ(window.statuses, statuses);
    EXPECT_EQ(window.gaugeMax, 11);
    EXPECT_EQ(window.gaugeProgress, 11);
    EXPECT_FALSE(window.gaugeWentBack);
    EXPECT_EQ(window.eventTurns, 11);
}

TEST_F(MixReader, ALoadReplacesTheListAndItsRowsOnly) {
    test::writeBytes(folder / "a.mix", "Tyt=1\r\nKONIEC\r\nTyt=2\r\nKONIEC\r\n");
    test::writeBytes(folder / "b.mix", "Tyt=3\r\nKONIEC\r\n");
    Lists lists;
    lists.ListaWynikowa.emplace_back().set(Pole::Tyt, "Tyt=result");
    window.appendRow(View::Result, 0, "r", "r");
    otworzPlikMIX(folder / "a.mix", lists, window);
    otworzPlikMIX(folder / "b.mix", lists, window);
    ASSERT_EQ(lists.ListaMIX.size(), 1u);
    EXPECT_EQ(lists.ListaMIX[0].line(Pole::Tyt), "Tyt=3");
    EXPECT_EQ(lists.ListaWynikowa.size(), 1u);
    const std::vector<Row> rows = {{View::Result, 0, "r", "r"}, {View::Playlist, 0, "", " - 3"}};
    EXPECT_EQ(window.rows, rows);
}

TEST_F(MixReader, AFileThatCannotBeReadLeavesListAndViewEmpty) {
    ASSERT_EQ(::mkfifo((folder / "pipe.mix").c_str(), 0600), 0);
    ::mkdir((folder / "dir.mix").c_str(), 0700);
    test::writeBytes(folder / "plain", "x");
    struct FailCase {
        std::string path;
        std::string message;
    };
    const FailCase cases[] = {
        {folder / "missing.mix",
         "Cannot open file \"" + folder / "missing.mix" + "\". No such file or directory"},
        {folder / "dir.mix", "Cannot open file \"" + folder / "dir.mix" + "\". Is a directory"},
        // A FIFO must be refused at once, not waited on for a writer.
        {folder / "pipe.mix",
         "Cannot open file \"" + folder / "pipe.mix" + "\". Not a regular file"},
        {"/dev/zero", "Cannot open file \"/dev/zero\". Not a regular file"},
        {folder / "plain/x.mix",
         "Cannot open file \"" + folder / "plain/x.mix" + "\". Not a directory"},
    };
    for (const FailCase& c : cases) {
        window = RecordingWindow{};
        window.setStatus("previous");
        Lists lists;
        lists.ListaMIX.resize(2);
        window.appendRow(View::Playlist, 0, "old", "old");
        try {
            otworzPlikMIX(c.path, lists, window);
            ADD_FAILURE() << "no error for " << c.path;
        } catch (const FileError& error) {
            EXPECT_EQ(std::string(error.what()), c.message);
        }
        EXPECT_TRUE(lists.ListaMIX.empty()) << c.path;
        EXPECT_TRUE(window.rows.empty()) << c.path;
        EXPECT_EQ(window.statuses, std::vector<std::string>{"previous"}) << c.path;
    }
}

}  // namespace
}  // namespace kalmero
