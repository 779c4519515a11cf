#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/day_dates.h"
#include "compiler/compiler.h"
#include "formats/lst_file.h"
#include "formats/matryca.h"
#include "formats/mix_file.h"
#include "platform/audio_length.h"
#include "support/run_program.h"
#include "support/silent_wav.h"
#include "support/temp_folder.h"

namespace kalmero::test {
namespace {

namespace fs = std::filesystem;

// A folder per test holding the inputs, with helpers to write them and run the command.
class Batch : public ::testing::Test {
protected:
    void SetUp() override {
        // Monday has a break at 12:00, Tuesday at 12:00 and 13:00, the other days none.
        std::string matrix = "00000010000000000\r\n00000011000000000\r\n";
        for (int day = 2; day < 7; ++day) {
            matrix += "00000000000000000\r\n";
        }
        write("matryca.dat", matrix);
        write("empty.ini", "");
        wav("s30.wav", 30);
        wav("s20.wav", 20);
    }
    std::string path(const std::string& name) const { return m_folder / name; }
    std::string write(const std::string& name, const std::string& bytes) const {
        return m_folder.write(name, bytes);
    }

    // A WAV file of whole seconds of a tone.
    void wav(const std::string& name, int seconds) const {
        write(name, test::toneWav(8000, 8000 * static_cast<std::uint32_t>(seconds)));
    }

    // A MIX file of items "Emi Tyt NwK" (NwK in the duration form), optionally typed.
    std::string mix(const std::vector<std::vector<std::string>>& items) const {
        std::string text = "WERSJA=2\r\nPOZYCJI=" + std::to_string(items.size()) + "\r\n";
        for (const auto& i : items) {
            text += "; ----------------------------------\r\nEmi=" + i[0] + "\r\n";
            text += (i.size() > 3 ? i[3] : std::string("Typ=SND")) + "\r\n";
            text += "NwK=" + i[2] + "\r\nMix=00:00.000\r\nTyt=" + i[1] + "\r\nWyk=W\r\n";
            text += "KONIEC OPISU\r\n";
        }
        return write("day.mix", text);
    }

    // The X/Y day: X 11:59 and Y 12:03, 4 minutes each; a block at 12:00 of two spots.
    void xyDay() {
        mix({{"11:59:00.000", "X", "04:00.000"}, {"12:03:00.000", "Y", "04:00.000"}});
        write("day.lst",
              "12:00:00\r\n" + path("s30.wav") + "\r\n12:00:00\r\n" + path("s20.wav") + "\r\n");
    }

    Outcome run(std::vector<std::string> args) const {
        args.insert(args.begin(), KALMERO_BATCH);
        return runProgram(std::move(args), m_folder.path());
    }

    // The usual arguments: the test's matrix and an empty configuration.
    std::vector<std::string> base(std::vector<std::string> more) const {
        std::vector<std::string> args = {"--mix",         path("day.mix"),  "--out",
                                         path("out.mix"), "--matrix",       path("matryca.dat"),
                                         "--config",      path("empty.ini")};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }

    // Emi values of the written result, in order.
    std::vector<std::string> emis() const {
        std::vector<std::string> out;
        std::istringstream in(readFile(path("out.mix")));
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("Emi=", 0) == 0) {
                out.push_back(line.substr(4, 12));
            }
        }
        return out;
    }

    TempFolder m_folder;
};

TEST_F(Batch, WritesWhatTheCoreCompiles) {
    xyDay();
    struct Case {
        std::vector<std::string> args;
        CompileSettings settings;
        std::vector<std::string> emis;
    };
    const Case cases[] = {
        {{"--mode", "0"},
         {BreakMode::Nearest, false, BreakLength::clamped(10), 0, {}},
         {"11:59:00.000", "11:59:00.000", "11:59:30.000", "12:00:00.000", "12:04:00.000"}},
        {{"--mode", "1", "--fade"},
         {BreakMode::OnTheHour, true, BreakLength::clamped(10), 0, {}},
         {"11:59:00.000", "12:00:00.000", "12:00:10.000", "12:00:40.000", "12:01:00.000"}},
        {{"--mode", "1", "--no-fade", "--weekday", "wt", "--break-seconds", "0"},
         {BreakMode::OnTheHour, false, BreakLength::clamped(0), 1, {}},
         {"11:59:00.000", "12:00:00.000", "12:00:00.000", "12:00:30.000", "12:00:50.000"}},
        {{"--mode", "2"},
         {BreakMode::None, false, BreakLength::clamped(10), 0, {}},
         {"11:59:00.000", "11:59:30.000", "11:59:50.000", "12:03:50.000"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = base(c.args);
        args.insert(args.end(), {"--lst", path("day.lst")});
        const Outcome outcome = run(args);
        ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_EQ(emis(), c.emis);

        // The same bytes as the core gives on the same inputs and settings.
        Lists lists;
        lists.ListaMIX = otworzPlikMIX(readFile(path("day.mix")));
        lists.ListaLST = OtworzPlikLST(readFile(path("day.lst")), newLoadMeasurer());
        const auto matrix = parseMatrixLines(readFile(path("matryca.dat")));
        Compiler(lists, c.settings)
            .NowyMozg(matrix.at(static_cast<std::size_t>(c.settings.weekday)));
        EXPECT_EQ(readFile(path("out.mix")), mixText(lists.ListaWynikowa));
    }
}

TEST_F(Batch, UsageErrors) {
    xyDay();
    write("nomode.ini", "[Break]\r\nStart=-1\r\n");
    struct Case {
        std::vector<std::string> args;
        std::string says;
    };
    // The build's settings folder is the program's own (its default matrix lies there).
    const std::string settingsIni = fs::path(KALMERO_BATCH).parent_path() / "kalmero.ini";
    const Case cases[] = {
        {{"--out", path("out.mix")}, "--mix"},
        {{"--mix", path("day.mix")}, "--out"},
        {base({"--weekday", "7"}), "--weekday"},
        {base({"--weekday", "pon"}), "--weekday"},
        {base({"--mode", "3"}), "--mode"},
        {base({"--mode", "-1"}), "--mode"},
        {base({"--break-seconds", "2147484"}), "--break-seconds"},
        {base({"--break-seconds", "-1"}), "--break-seconds"},
        {base({"--break-seconds", "1.5"}), "--break-seconds"},
        {base({"--break-seconds", "$10"}), "--break-seconds"},
        {base({"--fade", "--no-fade"}), "excludes"},
        {base({"--break-sound", "x.wav", "--no-break-sound"}), "excludes"},
        {base({"--mode", "1", "--mode", "2"}), "mode"},
        {base({"--bogus"}), "bogus"},
        {base({"extra"}), "extra"},
        // Outputs never overwrite an input or each other.
        {base({"--report", path("day.mix")}), "wskazuje ten sam plik co --mix"},
        {base({"--lst", path("day.lst"), "--report", path("out.mix")}), "wskazuje ten sam plik"},
        {{"--mix", path("day.mix"), "--out", path("./day.lst"), "--lst", path("day.lst")},
         "wskazuje ten sam plik co --lst"},
        // Nor a file the run reads unnamed: the settings folder's, a spot's, the break sound,
        // the program's own.
        {{"--mix", path("day.mix"), "--out", path("out.mix"), "--matrix", path("matryca.dat"),
          "--report", settingsIni},
         "plik konfiguracji w u\xC5\xBCyciu"},
        {base({"--lst", path("day.lst"), "--report", path("s30.wav")}), "plik spotu"},
        {base({"--break-sound", path("s20.wav"), "--report", path("s20.wav")}),
         "d\xC5\xBAwi\xC4\x99k breaka"},
        {base({"--report", KALMERO_BATCH}), "plik samego programu"},
        {base({"--picture", path("day.jpg")}), "obraz zapisuje si\xC4\x99 jako .png lub .pdf"},
        {base({"--date", "2026-02-30"}), "--date"},
        {base({"--date", "today", "--weekday", "1"}), "--date"},
        {base({"--days", "2"}), "--days"},
        {base({"--date", "today", "--days", "0"}), "--days"},
        // Each day its own outputs: a fixed name, or the weekday over more than a week.
        {base({"--date", "2026-12-07", "--days", "3"}), "dni 2026-12-07 i 2026-12-08"},
        {{"--mix", path("day.mix"), "--out", path("out-%Y%m%d.mix"), "--report", path("r-%a.csv"),
          "--date", "2026-12-07", "--days", "10"},
         "dni 2026-12-07 i 2026-12-14"},
        {base({"--drift-limit", "1441"}), "--drift-limit"},
        {base({"--path-map", "C:\\Radio"}), "--path-map \"C:\\Radio\": oczekiwano"},
        {base({"--path-map", "C:\\Radio=spoty"}), "folder musi"},
        {base({"--path-map", "C:\\a=/x", "--path-map", "c:/A=/y"}), "ju\xC5\xBC jest"},
        {{"--mix", path("day.mix"), "--out", path("out.mix"), "--matrix", path("matryca.dat"),
          "--config", path("nomode.ini")},
         "Wybierz spos\xC3\xB3"
         "b wstawiania break\xC3\xB3w!"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = run(c.args);
        EXPECT_EQ(outcome.exitCode, 2) << c.says;
        EXPECT_NE(outcome.err.find(c.says), std::string::npos) << outcome.err;
        EXPECT_NE(outcome.err.find("kalmero-batch --help"), std::string::npos);
        EXPECT_EQ(outcome.err.find("Usage:"), std::string::npos) << outcome.err;
        EXPECT_FALSE(fs::exists(path("out.mix")));
    }
    // With the mode given, the configuration's missing mode doesn't matter.
    EXPECT_EQ(run({"--mix", path("day.mix"), "--out", path("out.mix"), "--matrix",
                   path("matryca.dat"), "--config", path("nomode.ini"), "--mode", "2"})
                  .exitCode,
              0);
}

TEST_F(Batch, HelpPrintsTheContract) {
    const Outcome outcome = run({"--help"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_NE(outcome.out.find("--break-seconds N     break length, whole seconds 0..2147483"),
              std::string::npos);
    EXPECT_EQ(outcome.err, "");
}

TEST_F(Batch, FileErrorsLeaveTheOldResult) {
    xyDay();
    write("empty.mix", "WERSJA=2\r\nPOZYCJI=0\r\n");
    write("short.dat", "0000001\r\n");
    write("onlydj.mix", "Emi=10:00:00.000\r\nTyp=DJ_\r\nNwK=00:10.000\r\nKONIEC OPISU\r\n");
    // No POZYCJI line to tell it was cut: its second record never closes.
    write("skipped.lst",
          "10:00:00\r\n" + path("s20.wav") + "\r\n\r\n11:00:00\r\n" + path("s20.wav") + "\r\n");
    write("cut.mix",
          "Emi=10:00:00.000\r\nTyp=SND\r\nNwK=01:00.000\r\nTyt=A\r\nKONIEC OPISU\r\n; --\r\n"
          "Emi=10:01:00.000\r\nTyp=SND\r\n");
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string says;
    };
    const Case cases[] = {
        {"MissingMix", base({"--mix", path("none.mix")}), "Nie można otworzyć pliku"},
        {"EmptyMix", base({"--mix", path("empty.mix")}), "Lista MIX jest pusta!"},
        // Only DJ_ records: the result is empty, and an empty playlist must not go on air.
        {"EmptyResult", base({"--mix", path("onlydj.mix")}), "Nie ma czego zapisywa\xC4\x87!"},
        {"MissingLst", base({"--lst", path("none.lst")}), "Nie można otworzyć pliku"},
        {"MissingMatrix", base({"--matrix", path("none.dat")}), "Nie można otworzyć pliku"},
        {"ShortMatrix", base({"--matrix", path("short.dat"), "--weekday", "nd"}),
         "nie ma wiersza dla dnia: niedziela"},
        {"OutIsAFolder", base({"--out", m_folder.path()}), "Nie można utworzyć pliku"},
        {"CutMixStrict", base({"--mix", path("cut.mix"), "--strict"}),
         "urywa si\xC4\x99 w pozycji 2 (od linii 6)"},
        // A booking lost to a blank line is named, and a strict day refused for it.
        {"SkippedBookingStrict", base({"--lst", path("skipped.lst"), "--strict"}),
         "linia 4 „11:00:00”"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write("out.mix", "old result");
        // A repeated option is a usage error: the case's own value replaces the usual one.
        // A flag stands alone.
        std::vector<std::string> args;
        for (std::size_t i = 0; i < c.args.size(); i += 2) {
            if (c.args[i] == "--strict") {
                args.push_back(c.args[i--]);
                continue;
            }
            bool overridden = false;
            for (std::size_t j = i + 2; j < c.args.size(); j += 2) {
                overridden = overridden || c.args[j] == c.args[i];
            }
            if (!overridden) {
                args.insert(args.end(), {c.args[i], c.args[i + 1]});
            }
        }
        const Outcome outcome = run(args);
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_NE(outcome.err.find(c.says), std::string::npos) << outcome.err;
        EXPECT_EQ(readFile(path("out.mix")), "old result");
    }
    std::vector<std::string> leftovers;
    for (const std::string& name : m_folder.entries()) {
        if (name.rfind(".out.mix", 0) == 0) {
            leftovers.push_back(name);
        }
    }
    EXPECT_TRUE(leftovers.empty());
}

TEST_F(Batch, SummaryNamesUnplacedAndDoubledSpots) {
    // A and B overlap, so the spot at 10:03 lies in both windows; the one at 11:00 in none.
    mix({{"10:00:00.000", "A", "04:00.000"}, {"10:02:00.000", "B", "04:00.000"}});
    write("day.lst",
          "10:03:00\r\n" + path("s20.wav") + "\r\n11:00:00\r\n" + path("s30.wav") + "\r\n");
    const Outcome outcome =
        run(base({"--mode", "2", "--lst", path("day.lst"), "--report", path("r.csv")}));
    ASSERT_EQ(outcome.exitCode, 3) << outcome.err;
    EXPECT_NE(
        outcome.err.find("Wstawiono: pozycje 2, breaki 0, spoty 2 (1 z 2 spot\xC3\xB3w z listy)"),
        std::string::npos)
        << outcome.err;
    EXPECT_NE(outcome.err.find("Spoty nigdy niewstawione: 1\n  11:00:00.000  s30\n"),
              std::string::npos)
        << outcome.err;
    EXPECT_NE(outcome.err.find("Spoty wstawione wi\xC4\x99"
                               "cej ni\xC5\xBC raz: 1\n  10:03:00.000  s20  (2 razy)\n"),
              std::string::npos)
        << outcome.err;
    EXPECT_NE(outcome.err.find("Kompilowanie list - gotowe!"), std::string::npos);
    // Not a terminal: no progress bar.
    EXPECT_EQ(outcome.err.find('\r'), std::string::npos);
    const std::string csv = readFile(path("r.csv"));
    EXPECT_EQ(
        csv.substr(0, csv.find("\r\n")),
        "block time,title,path,length (ms),times placed,reason,booked,aired,drift (ms),"
        "path line,local path tried,length problem,integrated (LUFS),max short-term (LUFS),"
        "true peak (dBTP),loudness reason,block integrated (LUFS),programme integrated (LUFS),"
        "block above programme (LU),programme reason");
    EXPECT_NE(csv.find("10:03:00.000,s20," + path("s20.wav") + ",20000,2,"), std::string::npos)
        << csv;
    EXPECT_NE(csv.find("11:00:00.000,s30," + path("s30.wav") + ",30000,0,never placed"),
              std::string::npos);
}

TEST_F(Batch, ExitCodesTellWhetherEveryBookedSpotAiredOnceWithItsLength) {
    // The X/Y day's two spots at 12:00, named as a Windows traffic system writes them; the
    // command runs in another folder than the list's.
    mix({{"11:59:00.000", "X", "04:00.000"}, {"12:03:00.000", "Y", "04:00.000"}});
    fs::create_directories(path("Spoty"));
    fs::copy_file(path("s20.wav"), path("Spoty/s20.wav"));
    const std::string windowsLines = "C:\\Radio\\S30.WAV\r\n12:00:00\r\nspoty\\S20.wav\r\n";
    write("win.lst", "12:00:00\r\n" + windowsLines);
    write("gone.lst", "12:00:00\r\n" + path("gone.wav") + "\r\n");
    write("nul.lst", "12:00:00\r\n" + path("s30.wav") + std::string("\0.x\r\n", 5));
    const std::string map = "c:/radio=" + m_folder.path();
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int exitCode;
        std::string says;
    };
    const Case cases[] = {
        {"mapped",
         {"--lst", path("win.lst"), "--path-map", map},
         0,
         "ci 0 (brak pliku albo plik nieczytelny): brak"},
        {"no map line",
         {"--lst", path("win.lst")},
         3,
         "  12:00:00.000  S30  C:\\Radio\\S30.WAV\n    brak mapowania dla C:\\\n"},
        {"no map line: where to set one",
         {"--lst", path("win.lst")},
         3,
         "--path-map 'C:\\Radio=/srv/radio' albo w sekcji [Sciezki] pliku kalmero.ini"},
        {"missing file",
         {"--lst", path("gone.lst")},
         3,
         "sprawdzono " + path("gone.wav") + ": brak pliku\n"},
        {"missing file, strict",
         {"--lst", path("gone.lst"), "--strict"},
         1,
         "w trybie \xC5\x9B"
         "cis\xC5\x82ym nic nie zosta\xC5\x82o zapisane"},
        // Measured as the result will name it: up to the NUL.
        {"NUL in a path line", {"--lst", path("nul.lst")}, 0, "bajt NUL w linii 2 (spot 1)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(path("out.mix"));
        const Outcome outcome = run(base(c.args));
        EXPECT_EQ(outcome.exitCode, c.exitCode) << outcome.err;
        EXPECT_NE(outcome.err.find(c.says), std::string::npos) << outcome.err;
        EXPECT_EQ(fs::exists(path("out.mix")), c.exitCode != 1);
    }
    // Measured through the map, the path lines kept byte for byte.
    run(base({"--lst", path("win.lst"), "--path-map", map}));
    const std::string result = readFile(path("out.mix"));
    EXPECT_NE(result.find("Adr=C:\\Radio\\S30.WAV\r\n"), std::string::npos);
    EXPECT_NE(result.find("Adr=spoty\\S20.wav\r\n"), std::string::npos);
    EXPECT_NE(result.find("NwK=00:30.000\r\n"), std::string::npos);
    EXPECT_NE(result.find("NwK=00:20.000\r\n"), std::string::npos);
}

TEST_F(Batch, DaysFromADateEachFromItsOwnFiles) {
    xyDay();
    // 2026-12-07 is a Monday (a break at 12:00); the 8th has no playlist; the 9th one.
    fs::copy_file(path("day.mix"), path("day-20261207.mix"));
    fs::copy_file(path("day.mix"), path("day-20261209.mix"));
    const Outcome outcome =
        run({"--mix", path("day-%Y%m%d.mix"), "--lst", path("day.lst"), "--out",
             path("out-%d-%a-%j-%%.mix"), "--matrix", path("matryca.dat"), "--config",
             path("empty.ini"), "--date", "2026-12-07", "--days", "3"});
    EXPECT_EQ(outcome.exitCode, 1) << outcome.err;
    EXPECT_TRUE(fs::exists(path("out-07-pn-341-%.mix")));
    EXPECT_FALSE(fs::exists(path("out-08-wt-342-%.mix")));
    EXPECT_TRUE(fs::exists(path("out-09-sr-343-%.mix")));
    EXPECT_NE(outcome.err.find("== 2026-12-07 (pn)"), std::string::npos) << outcome.err;
    EXPECT_NE(
        outcome.err.find("2026-12-08 (wt) pomini\xC4\x99ty: brak " + path("day-20261208.mix")),
        std::string::npos);
    // Monday's break went in; Wednesday has none.
    EXPECT_NE(readFile(path("out-07-pn-341-%.mix")).find("Typ=BRK"), std::string::npos);
    EXPECT_EQ(readFile(path("out-09-sr-343-%.mix")).find("Typ=BRK"), std::string::npos);
}

TEST(DayDates, ReadAndWritten) {
    const Day today{2026, 12, 31};
    EXPECT_EQ(parseDay("tomorrow", today), (Day{2027, 1, 1}));
    EXPECT_EQ(parseDay("+60", today), (Day{2027, 3, 1}));
    EXPECT_EQ(parseDay("2024-02-29", today), (Day{2024, 2, 29}));
    for (const char* wrong : {"2026-02-29", "2026-13-01", "26-12-01", "+", "-1", "jutro"}) {
        EXPECT_EQ(parseDay(wrong, today), std::nullopt) << wrong;
    }
    EXPECT_EQ(weekdayOf(Day{2026, 12, 8}), 1);
    EXPECT_EQ(dayOfYear(Day{2024, 12, 31}), 366);
    EXPECT_EQ(expandDay("%Y%m%d %y %j %a %% %q %", Day{2027, 1, 3}), "20270103 27 003 nd % %q %");
}

TEST_F(Batch, SettingsComeFromTheConfiguration) {
    mix({{"11:58:00.000", "A", "04:00.000"}, {"12:02:00.000", "B", "01:00.000"}});
    write("sound.wav", "");
    struct Case {
        const char* name;
        std::string ini;
        std::vector<std::string> extra;
        std::vector<std::string> emis;
        std::string typ;
        std::string warns;  // a stored value out of range is named where it is read
    };
    const std::string soundIni =
        "[Foldery]\r\nFolderPlikBreak=/srv/sygna\xB3.mp3\r\n"
        "[Break]\r\nCzyDzwiek=1\r\nStart=1\r\nTime=20\r\n";
    const Case cases[] = {
        {"Defaults", "", {}, {"11:58:00.000", "12:02:00.000", "12:02:10.000"}, "Typ=BRK", ""},
        {"OnTheHour",
         "[Break]\r\nStart=1\r\nTime=20\r\n",
         {},
         {"11:58:00.000", "12:00:00.000", "12:00:20.000"},
         "Typ=BRK",
         ""},
        {"StartAboveTwo", "[Break]\r\nStart=7\r\n", {}, {"11:58:00.000", "12:02:00.000"}, "", ""},
        {"NegativeTime",
         "[break]\r\nTime=-5\r\n",
         {},
         {"11:58:00.000", "12:02:00.000", "12:02:00.000"},
         "Typ=BRK",
         "Time=-5 w " + path("k.ini") + " jest poza zakresem 0..2147483 s; przyj\xC4\x99to 0 s."},
        {"TimePastTheLongest",
         "[Break]\r\nStart=2\r\nTime=2147483647\r\n",
         {},
         {"11:58:00.000", "12:02:00.000"},
         "",
         "Time=2147483647 w " + path("k.ini") + " jest poza zakresem"},
        {"TimeNotAnInteger",
         "[Break]\r\nTime=5s\r\n",
         {},
         {"11:58:00.000", "12:02:00.000", "12:02:10.000"},
         "Typ=BRK",
         ""},
        {"SoundFromConfiguration",
         soundIni,
         {},
         {"11:58:00.000", "12:00:00.000", "12:00:20.000"},
         "Typ=SND",
         ""},
        {"NoBreakSound",
         soundIni,
         {"--no-break-sound"},
         {"11:58:00.000", "12:00:00.000", "12:00:20.000"},
         "Typ=BRK",
         ""},
        {"OptionsWin",
         soundIni,
         {"--mode", "0", "--break-seconds", "5"},
         {"11:58:00.000", "12:02:00.000", "12:02:05.000"},
         "Typ=SND",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write("k.ini", c.ini);
        std::vector<std::string> args = {"--mix",         path("day.mix"), "--out",
                                         path("out.mix"), "--matrix",      path("matryca.dat"),
                                         "--config",      path("k.ini")};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const Outcome outcome = run(args);
        ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_EQ(emis(), c.emis);
        EXPECT_EQ(outcome.err.find(" breaka Time=") != std::string::npos, !c.warns.empty())
            << outcome.err;
        EXPECT_NE(outcome.err.find(c.warns), std::string::npos) << outcome.err;
        const std::string result = readFile(path("out.mix"));
        if (!c.typ.empty()) {
            EXPECT_NE(result.find(c.typ + "\r\n"), std::string::npos);
        }
        if (c.typ == "Typ=SND") {
            EXPECT_NE(result.find("Ide=sygna\xB3\r\n"), std::string::npos);
            EXPECT_NE(result.find("Adr=/srv/sygna\xB3.mp3\r\n"), std::string::npos);
        }
    }
}

TEST_F(Batch, BreakSoundPathIsStoredAsWindows1250) {
    mix({{"11:58:00.000", "A", "04:00.000"}});
    const Outcome outcome =
        run(base({"--break-sound", "/srv/d\xC5\xBAwi\xC4\x99k/sygna\xC5\x82.mp3"}));
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    const std::string result = readFile(path("out.mix"));
    EXPECT_NE(result.find("Typ=SND\r\n"), std::string::npos);
    EXPECT_NE(result.find("Ide=sygna\xB3\r\n"), std::string::npos);
    EXPECT_NE(result.find("Adr=/srv/d\x9Fwi\xEAk/sygna\xB3.mp3\r\n"), std::string::npos);
    EXPECT_NE(result.find("Tyt=Wiadomo\x9C"
                          "ci\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace kalmero::test
