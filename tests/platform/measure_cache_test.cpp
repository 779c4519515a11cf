// The cache of measurings: what its key holds, what it keeps, and what it does with a file at
// its place that isn't ours or that another process keeps locked.
#include "platform/measure_cache.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>

#include "platform/audio_test_support.h"
#include "platform/spot_pool.h"
#include "support/audio_writer.h"

namespace kalmero {
namespace {

class MeasureCacheKeyTest : public test::TempFolderTest {
protected:
    std::string cachePath() const { return file("cache/spoty.sqlite"); }

    // Runs `sql` on the SQLite file at `path` (made when missing), as another program would.
    static void runSql(const std::string& path, const std::string& sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(::sqlite3_open(path.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(::sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
        ::sqlite3_close(db);
    }
};

FileIdentity someFile() { return FileIdentity{"C:\\spoty\\pizzeria.mp3", 1, 2, 3, 4, 5, 6, 7}; }

TEST(FileIdentity, TakesEveryFieldFromTheFilesStatus) {
    struct stat info {};
    info.st_dev = 11;
    info.st_ino = 12;
    info.st_size = 13;
    info.st_mtim = {14, 15};
    info.st_ctim = {16, 17};
    EXPECT_EQ(identityOf("a.mp3", info), (FileIdentity{"a.mp3", 11, 12, 13, 14, 15, 16, 17}));
}

TEST_F(MeasureCacheKeyTest, EachFieldOfTheFilesIdentityIsInTheKey) {
    MeasureCache cache(cachePath());
    SpotLoudness loudness;
    loudness.header.ms = 30'000;
    const FileIdentity stored = someFile();
    cache.store(stored, loudness);
    ASSERT_EQ(cache.find(stored), loudness);
    struct Case {
        const char* field;
        void (*change)(FileIdentity&);
    };
    const Case cases[] = {
        {"path", [](FileIdentity& f) { f.path += "x"; }},
        {"device", [](FileIdentity& f) { ++f.device; }},
        {"inode", [](FileIdentity& f) { ++f.inode; }},
        {"size", [](FileIdentity& f) { ++f.size; }},
        {"modifiedSeconds", [](FileIdentity& f) { ++f.modifiedSeconds; }},
        {"modifiedNanoseconds", [](FileIdentity& f) { ++f.modifiedNanoseconds; }},
        // Rewritten in place with the old size and modification time put back.
        {"changedSeconds", [](FileIdentity& f) { ++f.changedSeconds; }},
        {"changedNanoseconds", [](FileIdentity& f) { ++f.changedNanoseconds; }},
    };
    for (const Case& c : cases) {
        FileIdentity other = stored;
        c.change(other);
        EXPECT_FALSE(cache.find(other).has_value()) << c.field;
    }
}

TEST_F(MeasureCacheKeyTest, AFailedMeasuringIsMeasuredAgainNextTime) {
    // A failure can't be told from a passing one (memory, an I/O error): never kept.
    test::writeBytes(file("zly.wav"), "RIFF\x10\0\0\0WAVEfmt " + std::string(200, '\x7F'));
    writeAudioFile(file("dobry.wav"), AudioKind::Wav, 8'000, test::sweep(8'000, 8'000));
    const std::vector<std::string> paths = {file("zly.wav"), file("dobry.wav")};
    std::atomic<int> decoded{0};
    SpotPoolRun run;
    run.settings.header.filesDecoded = &decoded;
    for (int pass = 0; pass < 2; ++pass) {
        MeasureCache cache(cachePath());
        const auto measured = measureSpots(paths, &cache, run);
        ASSERT_TRUE(measured[0] && measured[1]);
        EXPECT_TRUE(measured[0]->problem.any());
        EXPECT_FALSE(measured[1]->problem.any());
    }
    EXPECT_EQ(decoded, 3) << "the bad file twice, the good one once";
}

TEST_F(MeasureCacheKeyTest, ALockedCacheIsLeftAloneAfterTheFirstWait) {
    SpotLoudness loudness;
    loudness.header.ms = 30'000;
    FileIdentity before = someFile();
    MeasureCache(cachePath()).store(before, loudness);

    MeasureCache cache(cachePath(), std::chrono::milliseconds(50));
    ASSERT_EQ(cache.find(before), loudness);
    sqlite3* other = nullptr;
    ASSERT_EQ(::sqlite3_open(cachePath().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(::sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    FileIdentity during = someFile();
    during.path = "C:\\spoty\\kebab.mp3";
    cache.store(during, loudness);
    ::sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    ::sqlite3_close(other);

    // Free again, but each spot would have waited: the rest of the run goes without it.
    EXPECT_FALSE(cache.find(before).has_value());
    const std::string warning = "pamięć pomiarów " + cachePath() +
                                " zajęta przez inny proces; do końca pracy spoty mierzone są "
                                "bez niej";
    EXPECT_EQ(cache.takeWarning(), warning);
    EXPECT_EQ(cache.takeWarning(), "") << "said once";
    EXPECT_EQ(cache.warning(), warning);
    MeasureCache later(cachePath());
    EXPECT_EQ(later.find(before), loudness);
    EXPECT_FALSE(later.find(during).has_value());
}

TEST_F(MeasureCacheKeyTest, ACacheLockedWhileOpeningIsNeitherMovedNorWaitedForAgain) {
    SpotLoudness loudness;
    loudness.header.ms = 30'000;
    MeasureCache(cachePath()).store(someFile(), loudness);
    sqlite3* other = nullptr;
    ASSERT_EQ(::sqlite3_open(cachePath().c_str(), &other), SQLITE_OK);
    // Even its readers wait.
    ASSERT_EQ(::sqlite3_exec(other, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr,
                             nullptr, nullptr),
              SQLITE_OK);
    MeasureCache cache(cachePath(), std::chrono::milliseconds(50));
    ::sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    ::sqlite3_close(other);
    EXPECT_FALSE(cache.find(someFile()).has_value());
    EXPECT_NE(cache.warning().find("zajęta przez inny proces"), std::string::npos)
        << cache.warning();
    EXPECT_FALSE(std::filesystem::exists(cachePath() + ".obcy-1"));
    EXPECT_EQ(MeasureCache(cachePath()).find(someFile()), loudness);
}

TEST_F(MeasureCacheKeyTest, AFileThatIsNoCacheOfOursIsMovedAsideUntouched) {
    struct Case {
        const char* name;
        const char* sql;  // what another program (or ours before) made at the cache's place
        bool ours;
    };
    const Case cases[] = {
        {"OtherProgram", "CREATE TABLE t(x); INSERT INTO t VALUES(1); PRAGMA user_version=7;",
         false},
        {"OurTableBesideOthers",
         "CREATE TABLE spot(path BLOB PRIMARY KEY) WITHOUT ROWID; CREATE TABLE t(x);"
         " PRAGMA user_version=1;",
         false},
        {"AnotherProgramsMark",
         "CREATE TABLE spot(path BLOB PRIMARY KEY) WITHOUT ROWID; PRAGMA user_version=1;"
         " PRAGMA application_id=7;",
         false},
        {"OursBeforeTheMark",
         "CREATE TABLE spot(path BLOB PRIMARY KEY) WITHOUT ROWID; PRAGMA user_version=1;", true},
    };
    SpotLoudness loudness;
    loudness.header.ms = 30'000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(file("cache"));
        std::filesystem::create_directories(file("cache"));
        runSql(cachePath(), c.sql);
        const std::string bytes = test::readBytes(cachePath());
        MeasureCache cache(cachePath());
        cache.store(someFile(), loudness);
        EXPECT_EQ(cache.find(someFile()), loudness);
        EXPECT_EQ(std::filesystem::exists(cachePath() + ".obcy-1"), !c.ours);
        if (!c.ours) {
            EXPECT_EQ(test::readBytes(cachePath() + ".obcy-1"), bytes);
            EXPECT_EQ(cache.warning(), "plik " + cachePath() +
                                           " nie był pamięcią pomiarów Kalmero; przeniesiono go "
                                           "jako spoty.sqlite.obcy-1 i utworzono nową pamięć");
        }
    }
}

}  // namespace
}  // namespace kalmero
