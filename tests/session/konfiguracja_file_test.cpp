#include "formats/konfiguracja_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <map>
#include <string>
#include <vector>

#include "formats/test_support.h"
#include "model/file_error.h"
#include "session/disk_files.h"

namespace kalmero {
namespace {

using test::TempFolder;

class Configuration : public ::testing::Test {
protected:
    std::string ini() const { return konfiguracjaPath(folder.path()); }
    std::string iniText() const { return test::readBytes(ini()); }
    bool iniExists() const {
        struct stat info {};
        return ::stat(ini().c_str(), &info) == 0;
    }

    TempFolder folder;
};

TEST_F(Configuration, ReadsTypedValuesWithTheirDefaults) {
    test::writeBytes(ini(),
                     "[Break]\r\nHex=$1E\r\nZeros=007\r\nBlanks=  12  \r\nWord=abc\r\n"
                     "Huge=2147483648\r\nLow=-2147483648\r\nNeg=-5\r\nEmpty=\r\nx=0x10\r\n"
                     "Two=2\r\nZero=0\r\n");
    const std::pair<const char*, std::int32_t> integers[] = {
        {"Hex", 30},        {"Zeros", 7}, {"Blanks", 12}, {"Word", -1}, {"Huge", -1},
        {"Low", INT32_MIN}, {"Neg", -5},  {"Empty", -1},  {"x", -1},    {"Missing", -1},
    };
    for (const auto& [key, value] : integers) {
        EXPECT_EQ(iniReadInteger(ini(), "BREAK", key, -1), value) << key;
    }
    const std::pair<const char*, bool> booleans[] = {
        {"Two", true}, {"Neg", true}, {"Zero", false}, {"Word", true}, {"Missing", true},
    };
    for (const auto& [key, value] : booleans) {
        EXPECT_EQ(iniReadBool(ini(), "Break", key, true), value) << key;
    }
    EXPECT_FALSE(iniReadBool(ini(), "Break", "Word", false));
    EXPECT_EQ(iniReadString(ini(), "break", "hex"), "$1E");
    EXPECT_EQ(iniReadString(ini(), "Foldery", "hex"), std::nullopt);
}

TEST_F(Configuration, ReadingNeverCreatesOrNeedsTheFile) {
    EXPECT_EQ(iniReadString(ini(), "Foldery", "FolderMIX"), std::nullopt);
    EXPECT_EQ(iniReadInteger(ini(), "Break", "Time", 10), 10);
    EXPECT_FALSE(iniExists());
    // A directory or FIFO in the file's place reads as no file, without blocking.
    ::mkdir(ini().c_str(), 0700);
    EXPECT_EQ(iniReadInteger(ini(), "Break", "Time", 10), 10);
    ::rmdir(ini().c_str());
    ::mkfifo(ini().c_str(), 0600);
    EXPECT_EQ(iniReadInteger(ini(), "Break", "Time", 10), 10);
}

TEST_F(Configuration, WritesKeepEverythingElse) {
    const std::string before =
        "; hand-written notes\n[foldery]\nFolderMIX=/mix/\nUnknown=keep me\n\n[BREAK]\nStart=0\n";
    test::writeBytes(ini(), before);
    iniWriteInteger(ini(), "Break", "Start", 2);
    iniWriteBool(ini(), "Break", "Fade", true);
    iniWriteString(ini(), "Foldery", "FolderLST",
                   "/reklamy \xB3\xF3"
                   "d\xBF/");
    EXPECT_EQ(iniText(),
              "; hand-written notes\n[foldery]\nFolderMIX=/mix/\nUnknown=keep me\n"
              "FolderLST=/reklamy \xB3\xF3"
              "d\xBF/\n\n[BREAK]\nStart=2\nFade=1\n");
}

TEST_F(Configuration, AFailedWriteReportsAndKeepsTheOldFile) {
    const std::string missing = folder / "no-such-folder/kalmero.ini";
    try {
        iniWriteInteger(missing, "Break", "Time", 5);
        ADD_FAILURE() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Nie można zapisać pliku \"" + missing + "\": nie ma takiego pliku ani katalogu");
    }

    test::writeBytes(ini(), "[Break]\r\nTime=10\r\n");
    // A line break in a value would smuggle in another key.
    EXPECT_THROW(iniWriteString(ini(), "Foldery", "FolderMIX", "/a\r\n[Break]\r\nStart=2"),
                 FileError);
    {
        // The file size limit makes the write itself fail, for root too.
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = old;
        limited.rlim_cur = 5;
        ::setrlimit(RLIMIT_FSIZE, &limited);
        std::string message;
        try {
            storeFade(ini(), true);
        } catch (const FileError& error) {
            message = error.what();
        }
        ::setrlimit(RLIMIT_FSIZE, &old);
        ::signal(SIGXFSZ, oldHandler);
        EXPECT_EQ(message, "Nie można zapisać pliku \"" + ini() + "\": plik jest za duży");
    }
    EXPECT_EQ(iniText(), "[Break]\r\nTime=10\r\n");
    EXPECT_EQ(folder.entries(), std::set<std::string>{"kalmero.ini"});

    // A directory in the file's place is not replaced.
    ::mkdir((folder / "dir.ini").c_str(), 0700);
    EXPECT_THROW(iniWriteInteger(folder / "dir.ini", "Break", "Time", 1), FileError);
}

struct StartupCase {
    const char* name;
    std::string ini;  // empty: no file at all
    BreakMode mode;
    bool fade;
    std::int64_t seconds;
    std::int64_t driftLimitMs = 300'000;
};

TEST_F(Configuration, StartUpReadsTheStoredSettingsAndWritesNothing) {
    // clang-format off
    const StartupCase cases[] = {
        {"first run, no file", "", BreakMode::Nearest, false, 10},
        {"Start=1", "[Break]\r\nStart=1\r\nTime=0\r\n", BreakMode::OnTheHour, false, 0},
        {"Start=7 is taken as 2", "[Break]\r\nStart=7\r\nTime=0\r\n", BreakMode::None, false, 0},
        {"Start=-1 selects nothing", "[Break]\r\nStart=-1\r\nTime=0\r\n", BreakMode::NotSelected,
         false, 0},
        {"Start=-9 likewise", "[Break]\r\nStart=-9\r\nTime=0\r\n", BreakMode::NotSelected, false, 0},
        {"Time=-5 stays as read", "[Break]\r\nTime=-5\r\n", BreakMode::Nearest, false, -5},
        {"Time above the largest break", "[Break]\r\nTime=99999999\r\n", BreakMode::Nearest, false,
         2147483},
        {"Time in hexadecimal", "[Break]\r\nTime=$1E\r\n", BreakMode::Nearest, false, 30},
        {"Time not a number reads as 10", "[Break]\r\nTime=ten\r\n", BreakMode::Nearest, false, 10},
        {"Fade with mode 1", "[break]\r\nFADE=1\r\nstart=1\r\ntime=0\r\n", BreakMode::OnTheHour,
         true, 0},
        {"Fade=5", "[Break]\r\nFade=5\r\nTime=0\r\n", BreakMode::Nearest, true, 0},
        {"DriftMinutes=0 names every late block", "[Kontrola]\r\nDriftMinutes=0\r\n",
         BreakMode::Nearest, false, 10, 0},
    };
    // clang-format on
    for (const StartupCase& c : cases) {
        ::unlink(ini().c_str());
        if (!c.ini.empty()) {
            test::writeBytes(ini(), c.ini);
        }
        Konfiguracja konfiguracja;
        const StoredSettings stored = OdczytajKonfiguracje(ini(), konfiguracja);
        EXPECT_EQ(stored.mode, c.mode) << c.name;
        EXPECT_EQ(stored.fade, c.fade) << c.name;
        EXPECT_EQ(stored.seconds, c.seconds) << c.name;
        EXPECT_EQ(stored.driftLimitMs, c.driftLimitMs) << c.name;
        EXPECT_EQ(iniExists(), !c.ini.empty()) << c.name;
        if (!c.ini.empty()) {
            EXPECT_EQ(iniText(), c.ini) << c.name;
        }
        EXPECT_EQ(konfiguracja.FolderMIX + konfiguracja.FolderLST + konfiguracja.FolderWynikowy, "")
            << c.name;
    }
}

TEST_F(Configuration, StartUpKeepsOnlyFoldersThatExist) {
    ::mkdir((folder / "mix").c_str(), 0700);
    ::mkdir((folder / "out").c_str(), 0700);
    const std::string mix = folder / "mix/";
    const std::string gone = folder / "deleted/";
    const std::string text = "[Foldery]\r\nFolderMIX=" + mix + "\r\nFolderLST=" + gone +
                             "\r\nFolderWynikowy=\r\n[Break]\r\nTime=0\r\n";
    test::writeBytes(ini(), text);
    Konfiguracja konfiguracja;
    konfiguracja.FolderWynikowy = folder / "out/";  // the key is there, so it wins
    OdczytajKonfiguracje(ini(), konfiguracja);
    EXPECT_EQ(konfiguracja.FolderMIX, mix);
    EXPECT_EQ(konfiguracja.FolderLST, "");
    EXPECT_EQ(konfiguracja.FolderWynikowy, "");
    EXPECT_EQ(iniText(), text) << "the file keeps the folders it had";

    // The check decides with the caller's own conversion of the stored bytes.
    test::writeBytes(ini(), "[Foldery]\r\nFolderMIX=/muzyka \xB9/\r\nFolderLST=/elsewhere/\r\n");
    Konfiguracja held;
    std::vector<std::string> asked;
    OdczytajKonfiguracje(ini(), held, [&asked](const std::string& f) {
        asked.push_back(f);
        return f == "/muzyka \xB9/";
    });
    EXPECT_EQ(held.FolderMIX, "/muzyka \xB9/");
    EXPECT_EQ(held.FolderLST, "");
    EXPECT_EQ(asked, (std::vector<std::string>{"/muzyka \xB9/", "/elsewhere/"}));
}

TEST_F(Configuration, BreakLengthFieldCorrectsAndStores) {
    struct EditCase {
        std::string text;
        std::optional<std::string> corrected;
        std::string stored;
    };
    const EditCase cases[] = {
        {"15", std::nullopt, "15"},
        {"007", std::nullopt, "7"},
        {"", "0", "0"},
        {"abc", "0", "0"},
        {"-3", "0", "0"},
        {"0", std::nullopt, "0"},
        {"2147483", std::nullopt, "2147483"},
        {"2147484", "2147483", "2147483"},
        {"99999999999999999999", "0", "0"},
    };
    for (const EditCase& c : cases) {
        const BreakLength::FieldReading reading = BreakLength::fromFieldText(c.text);
        EXPECT_EQ(reading.correction, c.corrected) << c.text;
        storeBreakLength(ini(), reading.length);
        EXPECT_EQ(iniReadString(ini(), "Break", "Time"), c.stored) << c.text;
    }
    storeBreakMode(ini(), BreakMode::NotSelected);
    EXPECT_EQ(iniReadString(ini(), "Break", "Start"), std::nullopt);
    storeBreakMode(ini(), BreakMode::OnTheHour);
    EXPECT_EQ(iniReadString(ini(), "Break", "Start"), "1");
}

TEST_F(Configuration, BreakSoundKeys) {
    Konfiguracja konfiguracja;
    konfiguracja.FolderPlikBreak = "/held/sygnal.mp3";
    konfiguracja.CzyDzwiek = true;
    readBreakSoundSettings(ini(), konfiguracja);
    EXPECT_EQ(konfiguracja.FolderPlikBreak, "/held/sygnal.mp3");
    EXPECT_TRUE(konfiguracja.CzyDzwiek);
    EXPECT_FALSE(iniExists());

    konfiguracja.FolderPlikBreak = "/d\xBCwi\xEAki/news.wav";
    konfiguracja.CzyDzwiek = false;
    storeBreakSound(ini(), konfiguracja);
    EXPECT_EQ(iniText(),
              "[Foldery]\r\nFolderPlikBreak=/d\xBCwi\xEAki/news.wav\r\n[Break]\r\nCzyDzwiek=0\r\n");

    test::writeBytes(ini(), "[Foldery]\r\nFolderPlikBreak=/x.mp3\r\n[Break]\r\nCzyDzwiek=1\r\n");
    Konfiguracja fresh;
    readBreakSoundSettings(ini(), fresh);
    EXPECT_EQ(fresh.FolderPlikBreak, "/x.mp3");
    EXPECT_TRUE(fresh.CzyDzwiek);
    // The start-up reading takes the break sound too, whatever the folder check says.
    Konfiguracja started;
    OdczytajKonfiguracje(ini(), started, [](const std::string&) { return false; });
    EXPECT_EQ(started.FolderPlikBreak, "/x.mp3");
    EXPECT_TRUE(started.CzyDzwiek);
}

}  // namespace
}  // namespace kalmero
