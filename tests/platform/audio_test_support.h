#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kalmero::testing {

// A fresh folder per test, under the build's test folder, removed afterwards.
class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* base = std::getenv("KALMERO_TEST_TMP");
        std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/audio_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string file(const std::string& name) const { return folder + "/" + name; }

    std::string folder;
};

// A sine sweep rising from 200 Hz, `seconds` long; mono samples for writeAudioFile.
inline std::vector<float> sweep(int rate, std::int64_t frames, float level = 0.4f) {
    std::vector<float> samples(static_cast<std::size_t>(frames));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        samples[i] = level * static_cast<float>(std::sin(2 * M_PI * (200 + 40 * t) * t));
    }
    return samples;
}

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace kalmero::testing
