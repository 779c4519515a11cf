#include "platform/output_lock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "model/file_error.h"
#include "support/temp_folder.h"

namespace kalmero {
namespace {

using namespace std::chrono_literals;
using test::TempFolder;

// The environment's text to the wait: whole seconds, at most an hour, any number of digits.
TEST(LockWait, ClampedToASaneRange) {
    struct Row {
        const char* text;
        long long seconds;
    };
    const Row rows[] = {
        {nullptr, 30},
        {"", 30},
        {"0", 0},
        {"1", 1},
        {"3599", 3599},
        {"3600", 3600},
        {"3601", 3600},
        {"999999999", 3600},
        {"9223372036", 3600},
        {"9223372036854775808", 3600},
        {"000000000000000000000000005", 5},
        {"-1", 30},
        {"+5", 30},
        {"5s", 30},
        {" 5", 30},
        {"1.5", 30},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(lockWaitFrom(row.text).count(), row.seconds)
            << (row.text != nullptr ? row.text : "(not set)");
    }
}

// Anything but a plain file of one name at the lock's place is left alone: no lock, a warning.
TEST(OutputLock, OnlyAPlainFileOfOneNameIsLocked) {
    enum class Planted { Nothing, Plain, HardLink, OwnLink, Fifo, Folder };
    struct Row {
        Planted planted;
        bool locked;
    };
    const Row rows[] = {{Planted::Nothing, true},   {Planted::Plain, true},
                        {Planted::HardLink, false}, {Planted::OwnLink, false},
                        {Planted::Fifo, false},     {Planted::Folder, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.planted));
        TempFolder folder;
        const std::string lock = folder / ".out.mix.lock";
        const std::string other = folder / "other";
        test::writeBytes(other, "someone's");
        switch (row.planted) {
            case Planted::Nothing:
                break;
            case Planted::Plain:
                test::writeBytes(lock, "");
                break;
            case Planted::HardLink:
                ASSERT_EQ(::link(other.c_str(), lock.c_str()), 0);
                break;
            case Planted::OwnLink:
                ASSERT_EQ(::symlink(other.c_str(), lock.c_str()), 0);
                break;
            case Planted::Fifo:
                ASSERT_EQ(::mkfifo(lock.c_str(), 0600), 0);
                break;
            case Planted::Folder:
                ASSERT_EQ(::mkdir(lock.c_str(), 0700), 0);
                break;
        }
        {
            const OutputLock held(folder / "out.mix", std::chrono::seconds(0));
            EXPECT_EQ(held.warning().empty(), row.locked) << held.warning();
            if (!row.locked) {
                EXPECT_NE(held.warning().find("nie założono blokady \"" + lock + "\""),
                          std::string::npos)
                    << held.warning();
            }
        }
        EXPECT_EQ(test::readBytes(other), "someone's");
        EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status(lock)), !row.locked);
    }
}

// Two names of one result take one lock: the one beside the file a link leads to.
TEST(OutputLock, TakenBesideTheResolvedResult) {
    TempFolder folder;
    ASSERT_EQ(::mkdir((folder / "real").c_str(), 0755), 0);
    test::writeBytes(folder / "real/out.mix", "result");
    ASSERT_EQ(::symlink("real/out.mix", (folder / "link.mix").c_str()), 0);
    ASSERT_EQ(::symlink("real", (folder / "way").c_str()), 0);
    const OutputLock first(folder / "link.mix");
    EXPECT_TRUE(std::filesystem::exists(folder / "real/.out.mix.lock"));
    EXPECT_FALSE(std::filesystem::exists(folder / ".link.mix.lock"));
    for (const std::string& name : {folder / "real/out.mix", folder / "way/out.mix"}) {
        try {
            const OutputLock second(name, std::chrono::seconds(0));
            ADD_FAILURE() << name;
        } catch (const FileError& error) {
            EXPECT_NE(std::string(error.what()).find("zapisuje teraz inne uruchomienie"),
                      std::string::npos);
        }
    }
}

// A lock's link planted by another account in a folder others may write refuses the run.
TEST(OutputLock, AnotherAccountsLinkAtTheLockRefusesTheRun) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to plant another user's link";
    }
    constexpr uid_t kNobody = 65534;
    TempFolder folder;
    const std::string shared = folder / "shared";
    ASSERT_EQ(::mkdir(shared.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 0777), 0);
    test::writeBytes(folder / "victim", "root's");
    const std::string lock = shared + "/.out.mix.lock";
    ASSERT_EQ(::symlink((folder / "victim").c_str(), lock.c_str()), 0);
    ASSERT_EQ(::lchown(lock.c_str(), kNobody, kNobody), 0);
    EXPECT_THROW(OutputLock(shared + "/out.mix"), FileError);
    EXPECT_EQ(test::readBytes(folder / "victim"), "root's");
}

// A second run waits for the first, for as long as it is told, and then names the run
// holding it.
TEST(OutputLock, ASecondRunWaitsForTheFirstAndNamesItWhenItGivesUp) {
    const TempFolder folder;
    const std::string result = folder / "out.mix";
    const struct {
        const char* name;
        std::chrono::seconds wait;
        std::optional<std::chrono::milliseconds> heldFor;  // none: held throughout
        bool gets;
    } cases[] = {
        {"free", 0s, 0ms, true},
        {"let go while waiting", 5s, 300ms, true},
        {"held longer than the wait", 1s, std::nullopt, false},
        {"no wait at all", 0s, std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<OutputLock> first;
        std::thread letGo;
        if (c.heldFor != 0ms) {
            first.emplace(result, 0s);
        }
        if (c.heldFor && *c.heldFor != 0ms) {
            letGo = std::thread([&first, after = *c.heldFor] {
                std::this_thread::sleep_for(after);
                first.reset();
            });
        }
        const auto started = std::chrono::steady_clock::now();
        std::string refusal;
        try {
            const OutputLock second(result, c.wait);
        } catch (const FileError& error) {
            refusal = error.what();
        }
        const auto waited = std::chrono::steady_clock::now() - started;
        if (letGo.joinable()) {
            letGo.join();
        }
        EXPECT_EQ(refusal.empty(), c.gets) << refusal;
        if (!c.gets) {
            // Named by our own process id, the first run being this one; the wait it gave.
            EXPECT_NE(refusal.find("(pid " + std::to_string(::getpid()) + ", od "),
                      std::string::npos)
                << refusal;
            EXPECT_NE(refusal.find("czekano " + std::to_string(c.wait.count()) + " s"),
                      std::string::npos)
                << refusal;
            EXPECT_GE(waited, c.wait);
        }
        first.reset();
        // Let go, the lock file goes with it.
        EXPECT_EQ(folder.entries(), std::set<std::string>{}) << c.name;
    }
}

}  // namespace
}  // namespace kalmero
