// Spot paths as a Windows traffic system writes them, found on the station's Linux disk.
#include "platform/spot_locator.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/audio_test_support.h"
#include "support/path_maps.h"
#include "support/silent_wav.h"

namespace kalmero {
namespace {

using test::mapOf;
using test::silentWav;

struct LocateCase {
    const char* name;
    std::string pathLine;  // Windows-1250
    std::string tried;     // below the test folder; empty: nothing tried
    std::int64_t ms;
    SpotProblem kind;
    std::string problem;
};

class SpotLocatorTest : public test::TempFolderTest {
protected:
    // A spot of `ms` at 8 kHz below the test folder.
    void spot(const std::string& name, std::int64_t ms) {
        std::filesystem::create_directories(std::filesystem::path(file(name)).parent_path());
        m_temp.write(name, silentWav(8'000, static_cast<std::uint32_t>(ms * 8)));
    }
};

TEST_F(SpotLocatorTest, FindsEachPathLineAsTheStationsWindowsMachinesWould) {
    spot("radio/spoty/pizzeria.wav", 1'000);
    spot("radio/spoty/\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87.wav", 1'100);  // żółć
    spot("radio/spoty/dwa.wav", 1'200);
    spot("radio/spoty/DWA.wav", 1'300);
    spot("radio/spoty/nowe/x.wav", 1'400);
    spot("reklamy/12345.wav", 2'000);
    spot("lista/spoty/kino.wav", 500);
    // Where a relative path would land if taken from the process's current folder.
    spot("radio/spoty/kino.wav", 3'000);
    m_temp.write("radio/spoty/notatka.wav", "to nie jest dzwiek");
    const PathMap map = mapOf({{"C:\\Radio", folder + "/radio"},
                               {"c:/radio/SPOTY/Nowe/", folder + "/radio/spoty/nowe"},
                               {"\\\\SERWER\\reklamy", folder + "/reklamy/"},
                               {"E:\\Brak", folder + "/nie_ma"}});
    const test::InFolder elsewhere(folder + "/radio");

    const LocateCase cases[] = {
        {"a drive letter", "C:\\Radio\\spoty\\pizzeria.wav", "radio/spoty/pizzeria.wav", 1'000,
         SpotProblem::None, ""},
        {"a small drive letter and forward slashes", "c:/RADIO/spoty/pizzeria.wav",
         "radio/spoty/pizzeria.wav", 1'000, SpotProblem::None, ""},
        {"a name in another letter case", "C:\\Radio\\SPOTY\\Pizzeria.WAV",
         "radio/spoty/pizzeria.wav", 1'000, SpotProblem::None, ""},
        {"Polish letters in another case", "C:\\Radio\\spoty\\\xAF\xD3\xA3\xC6.WAV",
         "radio/spoty/\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87.wav", 1'100, SpotProblem::None, ""},
        {"two files differing only in case", "C:\\Radio\\spoty\\Dwa.wav", "radio/spoty/Dwa.wav", 0,
         SpotProblem::CaseVariants,
         "kilka nazw różni się tylko wielkością liter: DWA.wav, dwa.wav"},
        {"the exact name among case variants", "C:\\Radio\\spoty\\dwa.wav", "radio/spoty/dwa.wav",
         1'200, SpotProblem::None, ""},
        {"the longest prefix wins", "C:\\Radio\\Spoty\\NOWE\\x.wav", "radio/spoty/nowe/x.wav",
         1'400, SpotProblem::None, ""},
        {"a share", "\\\\serwer\\REKLAMY\\12345.wav", "reklamy/12345.wav", 2'000, SpotProblem::None,
         ""},
        {"a share with forward slashes", "//SERWER/reklamy/12345.WAV", "reklamy/12345.wav", 2'000,
         SpotProblem::None, ""},
        {"relative with backslashes: the list's folder", "spoty\\kino.wav", "lista/spoty/kino.wav",
         500, SpotProblem::None, ""},
        {"relative with slashes: the list's folder", "spoty/kino.wav", "lista/spoty/kino.wav", 500,
         SpotProblem::None, ""},
        {"an absolute Linux path as it is", folder + "/radio/spoty/pizzeria.wav",
         "radio/spoty/pizzeria.wav", 1'000, SpotProblem::None, ""},
        {"a drive with no map line", "D:\\SPOTY\\12345.MP3", "", 0, SpotProblem::NoMap,
         "brak mapowania dla D:\\"},
        {"a prefix covers whole folder names only", "c:\\Radiowe\\a.wav", "", 0, SpotProblem::NoMap,
         "brak mapowania dla c:\\"},
        {"a share with no map line", "\\\\INNY\\udzial\\a.mp3", "", 0, SpotProblem::NoMap,
         "brak mapowania dla \\\\INNY\\udzial"},
        {"a map whose folder is missing", "E:\\Brak\\a.wav", "nie_ma/a.wav", 0,
         SpotProblem::NotFound, "brak pliku"},
        {"no such file in any case", "C:\\Radio\\spoty\\brak.wav", "radio/spoty/brak.wav", 0,
         SpotProblem::NotFound, "brak pliku"},
        {"not audio", "C:\\Radio\\spoty\\notatka.wav", "radio/spoty/notatka.wav", 0,
         SpotProblem::Unreadable, "nie można odczytać pliku"},
        {"an empty path line", "", "", 0, SpotProblem::NotFound, "pusta ścieżka"},
    };
    const SpotMeasurer measure = newMappedLoadMeasurer(map, folder + "/lista");
    for (const LocateCase& c : cases) {
        const SpotMeasure got = measure(c.pathLine);
        EXPECT_EQ(got.localPath, c.tried.empty() ? "" : file(c.tried)) << c.name;
        EXPECT_EQ(got.ms, c.ms) << c.name;
        EXPECT_EQ(got.kind, c.kind) << c.name;
        EXPECT_EQ(got.problem, c.problem) << c.name;
    }
}

TEST_F(SpotLocatorTest, ALoadReadsAFolderOnceForAllItsSpots) {
    constexpr int kSpots = 300;
    for (int i = 0; i < kSpots; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "many/s%03d.wav", i);
        spot(name, 10);
    }
    DiskAsked asked;
    const SpotMeasurer measure =
        newMappedLoadMeasurer(mapOf({{"C:\\Many", folder + "/many"}}), folder, {}, &asked);
    for (int i = 0; i < kSpots; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "C:\\Many\\S%03d.WAV", i);
        ASSERT_EQ(measure(line).ms, 10) << line;
    }
    EXPECT_EQ(asked.foldersListed, 1);
}

// A month's playlist names thousands of songs in a few folders that may be missing: the disk
// is asked once for each path, and a folder known missing answers for every file in it.
TEST_F(SpotLocatorTest, EachPathIsLookedUpOnceAndAMissingFolderAnswersForItsFiles) {
    spot("jest/x.wav", 100);
    const int walk = static_cast<int>(std::count(folder.begin(), folder.end(), '/'));
    DiskAsked asked;
    const SpotLocator locator(PathMap{}, folder, &asked);
    const struct {
        const char* pathLine;
        int lookups;  // new ones
        SpotProblem problem;
    } cases[] = {
        {"jest/x.wav", 1, SpotProblem::None},
        {"jest/x.wav", 0, SpotProblem::None},
        // The file, then each level from the root down to the missing folder.
        {"brak/a.wav", 1 + walk + 1, SpotProblem::NotFound},
        {"brak/b.wav", 0, SpotProblem::NotFound},
        {"brak/nizej/c.wav", 0, SpotProblem::NotFound},
        {"brak/a.wav", 0, SpotProblem::NotFound},
        // Another spelling is another path: its file, then its folder before the listing.
        {"BRAK/d.wav", 2, SpotProblem::NotFound},
        // A missing file in a folder that is there: the file and that folder.
        {"jest/y.wav", 2, SpotProblem::NotFound},
        {"jest/z.wav", 1, SpotProblem::NotFound},
    };
    for (const auto& c : cases) {
        const int before = asked.lookups;
        EXPECT_EQ(locator.locate(c.pathLine).problem, c.problem) << c.pathLine;
        EXPECT_EQ(asked.lookups - before, c.lookups) << c.pathLine;
    }
}

// Only a path known to be missing is looked for in other letter cases; one whose folder can't
// be searched is measured as written, so that the operator hears why it can't be opened.
TEST(SpotLocatorRule, OnlyAMissingPathIsLookedForInOtherLetterCases) {
    const struct {
        int error;
        bool missing;
    } cases[] = {
        {ENOENT, true}, {ENOTDIR, true},       {EACCES, false}, {EPERM, false},
        {ELOOP, false}, {ENAMETOOLONG, false}, {EIO, false},    {EOVERFLOW, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(knownMissing(c.error), c.missing) << c.error;
    }
}

TEST_F(SpotLocatorTest, TheWalkPrefersTheExactNameAndNamesEveryVariantInOrder) {
    spot("a/Spoty/x.wav", 100);
    spot("a/SPOTY/x.wav", 100);
    spot("a/spoty/x.wav", 100);
    spot("b/Reklamy/Y.wav", 100);
    spot("b/REKLAMY/y.wav", 100);
    spot("c/Jedyny/Z.wav", 100);
    const SpotLocator locator(PathMap{}, folder);
    const struct {
        const char* pathLine;
        std::string found;  // below the test folder
        SpotProblem problem;
        std::string reason;
    } cases[] = {
        // As written first: an exact folder among its case variants is taken.
        {"a/spoty/x.wav", "a/spoty/x.wav", SpotProblem::None, ""},
        {"a\\SPOTY\\x.wav", "a/SPOTY/x.wav", SpotProblem::None, ""},
        // No exact name: several variants of one level are a problem naming them sorted.
        {"a/sPOTY/x.wav", "a/sPOTY/x.wav", SpotProblem::CaseVariants,
         "kilka nazw różni się tylko wielkością liter: SPOTY, Spoty, spoty"},
        {"b/reklamy/y.wav", "b/reklamy/y.wav", SpotProblem::CaseVariants,
         "kilka nazw różni się tylko wielkością liter: REKLAMY, Reklamy"},
        // One variant per level is followed level by level.
        {"C/JEDYNY/z.WAV", "c/Jedyny/Z.wav", SpotProblem::None, ""},
        {"c/jedyny/brak.wav", "c/jedyny/brak.wav", SpotProblem::NotFound, "brak pliku"},
    };
    for (const auto& c : cases) {
        const SpotLocation got = locator.locate(c.pathLine);
        EXPECT_EQ(got.localPath, folder + "/" + c.found) << c.pathLine;
        EXPECT_EQ(got.problem, c.problem) << c.pathLine;
        EXPECT_EQ(got.reason, c.reason) << c.pathLine;
    }
}

// A locator told no list folder takes relative path lines in the current folder, never the
// file system's root.
TEST_F(SpotLocatorTest, NoListFolderIsTheCurrentOne) {
    spot("lista/spoty/kino.wav", 500);
    const test::InFolder inList(folder + "/lista");
    const SpotLocator locator(PathMap{}, "");
    for (const char* pathLine : {"spoty\\kino.wav", "spoty/KINO.wav"}) {
        const SpotLocation got = locator.locate(pathLine);
        EXPECT_EQ(got.localPath, "./spoty/kino.wav") << pathLine;
        EXPECT_EQ(got.problem, SpotProblem::None) << pathLine;
    }
}

// A folder this user may not search: the file is not looked for in other letter cases (its
// name can't be known), and measuring it says it can't be read.
TEST_F(SpotLocatorTest, AFolderThatCannotBeSearchedIsNotWalked) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root searches every folder";
    }
    spot("zamkniety/a.wav", 100);
    std::filesystem::permissions(file("zamkniety"), std::filesystem::perms::owner_read);
    const SpotLocator locator(PathMap{}, folder);
    const SpotLocation got = locator.locate("zamkniety/A.wav");
    std::filesystem::permissions(file("zamkniety"), std::filesystem::perms::owner_all);
    EXPECT_EQ(got.localPath, folder + "/zamkniety/A.wav");
    EXPECT_EQ(got.problem, SpotProblem::None);
}

}  // namespace
}  // namespace kalmero
