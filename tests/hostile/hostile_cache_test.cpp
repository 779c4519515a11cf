// The measuring cache on hostile ground, through the real batch command: links planted at its
// folder, another program's database at its place, outputs naming it, no home at all. The day
// is written either way; the cache is never where it must not be.
#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdlib>

#include "hostile_support.h"

namespace kalmero::test {
namespace {

class HostileCache : public HostileTest {
protected:
    void TearDown() override {
        ::setenv("XDG_CACHE_HOME", m_cacheHome.c_str(), 1);
        HostileTest::TearDown();
    }
    // The cache under `folder` for this test's runs.
    static void cacheIn(const std::string& folder) {
        ::setenv("XDG_CACHE_HOME", folder.c_str(), 1);
    }
    static std::string cacheFile(const std::string& folder) {
        return folder + "/kalmero/spoty.sqlite";
    }
    Outcome day(std::vector<std::string> more = {}) const {
        std::vector<std::string> args = {"--mix",          path("good.mix"), "--lst",
                                         path("good.lst"), "--mode",         "0"};
        args.insert(args.end(), more.begin(), more.end());
        return batch(args);
    }

    const std::string m_cacheHome =
        std::getenv("XDG_CACHE_HOME") != nullptr ? std::getenv("XDG_CACHE_HOME") : "";
};

constexpr uid_t kNobody = 65534;

TEST_F(HostileCache, ALinkAnotherAccountPlantedAtTheCacheFolderIsNotFollowed) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to plant another user's link";
    }
    for (const mode_t shared : {01777, 0777, 02775}) {
        SCOPED_TRACE(shared);
        const std::string folder = path("shared" + std::to_string(shared));
        const std::string victim = path("victim" + std::to_string(shared));
        ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
        ASSERT_EQ(::chmod(folder.c_str(), shared), 0);
        ASSERT_EQ(::mkdir(victim.c_str(), 0700), 0);
        ASSERT_EQ(::symlink(victim.c_str(), (folder + "/kalmero").c_str()), 0);
        ASSERT_EQ(::lchown((folder + "/kalmero").c_str(), kNobody, kNobody), 0);
        cacheIn(folder);
        const Outcome outcome = day({"--out", path("out.mix")});
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_FALSE(fs::exists(victim + "/spoty.sqlite"));
        EXPECT_NE(outcome.err.find("nieużyta (dowiązanie innego konta"), std::string::npos)
            << outcome.err;
    }
}

TEST_F(HostileCache, AnotherProgramsDatabaseAtTheCachesPlaceIsLeftAsItWas) {
    const std::string other = path("other.sqlite");
    sqlite3* db = nullptr;
    ASSERT_EQ(::sqlite3_open(other.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(::sqlite3_exec(db,
                             "CREATE TABLE spot(path BLOB PRIMARY KEY) WITHOUT ROWID;"
                             " INSERT INTO spot VALUES(x'01'); PRAGMA user_version=9;",
                             nullptr, nullptr, nullptr),
              SQLITE_OK);
    ::sqlite3_close(db);
    const std::string bytes = readFile(other);
    const std::string folder = path("c");
    fs::create_directories(folder + "/kalmero");
    ASSERT_EQ(::symlink(other.c_str(), cacheFile(folder).c_str()), 0);
    cacheIn(folder);

    const Outcome outcome = day({"--out", path("out.mix")});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(readFile(other), bytes) << "neither dropped nor switched to WAL";
    EXPECT_FALSE(fs::exists(other + "-wal"));
    struct stat aside {};
    ASSERT_EQ(::lstat((cacheFile(folder) + ".obcy-1").c_str(), &aside), 0);
    EXPECT_TRUE(S_ISLNK(aside.st_mode)) << "the link moved aside, not what it names";
    EXPECT_NE(outcome.err.find("nie był pamięcią pomiarów Kalmero"), std::string::npos)
        << outcome.err;
}

TEST_F(HostileCache, AnOutputNamingTheCacheIsAUsageError) {
    const std::string folder = path("c");
    cacheIn(folder);
    ASSERT_EQ(day({"--out", path("out.mix")}).exitCode, 0);
    const std::string cache = cacheFile(folder);
    const std::string bytes = readFile(cache);
    ASSERT_EQ(::symlink(cache.c_str(), path("link.mix").c_str()), 0);
    const std::vector<std::vector<std::string>> cases = {
        {"--out", cache},
        {"--out", path("link.mix")},
        {"--out", path("out.mix"), "--report", cache + "-wal"},
    };
    for (const auto& outputs : cases) {
        SCOPED_TRACE(outputs.back());
        const Outcome outcome = day(outputs);
        EXPECT_EQ(outcome.exitCode, 2) << outcome.err;
        EXPECT_NE(outcome.err.find("pamięć pomiarów spotów"), std::string::npos) << outcome.err;
        EXPECT_EQ(readFile(cache), bytes);
    }
}

TEST_F(HostileCache, NoHomeAndNoAccountEntryMeansNoCacheWithOneWarning) {
    if (::geteuid() != 0 || ::access("/usr/bin/setpriv", X_OK) != 0) {
        GTEST_SKIP() << "needs root and setpriv to run as an account without a passwd entry";
    }
    ASSERT_EQ(::chmod(m_folder.path().c_str(), 0777), 0);
    const bool tmpCacheBefore = fs::exists("/tmp/.cache/kalmero");
    const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
    ::unsetenv("XDG_CACHE_HOME");
    ::unsetenv("HOME");
    const Outcome outcome = runProgram(
        {"/usr/bin/setpriv", "--reuid=54321", "--regid=54321", "--clear-groups", batchInReach(),
         "--matrix", path("matryca.dat"), "--config", path("empty.ini"), "--mix", path("good.mix"),
         "--lst", path("good.lst"), "--mode", "0", "--out", path("out.mix")},
        m_folder.path());
    ::setenv("HOME", home.c_str(), 1);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    const std::string warning = "nie wiadomo, gdzie jest katalog domowy";
    const auto first = outcome.err.find(warning);
    EXPECT_NE(first, std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.err.find(warning, first + 1), std::string::npos) << "once";
    if (!tmpCacheBefore) {
        EXPECT_FALSE(fs::exists("/tmp/.cache/kalmero"));
    }
}

}  // namespace
}  // namespace kalmero::test
