// The outputs' lock: a second run waits for the first, for as long as it is told, and then
// names the run holding it.
#include "platform/output_lock.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "formats/test_support.h"
#include "model/file_error.h"

namespace kalmero {
namespace {

using namespace std::chrono_literals;

TEST(OutputLock, ASecondRunWaitsForTheFirstAndNamesItWhenItGivesUp) {
    const test::TempFolder folder;
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
