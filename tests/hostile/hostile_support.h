#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "support/run_program.h"
#include "support/silent_wav.h"

namespace kalmero::hostile {

namespace fs = std::filesystem;

inline void writeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

// A silent WAV of `ms` milliseconds at 8 kHz.
inline std::string wavBytes(std::uint32_t ms) { return test::silentWav(8000, 8 * ms); }

using test::Outcome;
using test::readFile;
using test::runProgram;

// A fresh folder per test, with the files of a small good day in it, and a guard against
// hangs: a library call that blocks ends the test program by SIGALRM.
class HostileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* base = std::getenv("KALMERO_TEST_TMP");
        std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/hostile-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
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
    void TearDown() override {
        ::alarm(0);
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    std::string path(const std::string& name) const { return (m_dir / name).string(); }
    std::string write(const std::string& name, std::string_view bytes) const {
        writeFile(path(name), bytes);
        return path(name);
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
        std::vector<std::string> args = {KALMERO_BATCH, "--matrix", path("matryca.dat"),
                                         "--config", path("empty.ini")};
        args.insert(args.end(), more.begin(), more.end());
        return runProgram(args, m_dir.string(), cwd);
    }

    // Names in the test folder, hidden ones included.
    std::set<std::string> entries(const std::string& folder = {}) const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(folder.empty() ? m_dir : fs::path(folder))) {
            names.insert(e.path().filename().string());
        }
        return names;
    }

    fs::path m_dir;
};

}  // namespace kalmero::hostile
