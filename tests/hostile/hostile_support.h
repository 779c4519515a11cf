#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "support/run_program.h"
#include "support/silent_wav.h"
#include "support/temp_folder.h"

namespace kalmero::test {

namespace fs = std::filesystem;

inline void writeFile(const std::string& path, std::string_view bytes) {
    ASSERT_NO_THROW(writeBytes(path, bytes)) << path;
}

// A WAV of `ms` milliseconds of a tone at 8 kHz.
inline std::string wavBytes(std::uint32_t ms) { return toneWav(8000, 8 * ms); }

// A fresh folder per test, with the files of a small good day in it, and a guard against
// hangs: a library call that blocks ends the test program by SIGALRM.
class HostileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::alarm(120);
        std::string matrix;
        for (int day = 0; day < 7; ++day) {
            matrix += "00000010000000000\r\n";  // a break at 12:00 every day
        }
        write("matryca.dat", matrix);
        write("empty.ini", "");
        write("s30.wav", wavBytes(30'000));
        write("good.mix", mixText({{"11:58:00.000", "A", "04:00.000", "Typ=SND"},
                                   {"12:02:00.000", "B", "04:00.000", "Typ=SND"}}));
        write("good.lst", "12:03:00\r\n" + path("s30.wav") + "\r\n");
    }
    void TearDown() override { ::alarm(0); }

    std::string path(const std::string& name) const { return m_folder / name; }
    std::string write(const std::string& name, std::string_view bytes) const {
        return m_folder.write(name, bytes);
    }

    // A MIX text of items {Emi, Tyt, NwK, Typ line}.
    static std::string mixText(const std::vector<std::vector<std::string>>& items) {
        std::string text = "WERSJA=2\r\nPOZYCJI=" + std::to_string(items.size()) + "\r\n";
        for (const auto& i : items) {
            text += "; ----------------------------------\r\nEmi=" + i[0] + "\r\n" + i[3] +
                    "\r\nNwK=" + i[2] + "\r\nMix=00:00.000\r\nTyt=" + i[1] + "\r\nWyk=W\r\n" +
                    "KONIEC OPISU\r\n";
        }
        return text;
    }

    // kalmero-batch with the test's matrix and an empty configuration, plus `more`.
    Outcome batch(std::vector<std::string> more, const std::string& cwd = {}) const {
        std::vector<std::string> args = {KALMERO_BATCH, "--matrix", path("matryca.dat"), "--config",
                                         path("empty.ini")};
        args.insert(args.end(), more.begin(), more.end());
        return runProgram(args, m_folder.path(), cwd);
    }

    // Names in the test folder (or in its subfolder `sub`), hidden ones included.
    std::set<std::string> entries(const std::string& sub = {}) const {
        return m_folder.entries(sub);
    }

    // Some tests run the batch command as another account.
    TempFolder m_folder{Reach::EveryAccount};

    // The batch command copied into the test's folder, for another account to run: the build
    // tree may be out of its reach.
    std::string batchInReach() const {
        const std::string copy = path("kalmero-batch");
        std::filesystem::copy_file(KALMERO_BATCH, copy,
                                   std::filesystem::copy_options::overwrite_existing);
        std::filesystem::permissions(copy, std::filesystem::perms::owner_all |
                                               std::filesystem::perms::group_exec |
                                               std::filesystem::perms::others_exec);
        return copy;
    }
};

}  // namespace kalmero::test
