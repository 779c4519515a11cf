#include "session/session.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "formats/mix_file.h"
#include "model/czas.h"
#include "model/file_error.h"
#include "support/recording_progress.h"
#include "support/renames.h"
#include "support/session_probe.h"
#include "support/temp_folder.h"

namespace kalmero::test {
namespace {

using namespace std::string_literals;
using Strings = std::vector<std::string>;

const Strings kMixStatuses = {"Ładowanie pliku MIX...", "Ładowanie pliku MIX - gotowe!"};
const Strings kLstStatuses = {"Ładowanie pliku LST...", "Ładowanie pliku LST zakończone!"};
const Strings kCompileStatuses = {"Kompilowanie list...", "Kompilowanie list - gotowe!"};
const std::string kSaving = "Zapisywanie wynikowego pliku MIX...";

// Two items around noon, eleven lines.
const std::string kPlaylist =
    "WERSJA=2\r\nPOZYCJI=2\r\n"
    "Emi=11:58:00.000\r\nTyp=SND\r\nNwK=04:00.000\r\nTyt=A\r\nKONIEC OPISU\r\n"
    "Emi=12:02:00.000\r\nTyp=SND\r\nNwK=04:00.000\r\nKONIEC OPISU\r\n";

TPozycja titled(const std::string& title) {
    TPozycja r;
    r.set(Field::Tyt, "Tyt=" + title);
    return r;
}

class SessionTest : public ::testing::Test {
protected:
    SessionTest() {
        std::string week;
        for (int day = 0; day < 7; ++day) {
            week += "00000010000000000\r\n";  // a break at 12:00
        }
        folder.write("matryca.dat", week);
    }

    Outcome loadPlaylist(const std::string& bytes) {
        return session.otworzPlikMIX(folder.write("dzien.mix", bytes));
    }
    Outcome compile(BreakMode mode = BreakMode::Nearest, int weekday = 0) {
        holdMode(mode);
        return session.compile(weekday);
    }
    void holdMode(BreakMode mode, std::optional<BreakSound> sound = std::nullopt) {
        SettingOverrides overrides;
        overrides.mode = mode;
        overrides.breakSound = std::move(sound);
        session.overrideSettings(overrides);
    }
    Lists& lists() { return SessionProbe::lists(session); }
    static SpotMeasurer seconds(std::int64_t s) {
        return [s](std::string_view) { return SpotMeasure{s * 1000, ""}; };
    }

    TempFolder folder;
    RecordingProgress progress;
    Session session{{folder / "kalmero.ini", folder / "matryca.dat"}, progress, SessionTools{}};
};

// One command's report: its statuses, the one list it emptied and filled with `rows`, and
// a gauge that ran forward to `gauge`.
void expectShown(const RecordingProgress& progress, const Strings& statuses, ListId list,
                 std::size_t rows, std::int64_t gauge) {
    EXPECT_EQ(progress.statuses, statuses);
    EXPECT_EQ(progress.cleared, std::vector<ListId>{list});
    EXPECT_EQ(progress.rows.at(list), rows);
    EXPECT_EQ(progress.gaugeMaxValue, gauge);
    EXPECT_EQ(progress.gaugeDone, gauge);
    EXPECT_FALSE(progress.gaugeWentBack);
}

TEST_F(SessionTest, LoadingAPlaylistShowsItsStatusGaugeAndRows) {
    ASSERT_TRUE(loadPlaylist(kPlaylist).done());
    EXPECT_EQ(session.lists().ListaMIX.size(), 2u);
    expectShown(progress, kMixStatuses, ListId::Playlist, 2, 11);
    EXPECT_GE(progress.breaths, 1);
}

TEST_F(SessionTest, ShowsOneRowPerRecordRead) {
    const std::string files[] = {
        "KONIEC OPISU\r\n",
        "Typ=SND\r\nKONIEC OPISU\r\n\0Typ=JNG\r\nKONIEC OPISU\r\n"s,
        "Tyt=a\r\nKONIEC OPISU\r\nTyt=b\r\n",
        "",
    };
    for (const std::string& file : files) {
        loadPlaylist(file);
        EXPECT_EQ(progress.rows[ListId::Playlist], session.lists().ListaMIX.size()) << file;
        EXPECT_FALSE(progress.rowsWentBack) << file;
    }
}

TEST_F(SessionTest, APlaylistTellsWhatItsRecordsDoNotShow) {
    struct WarningCase {
        std::string file;
        Strings warnings;
    };
    const WarningCase cases[] = {
        {"POZYCJI=3\r\nKONIEC\r\n", {"Plik MIX zapowiada 3 pozycji, a zawiera tylko 1."}},
        {"KONIEC\r\n\0abc"s,
         {"Plik MIX zawiera bajt NUL w pozycji 2; pominięto 4 bajtów od niego do końca pliku."}},
        {kPlaylist, {}},
    };
    for (const WarningCase& c : cases) {
        EXPECT_EQ(loadPlaylist(c.file).warnings, c.warnings) << c.file;
    }
}

TEST_F(SessionTest, ALoadReplacesTheListAndItsRowsOnly) {
    lists().ListaWynikowa = {titled("result")};
    progress.rowsAppended(ListId::Result, 1);
    loadPlaylist("Tyt=1\r\nKONIEC\r\nTyt=2\r\nKONIEC\r\n");
    loadPlaylist("Tyt=3\r\nKONIEC\r\n");
    ASSERT_EQ(session.lists().ListaMIX.size(), 1u);
    EXPECT_EQ(session.lists().ListaMIX[0].line(Field::Tyt), "Tyt=3");
    EXPECT_EQ(session.lists().ListaWynikowa.size(), 1u);
    EXPECT_EQ(progress.rows[ListId::Result], 1u);
    EXPECT_EQ(progress.rows[ListId::Playlist], 1u);
}

TEST_F(SessionTest, AFileThatCannotBeReadLeavesListAndRowsEmptyAndTheStatusAsItWas) {
    ASSERT_EQ(::mkfifo((folder / "pipe.mix").c_str(), 0600), 0);
    ::mkdir((folder / "dir.mix").c_str(), 0700);
    folder.write("plain", "x");
    struct FailCase {
        std::string path;
        std::string message;
    };
    const FailCase cases[] = {
        {folder / "missing.mix", "Nie można otworzyć pliku \"" + folder / "missing.mix" +
                                     "\": nie ma takiego pliku ani katalogu"},
        {folder / "dir.mix",
         "Nie można otworzyć pliku \"" + folder / "dir.mix" + "\": to jest katalog"},
        // A FIFO must be refused at once, not waited on for a writer.
        {folder / "pipe.mix",
         "Nie można otworzyć pliku \"" + folder / "pipe.mix" + "\": to nie jest zwykły plik"},
        {"/dev/zero", "Nie można otworzyć pliku \"/dev/zero\": to nie jest zwykły plik"},
        {folder / "plain/x.mix", "Nie można otworzyć pliku \"" + folder / "plain/x.mix" +
                                     "\": część ścieżki nie jest katalogiem"},
    };
    for (const FailCase& c : cases) {
        ASSERT_TRUE(loadPlaylist(kPlaylist).done());
        ASSERT_TRUE(
            session.OtworzPlikLST(folder.write("r.lst", "06:00:00\na\n"), seconds(1)).done());
        progress.statuses.clear();
        for (const bool playlist : {true, false}) {
            const Outcome outcome = playlist ? session.otworzPlikMIX(c.path)
                                             : session.OtworzPlikLST(c.path, seconds(1));
            EXPECT_EQ(outcome.kind, Outcome::Kind::Failed) << c.path;
            EXPECT_EQ(outcome.message, c.message) << c.path;
        }
        EXPECT_TRUE(session.lists().ListaMIX.empty()) << c.path;
        EXPECT_TRUE(session.lists().ListaLST.empty()) << c.path;
        EXPECT_EQ(progress.rows[ListId::Playlist], 0u) << c.path;
        EXPECT_EQ(progress.rows[ListId::Adverts], 0u) << c.path;
        EXPECT_TRUE(progress.statuses.empty()) << c.path;
    }
}

TEST_F(SessionTest, LoadingAdvertsShowsItsStatusGaugeAndRows) {
    ASSERT_TRUE(loadPlaylist(kPlaylist).done());
    progress = RecordingProgress{};
    const std::string lst = folder.write("r.lst", "06:00:00\r\na.mp3\r\n\r\n07:00:00\r\nb.mp3\r\n");
    ASSERT_TRUE(session.OtworzPlikLST(lst, seconds(1)).done());
    expectShown(progress, kLstStatuses, ListId::Adverts, 1, 5);
    EXPECT_EQ(progress.breaths, 5);
    EXPECT_EQ(session.lists().ListaMIX.size(), 2u) << "other lists are not touched";

    ASSERT_TRUE(session.OtworzPlikLST(folder.write("r.lst", ""), seconds(1)).done());
    EXPECT_TRUE(session.lists().ListaLST.empty());
    EXPECT_EQ(progress.rows[ListId::Adverts], 0u);
    EXPECT_EQ(progress.gaugeMaxValue, 0);
    EXPECT_EQ(progress.statuses.back(), kLstStatuses.back());
}

TEST_F(SessionTest, ASpotCutShortIsNamedAndNotAccountedFor) {
    ASSERT_TRUE(loadPlaylist(kPlaylist).done());
    const SpotMeasurer measure = [](std::string_view path) {
        return path == "cut"
                   ? SpotMeasure{1000, "plik ucięty: nagłówek podaje 2000 ms, w pliku 1000 ms",
                                 "/srv/cut.mp3", SpotProblem::Cut}
                   : SpotMeasure{1000, ""};
    };
    const Outcome loaded = session.OtworzPlikLST(
        folder.write("r.lst", "11:59:00\r\nwhole\r\n11:59:00\r\ncut\r\n"), measure);
    ASSERT_TRUE(loaded.done());
    EXPECT_EQ(loaded.warnings, Strings{"Spot 11:59:00.000 /srv/cut.mp3: plik ucięty: nagłówek "
                                       "podaje 2000 ms, w pliku 1000 ms."});
    ASSERT_TRUE(compile().done());
    EXPECT_EQ(session.unaccountedSpots(), std::vector<std::size_t>{1}) << "placed once, yet cut";
}

TEST_F(SessionTest, CompileShowsItsStatusGaugeAndRows) {
    ASSERT_TRUE(loadPlaylist(kPlaylist).done());
    lists().ListaWynikowa = {titled("stale")};
    progress = RecordingProgress{};
    ASSERT_TRUE(compile().done());
    // The first item, the noon break after it, the second item.
    ASSERT_EQ(session.lists().ListaWynikowa.size(), 3u);
    EXPECT_EQ(session.lists().ListaWynikowa[1].line(Field::Typ), "Typ=BRK");
    expectShown(progress, kCompileStatuses, ListId::Result, 3, 2);
    EXPECT_EQ(session.lastCompile().itemsPlaced, 2u);
    EXPECT_EQ(session.lastCompile().breaksPlaced, 1u);
}

TEST_F(SessionTest, ACompileIsRefusedTouchingNothing) {
    struct RefusalCase {
        bool playlist;
        BreakMode mode;
        BreakSound sound;
        Refusal refusal;
        std::string text;
    };
    const RefusalCase cases[] = {
        {false, BreakMode::Nearest, {}, Refusal::EmptyPlaylist, "Lista MIX jest pusta!"},
        {true,
         BreakMode::NotSelected,
         {},
         Refusal::NoBreakMode,
         "Wybierz sposób wstawiania breaków!"},
        {true,
         BreakMode::Nearest,
         {true, "/a\r\nTyp=REK"},
         Refusal::LineBreakInSoundPath,
         "Ścieżka dźwięku breaka zawiera znak końca linii lub NUL i nie może trafić do pliku MIX!"},
        {true,
         BreakMode::Nearest,
         {true, "/a\0b"s},
         Refusal::LineBreakInSoundPath,
         std::string(refusalText(Refusal::LineBreakInSoundPath))},
    };
    for (const RefusalCase& c : cases) {
        session.clear();
        if (c.playlist) {
            loadPlaylist(kPlaylist);
        }
        lists().ListaWynikowa = {titled("old")};
        progress.statuses.clear();
        holdMode(c.mode, c.sound);
        const Outcome outcome = session.compile(0);
        EXPECT_EQ(outcome.kind, Outcome::Kind::Refused) << c.text;
        EXPECT_EQ(outcome.refusal, c.refusal) << c.text;
        EXPECT_EQ(outcome.message, c.text);
        EXPECT_EQ(refusalText(c.refusal), c.text);
        EXPECT_EQ(session.lists().ListaWynikowa.size(), 1u) << c.text;
        EXPECT_TRUE(session.lists().ListaBreak.empty()) << c.text;
        EXPECT_TRUE(progress.statuses.empty()) << c.text;
    }
}

TEST_F(SessionTest, AMatrixThatFailsKeepsThePreviousResult) {
    const std::string threeLines = "1\r\n1\n1\r";
    struct MatrixCase {
        std::optional<std::string> matrix;  // nullopt: no file
        int weekday;
        std::string message;
    };
    const MatrixCase cases[] = {
        {std::nullopt, 0, "Nie można otworzyć pliku"},
        {threeLines, 3, "nie ma wiersza dla dnia: czwartek (w pliku: 3 wiersze)"},
        {"", 0, "nie ma wiersza dla dnia: poniedziałek (w pliku: 0 wierszy)"},
        {"1\r\n", 1, "nie ma wiersza dla dnia: wtorek (w pliku: 1 wiersz)"},
        {std::string(7, '\n'), 7, "nie ma wiersza dla dnia: nr 7 (w pliku: 7 wierszy)"},
    };
    ASSERT_TRUE(loadPlaylist(kPlaylist).done());
    for (const MatrixCase& c : cases) {
        ::unlink((folder / "matryca.dat").c_str());
        if (c.matrix) {
            folder.write("matryca.dat", *c.matrix);
        }
        lists().ListaWynikowa = {titled("old")};
        lists().ListaBreak = {titled("stale")};
        const Outcome outcome = compile(BreakMode::Nearest, c.weekday);
        EXPECT_EQ(outcome.kind, Outcome::Kind::Failed);
        EXPECT_NE(outcome.message.find(c.message), std::string::npos) << outcome.message;
        EXPECT_EQ(session.lists().ListaWynikowa, Lista{titled("old")}) << c.message;
        EXPECT_EQ(session.lists().ListaBreak, Lista{titled("stale")}) << c.message;
        // No breaks: the matrix is not read at all.
        EXPECT_TRUE(compile(BreakMode::None, c.weekday).done()) << c.message;
        EXPECT_EQ(session.lists().ListaWynikowa.size(), 2u) << c.message;
    }
    // The last of three lines ended by CR LF, LF and CR.
    folder.write("matryca.dat", threeLines);
    ASSERT_TRUE(compile(BreakMode::Nearest, 2).done());
    EXPECT_EQ(session.lists().ListaBreak.size(), 1u);
}

TEST_F(SessionTest, SaveWritesTheResultWithStatusTexts) {
    ASSERT_TRUE(loadPlaylist(kPlaylist).done());
    ASSERT_TRUE(compile().done());
    session.storeFolder(Folder::Results, folder.path());
    progress.statuses.clear();
    ASSERT_TRUE(session.save("wynik dnia").done());
    EXPECT_EQ(readBytes(folder / "wynik dnia.mix"), mixText(session.lists().ListaWynikowa));
    EXPECT_EQ(progress.statuses, (Strings{kSaving, "Zapisywanie wynikowego pliku MIX - gotowe!"}));
    EXPECT_EQ(progress.gaugeDone, 3);
}

TEST(ResultName, BlankIsWhiteSpaceOfAnyScriptAndNothingElse) {
    const std::pair<std::string_view, bool> cases[] = {
        {"", true},
        {" \t\r\n\v\f", true},
        {"\xC2\xA0", true},                  // no-break space
        {"\xC2\x85\xE1\x9A\x80", true},      // next line, ogham space
        {"\xE2\x80\x80\xE2\x80\x8A", true},  // the first and last of the typographic spaces
        {"\xE2\x80\xAF\xE3\x80\x80", true},  // narrow no-break, ideographic
        {"\xE2\x80\x8B", false},             // zero width space: no white space to Unicode
        {"\xE1\xBF\xBF", false},             // U+1FFF, just below the spaces
        {"\xC2\xA0x", false},
        {" a ", false},
        {"\xC2", false},      // cut short
        {"\xA0", false},      // Windows-1250's no-break space is no UTF-8
        {"\xC2\x20", false},  // a lead byte and no follower
        {"\xF0\x9F\x98\x80", false},
    };
    for (const auto& [name, blank] : cases) {
        EXPECT_EQ(isBlankResultName(name), blank) << testing::PrintToString(std::string(name));
    }
}

TEST_F(SessionTest, ASaveIsRefusedOrFailsLeavingNoFile) {
    const Outcome blank = session.save("\xC2\xA0");
    EXPECT_EQ(blank.refusal, Refusal::EmptyResultName);
    EXPECT_EQ(blank.message, "Nazwa pliku wynikowego jest pusta!");
    const Outcome empty = session.saveTo(folder / "out.mix");
    EXPECT_EQ(empty.refusal, Refusal::NothingToSave);
    EXPECT_EQ(empty.message, "Nie ma czego zapisywać!");
    EXPECT_TRUE(progress.statuses.empty());

    ASSERT_TRUE(loadPlaylist(kPlaylist).done());
    ASSERT_TRUE(compile().done());
    progress.statuses.clear();
    const std::string path = folder / "missing/out.mix";
    const Outcome failed = session.saveTo(path);
    EXPECT_EQ(failed.kind, Outcome::Kind::Failed);
    EXPECT_EQ(failed.message,
              "Nie można utworzyć pliku \"" + path + "\": nie ma takiego pliku ani katalogu");
    EXPECT_EQ(progress.statuses,
              (Strings{kSaving, "Zapisywanie wynikowego pliku MIX nie powiodło się."}));
    EXPECT_EQ(progress.gaugeDone, 0);
    EXPECT_EQ(folder.entries().count("missing"), 0u);
}

TEST_F(SessionTest, ADayWhoseTimesOverflowIsRefusedAndLeavesNoResultToSave) {
    ASSERT_TRUE(loadPlaylist(kPlaylist).done());
    // Two spots in the first item's window whose lengths add up past 64 bits of ms.
    TPozycja huge = titled("huge");
    huge.CzasStart = 43'140'000;  // 11:59
    huge.CzasNwK = std::numeric_limits<std::int64_t>::max() / 2 + 1;
    lists().ListaLST = {huge, huge};
    const Outcome outcome = compile(BreakMode::None);
    EXPECT_EQ(outcome.kind, Outcome::Kind::Failed);
    EXPECT_NE(outcome.message.find("poza zakres"), std::string::npos) << outcome.message;
    EXPECT_TRUE(session.lists().ListaWynikowa.empty());
    EXPECT_EQ(session.saveTo(folder / "out.mix").refusal, Refusal::NothingToSave);
}

// Draws nothing; fails when told to, as a full disk would.
class FakePictures : public DayPictureWriter {
public:
    std::string renderDayPicture(PictureKind, const Lista&, const std::vector<AdvertBlock>&,
                                 const DayChecks&, const std::vector<RecordMark>&,
                                 const DayTitle&) override {
        if (fail) {
            throw FileError("Nie można narysować obrazu dnia.");
        }
        return "picture";
    }
    bool fail = false;
};

TEST_F(SessionTest, AnUnattendedDayWritesAllItsOutputsOrNoneOfThem) {
    struct DayCase {
        const char* name;
        std::string playlist;
        BreakMode mode;
        bool strict;
        bool pictureFails;
        Outcome::Kind kind;
        std::optional<Refusal> refusal;
        bool report;            // written
        bool previous = false;  // earlier outputs there, kept unless done
        const char* result = "out.mix";
    };
    const std::string cut = "POZYCJI=3\r\nKONIEC\r\n";
    const std::string onlyDj = "Emi=10:00:00.000\r\nTyp=DJ_\r\nNwK=00:10.000\r\nKONIEC OPISU\r\n";
    using enum Outcome::Kind;
    // clang-format off
    const DayCase cases[] = {
        {"written", kPlaylist, BreakMode::Nearest, false, false, Done, std::nullopt, true},
        {"cut short", cut, BreakMode::Nearest, false, false, Done, std::nullopt, true},
        {"no break mode", kPlaylist, BreakMode::NotSelected, false, false, Refused,
         Refusal::NoBreakMode, false},
        {"cut short, strict", cut, BreakMode::Nearest, true, false, Refused, Refusal::CutPlaylist,
         false},
        {"empty", "", BreakMode::Nearest, false, false, Refused, Refusal::EmptyPlaylist, false},
        {"only DJ_", onlyDj, BreakMode::Nearest, false, false, Refused, Refusal::NothingToSave,
         false},
        // Each output waits in its temporary until all are ready.
        {"picture fails", kPlaylist, BreakMode::Nearest, false, true, Failed, std::nullopt, false},
        {"picture fails over earlier outputs", kPlaylist, BreakMode::Nearest, false, true, Failed,
         std::nullopt, false, true},
        {"result fails", kPlaylist, BreakMode::Nearest, false, false, Failed, std::nullopt, false,
         false, "gone/out.mix"},
        {"written over earlier outputs", kPlaylist, BreakMode::Nearest, false, false, Done,
         std::nullopt, true, true},
    };
    // clang-format on
    FakePictures pictures;
    for (const DayCase& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* output : {"r.csv", "d.png", "out.mix"}) {
            ::unlink((folder / output).c_str());
            if (c.previous) {
                folder.write(output, "earlier");
            }
        }
        progress.statuses.clear();
        pictures.fail = c.pictureFails;
        holdMode(c.mode);
        DayRun day;
        day.playlist = folder.write("dzien.mix", c.playlist);
        day.strict = c.strict;
        day.report = folder / "r.csv";
        day.picture = folder / "d.png";
        day.result = folder / c.result;
        const std::size_t before = folder.entries().size();
        const Outcome outcome = session.runDay(day, seconds(1), pictures);
        EXPECT_EQ(outcome.kind, c.kind) << outcome.message;
        EXPECT_EQ(outcome.refusal, c.refusal);
        EXPECT_EQ(outcome.warnings.empty(), c.playlist != cut);
        EXPECT_EQ(progress.statuses.empty(), c.refusal == Refusal::NoBreakMode) << "nothing read";
        EXPECT_EQ(folder.entries().count("r.csv"), c.report || c.previous ? 1u : 0u);
        EXPECT_EQ(folder.entries().count("d.png"), c.kind == Done || c.previous ? 1u : 0u);
        EXPECT_EQ(folder.entries().count("out.mix"), c.kind == Done || c.previous ? 1u : 0u);
        for (const char* output : {"r.csv", "d.png", "out.mix"}) {
            if (c.previous) {
                EXPECT_EQ(readBytes(folder / output) == "earlier", c.kind != Done) << output;
            }
        }
        EXPECT_EQ(folder.entries().size(), before + (c.kind == Done && !c.previous) * 3)
            << "no temporary or lock file left";
    }
}

// The result claims the run, so it is the last output put in place: a night that dies
// between the renames leaves the previous result, never one whose report is missing.
TEST_F(SessionTest, AnUnattendedDaysResultIsPutInPlaceLast) {
    const struct {
        bool report;
        bool picture;
        Strings renamed;
    } cases[] = {
        {true, true, {"r.csv", "d.png", "out.mix"}},
        {false, true, {"d.png", "out.mix"}},
        {true, false, {"r.csv", "out.mix"}},
        {false, false, {"out.mix"}},
    };
    FakePictures pictures;
    holdMode(BreakMode::Nearest);
    for (const auto& c : cases) {
        DayRun day;
        day.playlist = folder.write("dzien.mix", kPlaylist);
        day.report = c.report ? folder / "r.csv" : "";
        day.picture = c.picture ? folder / "d.png" : "";
        day.result = folder / "out.mix";
        Outcome outcome;
        EXPECT_EQ(renamesDuring(folder.path(),
                                [&] { outcome = session.runDay(day, seconds(1), pictures); }),
                  c.renamed);
        EXPECT_TRUE(outcome.done()) << outcome.message;
    }
}

// The spots a night must not call done, by the long-spot limit the configuration holds: at
// the limit is a booking, a millisecond over is not; no length and never placed neither.
TEST_F(SessionTest, UnaccountedSpotsByTheStoredLongSpotLimit) {
    folder.write("kalmero.ini", "[Kontrola]\r\nLongSpotMinutes=1\r\n");
    session.readSettings([](const std::string&) { return false; });
    ASSERT_TRUE(loadPlaylist(kPlaylist).done());
    const std::string lst =
        folder.write("r.lst",
                     "11:59:00\r\nat.mp3\r\n11:59:00\r\nover.mp3\r\n11:59:00\r\nnone.mp3\r\n"
                     "23:00:00\r\nlate.mp3\r\n");
    const SpotMeasurer measure = [](std::string_view path) {
        const std::int64_t ms = path == "at.mp3"     ? 60'000
                                : path == "over.mp3" ? 60'001
                                : path == "none.mp3" ? 0
                                                     : 1'000;
        return SpotMeasure{ms, ""};
    };
    ASSERT_TRUE(session.OtworzPlikLST(lst, measure).done());
    ASSERT_TRUE(compile().done());
    EXPECT_EQ(session.unaccountedSpots(), (std::vector<std::size_t>{1, 2, 3}));
}

// The settings are read once at start-up. The window then shows them, which writes each
// key back: a key already stored so is not written again, one the reading changed is.
TEST_F(SessionTest, TheStartUpWriteBackLeavesKeysStoredAsShown) {
    const auto inode = [this] {
        struct stat info {};
        EXPECT_EQ(::stat((folder / "kalmero.ini").c_str(), &info), 0);
        return info.st_ino;
    };
    const struct {
        const char* name;
        std::string ini;
        bool written;
    } cases[] = {
        {"stored as shown", "[Break]\r\nStart=1\r\nFade=1\r\nTime=10\r\n", false},
        {"a time no break can have", "[Break]\r\nStart=1\r\nFade=1\r\nTime=-5\r\n", true},
        {"a mode out of range", "[Break]\r\nStart=7\r\nFade=1\r\nTime=10\r\n", true},
        {"a fade as another number", "[Break]\r\nStart=1\r\nFade=5\r\nTime=10\r\n", true},
        {"no time stored", "[Break]\r\nStart=1\r\nFade=1\r\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        folder.write("kalmero.ini", c.ini);
        session.readSettings([](const std::string&) { return false; });
        const auto before = inode();
        // As the window's controls write them when shown.
        session.storeBreakMode(session.settings().mode);
        session.storeFade(session.settings().fade);
        session.storeBreakLength(session.settings().length);
        EXPECT_EQ(inode() != before, c.written);
        // The operator's own change is always written, even back to the value read.
        const auto shown = inode();
        session.storeBreakLength(session.settings().length);
        EXPECT_NE(inode(), shown);
    }
}

// "Podgląd dnia"'s stored place, taken only when it is a window's: four numbers within reach
// of a screen and a size of something.
TEST_F(SessionTest, TheDayViewsPlaceIsTakenOnlyWhenItIsAWindows) {
    const struct {
        const char* keys;
        std::optional<WindowPlace> place;
    } cases[] = {
        {"X=10\r\nY=-20\r\nSzerokosc=500\r\nWysokosc=400", WindowPlace{10, -20, 500, 400}},
        {"X=-32767\r\nY=32767\r\nSzerokosc=1\r\nWysokosc=1", WindowPlace{-32767, 32767, 1, 1}},
        {"X=-32768\r\nY=0\r\nSzerokosc=500\r\nWysokosc=400", std::nullopt},
        {"X=0\r\nY=32768\r\nSzerokosc=500\r\nWysokosc=400", std::nullopt},
        {"X=0\r\nY=0\r\nSzerokosc=0\r\nWysokosc=400", std::nullopt},
        {"X=0\r\nY=0\r\nSzerokosc=500\r\nWysokosc=0", std::nullopt},
        {"X=0\r\nY=0\r\nSzerokosc=500", std::nullopt},
        {"X=0\r\nY=zero\r\nSzerokosc=500\r\nWysokosc=400", std::nullopt},
    };
    for (const auto& c : cases) {
        folder.write("kalmero.ini", "[PodgladDnia]\r\n"s + c.keys + "\r\n");
        session.readSettings([](const std::string&) { return false; });
        EXPECT_EQ(session.settings().dayViewPlace, c.place) << c.keys;
    }
}

// Figures measured for one advert list are never taken for another, even one of the same
// files: each spot would get a stranger's figures.
TEST_F(SessionTest, FiguresAreTakenOnlyForTheListTheyWerePlannedFor) {
    ASSERT_TRUE(loadPlaylist(kPlaylist).done());
    const SpotMeasurer located = [](std::string_view path) {
        return SpotMeasure{1000, "", std::string(path)};
    };
    const auto load = [&](const std::string& third) {
        return session.OtworzPlikLST(
            folder.write("r.lst",
                         "11:59:00\r\na.mp3\r\n11:59:00\r\nb.mp3\r\n11:59:00\r\n" + third + "\r\n"),
            located);
    };
    ASSERT_TRUE(load("a.mp3").done());
    const LoudnessPlan planned = session.loudnessPlan();
    LoudnessMeasuring measured;
    measured.spots.resize(planned.files.size());
    ASSERT_TRUE(load("b.mp3").done());
    ASSERT_EQ(session.loudnessPlan().files, planned.files);
    EXPECT_FALSE(session.takeLoudness(planned, measured));
    EXPECT_TRUE(session.takeLoudness(session.loudnessPlan(), measured));
}

TEST_F(SessionTest, OverridesAreHeldForTheRunAndNeverWritten) {
    const std::string ini =
        "[Break]\r\nCzyDzwiek=0\r\n[Kontrola]\r\nDriftMinutes=7\r\n[Sciezki]\r\nC:\\R=/a\r\n";
    folder.write("kalmero.ini", ini);
    session.readSettings([](const std::string&) { return false; });
    ASSERT_TRUE(loadPlaylist(kPlaylist).done());
    ASSERT_TRUE(session.compile(0).done());
    EXPECT_EQ(session.lastCompile().checks.limits.driftMs, 7 * 60'000);

    SettingOverrides overrides;
    overrides.breakSound = BreakSound{true, "/srv/gong.mp3"};
    overrides.driftLimitMs = 0;
    ASSERT_FALSE(overrides.pathMapAdded.add("c:/r", "/b"));
    session.overrideSettings(overrides);
    EXPECT_EQ(session.settings().pathMap.resolve("C:\\R\\x.mp3").path, "/b/x.mp3");
    ASSERT_TRUE(session.compile(0).done());
    EXPECT_EQ(session.lists().ListaWynikowa[1].line(Field::Adr), "Adr=/srv/gong.mp3");
    EXPECT_EQ(session.lastCompile().checks.limits.driftMs, 0);
    EXPECT_EQ(readBytes(folder / "kalmero.ini"), ini);
}

}  // namespace
}  // namespace kalmero::test

namespace kalmero::test {
namespace {

TEST_F(SessionTest, AnUnattendedDayNamesItsSpotsAboveTheLoudnessTargets) {
    struct TargetCase {
        const char* name;
        std::string kontrola;  // the [Kontrola] section's lines
        std::vector<std::size_t> loud;
        std::string reportRow;  // spot "a" at 11:59 in the CSV, from its loudness cells on
    };
    // clang-format off
    const TargetCase cases[] = {
        {"defaults", "", {0, 2},
         ",-14.0,-10.0,-3.0,\"za głośny: krótkoterminowa -10.0 LUFS > -18; głośniejszy od "
         "reszty dnia: zintegrowana -14.0 LUFS, mediana -19.0 LUFS, różnica 5.0 LU > 3\"\r\n"},
        {"targets from the configuration",
         "MaxKrotkoterminowaLUFS=-9.5\r\nMaxSzczytDBTP=-3,5\r\nRoznicaLU=6\r\n", {0, 2},
         ",-14.0,-10.0,-3.0,za wysoki szczyt: -3.0 dBTP > -3.5\r\n"},
        {"none above", "MaxKrotkoterminowaLUFS=-9\r\nRoznicaLU=6\r\n", {}, ",-14.0,-10.0,-3.0,\r\n"},
    };
    // clang-format on
    std::vector<std::string> asked;
    LoudnessTools tools;
    tools.measure = [&asked](const std::vector<std::string>& paths, const LoudnessSteps& steps,
                             const std::atomic<bool>*) {
        LoudnessMeasuring measured;
        for (const std::string& path : paths) {
            asked.push_back(path);
            SpotLoudness spot;
            const bool loud = path == "/srv/a.wav";
            spot.integratedLufs = loud ? -14.0 : -24.0;
            spot.maxShortTermLufs = loud ? -10.0 : -20.0;
            spot.truePeakDbtp = loud ? -3.0 : -6.0;
            measured.spots.emplace_back(spot);
            steps(measured.spots.size(), paths.size());
        }
        // One file that can't be measured: no figures.
        measured.spots.back().reset();
        measured.warning = "Pamięć pomiarów jest uszkodzona; utworzono ją od nowa.";
        return measured;
    };
    session.useLoudness(tools);
    // The spot measurer found "a" under /srv; "b" and "c" are measured by their path lines.
    const SpotMeasurer measure = [](std::string_view path) {
        return SpotMeasure{1000, "", path == "a" ? "/srv/a.wav" : ""};
    };
    FakePictures pictures;
    for (const TargetCase& c : cases) {
        SCOPED_TRACE(c.name);
        asked.clear();
        folder.write("kalmero.ini", "[Kontrola]\r\n" + c.kontrola);
        session.readSettings([](const std::string&) { return false; });
        holdMode(BreakMode::Nearest);
        DayRun day;
        day.playlist = folder.write("dzien.mix", kPlaylist);
        day.adverts = folder.write(
            "r.lst", "11:59:00\r\na\r\n12:03:00\r\nb\r\n12:04:00\r\na\r\n12:05:00\r\nc\r\n");
        day.report = folder / "r.csv";
        day.result = folder / "out.mix";
        const Outcome outcome = session.runDay(day, measure, pictures);
        ASSERT_TRUE(outcome.done()) << outcome.message;
        EXPECT_EQ(asked, (Strings{"/srv/a.wav", "b", "c"})) << "each file once, found or named";
        EXPECT_EQ(outcome.warnings,
                  Strings{"Pamięć pomiarów jest uszkodzona; utworzono ją od nowa."});
        EXPECT_EQ(session.loudness().loudSpots(), c.loud);
        const std::string report = readBytes(folder / "r.csv");
        // Then its block's against the programme: these spots have no 100 ms energies.
        const std::string programme = ",,,,spotów bloku nie zmierzono\r\n";
        const std::string row = c.reportRow.substr(0, c.reportRow.size() - 2) + programme;
        EXPECT_NE(report.find("11:59:00.000,a,a,1000,1,,11:59:00.000,12:02:10.000,190000,,," + row),
                  std::string::npos)
            << report;
        // The spot not measured has empty cells; its length is what the load measured.
        EXPECT_NE(report.find(",c,c,1000,"), std::string::npos);
        EXPECT_NE(report.find(",,,," + programme), std::string::npos) << report;
        EXPECT_EQ(session.loudnessSummary().find("Spoty za głośne: 1\n  11:59:00.000  a  -14.0 "
                                                 "LUFS, maks. krótkoterminowa -10.0 LUFS, "
                                                 "szczyt -3.0 dBTP  ("),
                  c.loud.empty() ? std::string::npos : 0);
    }
}

}  // namespace
}  // namespace kalmero::test

namespace kalmero::test {
namespace {

// Spots the day's list books at 11:59 and 12:03, the second in the break's window.
TEST_F(SessionTest, TheVerdictCountsWhatTheDayDoesNotAccountFor) {
    const std::string longPath(248, 'p');
    struct VerdictCase {
        const char* what;
        std::string lst;
        std::size_t spots;  // not accounted for
        std::size_t lines;  // lines lost or timeless
        SpotProblem problem = SpotProblem::None;
    };
    const VerdictCase cases[] = {
        {"every spot aired once", "11:59:00\r\na.mp3\r\n", 0, 0},
        {"a blank booking between records", "11:59:00\r\na.mp3\r\n\r\n11:59:00\r\nb.mp3\r\n", 0, 2},
        {"a time line that is no time", "ab:cd:ef\r\na.mp3\r\n", 1, 1},
        {"blank lines that lose nothing", "11:59:00\r\na.mp3\r\n\r\n\r\n", 0, 0},
        {"a file cut short", "11:59:00\r\na.mp3\r\n", 1, 0, SpotProblem::Cut},
        {"a path the record keeps cut", "11:59:00\r\n" + longPath + "\r\n", 1, 0},
    };
    ASSERT_TRUE(loadPlaylist(kPlaylist).done());
    for (const VerdictCase& c : cases) {
        SCOPED_TRACE(c.what);
        const SpotMeasurer measure = [&c](std::string_view) {
            return SpotMeasure{30'000, "", "", c.problem};
        };
        ASSERT_TRUE(session.OtworzPlikLST(folder.write("r.lst", c.lst), measure).done());
        ASSERT_TRUE(compile(BreakMode::None).done());
        const DayVerdict verdict = session.verdict();
        EXPECT_EQ(verdict.spots.size(), c.spots);
        EXPECT_EQ(verdict.lines.size(), c.lines);
        EXPECT_EQ(verdict.accounted(), c.spots + c.lines == 0);
        // Nothing goes unsaid that the verdict counts.
        EXPECT_EQ(session.findings().empty(), verdict.accounted());
    }
    // The cut path's reason names its length and the field's, not a missing file.
    EXPECT_EQ(
        session.spotMeasures()[0].problem.rfind("ścieżka ma 248 znaków, a pole Adr mieści 246", 0),
        0u);
}

TEST_F(SessionTest, AnyChangeACompileWouldSeeMakesTheResultStale) {
    struct StaleCase {
        const char* what;
        std::function<void(Session&)> change;
        bool stale;
    };
    const std::string lst = folder.write("r.lst", "11:59:00\r\na.mp3\r\n");
    const std::string mix = folder.write("dzien.mix", kPlaylist);
    const StaleCase cases[] = {
        {"nothing", [](Session&) {}, false},
        {"another weekday", [](Session& s) { s.chooseWeekday(3); }, true},
        {"the same weekday again", [](Session& s) { s.chooseWeekday(0); }, false},
        {"a playlist loaded", [&](Session& s) { s.otworzPlikMIX(mix); }, true},
        {"an advert list loaded", [&](Session& s) { s.OtworzPlikLST(lst, seconds(1)); }, true},
        {"the mode", [](Session& s) { s.storeBreakMode(BreakMode::OnTheHour); }, true},
        {"the length", [](Session& s) { s.storeBreakLength(BreakLength::clamped(99)); }, true},
        {"the fade outside the mode that fades", [](Session& s) { s.storeFade(true); }, false},
        {"the week stored as it was", [](Session& s) { s.storeBreakWeek(s.readBreakWeek()); },
         false},
        {"a matrix hour", [](Session& s) { s.storeBreakHour(0, 1, true); }, true},
        {"the break sound",
         [](Session& s) {
             s.storeBreakSound({true, "/x.mp3"});
         },
         true},
        {"the path map as it was", [](Session& s) { s.storePathMap(s.settings().pathMap); }, false},
        {"the path map",
         [](Session& s) {
             PathMap map;
             map.add("C:\\Radio", "/srv/radio");
             s.storePathMap(map);
         },
         true},
    };
    session.storeFolder(Folder::Results, folder.path());
    for (const StaleCase& c : cases) {
        SCOPED_TRACE(c.what);
        session.storeBreakMode(BreakMode::Nearest);
        session.storeFade(false);
        session.storeBreakLength(BreakLength::clamped(10));
        session.storeBreakSound({false, ""});
        ASSERT_TRUE(session.otworzPlikMIX(mix).done());
        ASSERT_TRUE(session.compile(0).done());
        ASSERT_TRUE(session.resultCurrent());
        c.change(session);
        EXPECT_EQ(session.resultCurrent(), !c.stale);
        const Outcome saved = session.save("wynik");
        EXPECT_EQ(saved.refusal == Refusal::StaleResult, c.stale);
        if (c.stale) {
            EXPECT_EQ(saved.message, "Wynik nie odpowiada wczytanym listom: naciśnij Przelicz");
        }
    }
}

TEST_F(SessionTest, ASilentSpotIsNotAccountedForAndSilenceAtItsEdgesIsOnlyNamed) {
    LoudnessTools tools;
    tools.measure = [](const std::vector<std::string>& paths, const LoudnessSteps&,
                       const std::atomic<bool>*) {
        LoudnessMeasuring measured;
        for (const std::string& path : paths) {
            SpotLoudness spot;
            spot.decodedMs = 1'000;
            if (path != "b") {
                spot.integratedLufs = spot.maxShortTermLufs = -24.0;
                spot.truePeakDbtp = -6.0;
                spot.leadingSilenceMs = path == "c" ? 2'500 : 0;
            }
            measured.spots.emplace_back(spot);
        }
        return measured;
    };
    session.useLoudness(tools);
    const SpotMeasurer measure = [](std::string_view) { return SpotMeasure{1000, "", ""}; };
    FakePictures pictures;
    for (const bool strict : {false, true}) {
        SCOPED_TRACE(strict);
        holdMode(BreakMode::Nearest);
        DayRun day;
        day.strict = strict;
        day.playlist = folder.write("dzien.mix", kPlaylist);
        day.adverts = folder.write("r.lst", "11:59:00\r\na\r\n12:03:00\r\nb\r\n12:05:00\r\nc\r\n");
        day.result = folder / "out.mix";
        const Outcome outcome = session.runDay(day, measure, pictures);
        EXPECT_EQ(outcome.refusal,
                  strict ? std::optional(Refusal::UnaccountedSpots) : std::nullopt);
        EXPECT_EQ(session.unaccountedSpots(), std::vector<std::size_t>{1});
        EXPECT_EQ(session.loudness().verdict(1).reason,
                  "cisza: nic powyżej -70 LUFS (same zera, 1.0 s)");
        EXPECT_EQ(session.loudness().verdict(2).reason, "cisza na początku 2.5 s > 2 s");
    }
}

constexpr std::int64_t kMinute = 60'000;

// 100 ms energies of `seconds` of audio at one level.
SpotLoudness steadyAudio(double lufs, int seconds) {
    SpotLoudness audio;
    audio.integratedLufs = lufs;
    audio.blockEnergies.assign(static_cast<std::size_t>(seconds) * 10,
                               static_cast<float>(std::pow(10.0, (lufs + 0.691) / 10)));
    return audio;
}

TEST_F(SessionTest, BlocksAreComparedWithTheProgrammeFoundThroughThePlaylistsPathLines) {
    // Songs at -23 LUFS until 12:40, then songs whose files aren't found; a block at -14
    // LUFS at noon, one at 13:00 amid the missing songs.
    std::string playlist = "WERSJA=2\r\n";
    for (int k = 0; k < 25; ++k) {
        playlist += "Emi=" + CzasStartString(CzasStartInt("Emi=11:40:00.000") + k * 4 * kMinute) +
                    "\r\nTyp=SND\r\nNwK=04:00.000\r\nAdr=" + (k < 15 ? "C:\\song" : "C:\\gone") +
                    std::to_string(k % 2) + ".wav\r\nKONIEC OPISU\r\n";
    }
    std::vector<std::string> asked;
    std::int64_t gaugeWhileMeasuring = -1;
    SessionTools tools;
    tools.newLocator = [](const PathMap&, const std::string& folderUtf8) -> FileLocator {
        return [folderUtf8](std::string_view line) {
            return line.substr(0, 7) == "C:\\song" ? folderUtf8 + "/" + std::string(line.substr(3))
                                                   : std::string();
        };
    };
    tools.loudness.measure = [&](const std::vector<std::string>& paths, const LoudnessSteps& steps,
                                 const std::atomic<bool>*) {
        gaugeWhileMeasuring = progress.gaugeMaxValue;
        LoudnessMeasuring measured;
        for (const std::string& path : paths) {
            asked.push_back(path);
            measured.spots.emplace_back(steadyAudio(path == "loud" ? -14 : -23, 30));
            steps(measured.spots.size(), paths.size());
        }
        return measured;
    };
    Session own({folder / "kalmero.ini", folder / "matryca.dat"}, progress, tools);
    folder.write("kalmero.ini", "");
    own.readSettings([](const std::string&) { return false; });
    SettingOverrides overrides;
    overrides.mode = BreakMode::None;
    own.overrideSettings(overrides);
    DayRun day;
    day.playlist = folder.write("dzien.mix", playlist);
    day.adverts = folder.write("r.lst", "12:00:00\r\nloud\r\n13:00:00\r\nquiet\r\n");
    day.report = folder / "r.csv";
    day.result = folder / "out.mix";
    FakePictures pictures;
    const Outcome outcome = own.runDay(
        day,
        [](std::string_view) {
            return SpotMeasure{30'000, ""};
        },
        pictures);
    ASSERT_TRUE(outcome.done()) << outcome.message;

    // Each file once: the spots by their path lines, the songs found, none of the missing.
    const std::string songs = folder / "song";
    EXPECT_EQ(asked, (Strings{"loud", "quiet", songs + "0.wav", songs + "1.wav"}));
    // The gauge counts the programme's files too: it is full only when they are measured.
    EXPECT_EQ(gaugeWhileMeasuring, 4);
    const std::vector<BlockAgainstProgramme>& blocks = own.programmeChecks();
    ASSERT_EQ(blocks.size(), 2U);
    EXPECT_TRUE(blocks[0].tooLoud);
    EXPECT_EQ(blocks[1].programmeMeasured, 0U);
    // The loud block is a finding, last as loudness is; the one not compared isn't.
    const std::vector<Finding> found = own.findings();
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found.back().kind, FindingKind::BlockLouderThanProgramme);
    EXPECT_EQ(std::count_if(
                  found.begin(), found.end(),
                  [](const Finding& f) { return f.kind == FindingKind::BlockLouderThanProgramme; }),
              1);
    // The picture marks the loud block's spot.
    ASSERT_EQ(own.louderThanProgramme().size(), 1U);
    const std::size_t marked = blocks[0].spots.front();
    EXPECT_EQ(own.louderThanProgramme()[0].resultIndex, marked);
    // The same when the figures come after the compile as when they came before it.
    const std::string why = own.louderThanProgramme()[0].why;
    const std::vector<std::string> measuredFirst = findingTexts(found);
    ASSERT_TRUE(own.otworzPlikMIX(day.playlist).done());
    ASSERT_TRUE(own.compile(0).done());
    EXPECT_TRUE(own.louderThanProgramme().empty());
    ASSERT_TRUE(own.measureLoudness().done());
    ASSERT_EQ(own.louderThanProgramme().size(), 1U);
    EXPECT_EQ(own.louderThanProgramme()[0].resultIndex, marked);
    EXPECT_EQ(own.louderThanProgramme()[0].why, why);
    EXPECT_EQ(findingTexts(own.findings()), measuredFirst);
    const std::string summary = own.loudnessSummary();
    // The songs are no spots: the day's median is that of the two spots alone.
    EXPECT_NE(summary.find("mediana -18.5 LUFS"), std::string::npos) << summary;
    EXPECT_EQ(summary.substr(summary.find("Bloki")),
              "Bloki głośniejsze od programu: 1\n"
              "  Blok 12:00 głośniejszy od programu o 9,0 LU (blok -14,0 LUFS, program -23,0 "
              "LUFS)\n"
              "Bloki bez porównania z programem: 1\n"
              "  Blok 13:00 bez porównania z programem: brak zmierzonych plików programu (0 z 8 "
              "pozycji w oknie ±15 min)\n");
    const std::string report = readBytes(folder / "r.csv");
    EXPECT_NE(report.find(",loud,loud,30000,1,"), std::string::npos) << report;
    EXPECT_NE(report.find(",-14.0,-23.0,9.0,\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find(",-23.0,,,brak zmierzonych plików programu (0 z 8 pozycji w oknie "
                          "±15 min)\r\n"),
              std::string::npos)
        << report;

    // The limit and the window from the configuration: 9 LU is within 9.5, and five minutes
    // around the block aired at 13:00:30 reach into four of the missing songs.
    folder.write("kalmero.ini", "[Kontrola]\r\nMaxNadProgramLU=9,5\r\nOknoProgramuMinuty=5\r\n");
    own.readSettings([](const std::string&) { return false; });
    own.overrideSettings(overrides);
    ASSERT_TRUE(own.compile(0).done());
    ASSERT_EQ(own.programmeChecks().size(), 2U);
    EXPECT_FALSE(own.programmeChecks()[0].tooLoud);
    EXPECT_EQ(own.programmeChecks()[0].aboveLu, 9.0);
    EXPECT_EQ(noComparisonText(own.programmeChecks()[1]),
              "brak zmierzonych plików programu (0 z 4 pozycji w oknie ±5 min)");
    EXPECT_TRUE(own.louderThanProgramme().empty());
}

}  // namespace
}  // namespace kalmero::test
