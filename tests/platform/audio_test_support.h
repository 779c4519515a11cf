#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "formats/test_support.h"

namespace kalmero::test {

// A fresh folder per test, removed afterwards.
class TempFolderTest : public ::testing::Test {
protected:
    std::string file(const std::string& name) const { return m_temp / name; }

    // Within every account's reach: some tests meet a permission as another account.
    TempFolder m_temp{Reach::EveryAccount};
    // The folder without its trailing "/".
    const std::string folder = m_temp.path().substr(0, m_temp.path().size() - 1);
};

// Runs the test body in another current folder and goes back afterwards.
class InFolder {
public:
    explicit InFolder(const std::filesystem::path& folder)
        : m_previous(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~InFolder() { std::filesystem::current_path(m_previous); }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

private:
    std::filesystem::path m_previous;
};

// A sine sweep rising from 200 Hz: mono samples for writeAudioFile.
inline std::vector<float> sweep(int rate, std::int64_t frames, float level = 0.4f) {
    std::vector<float> samples(static_cast<std::size_t>(frames));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        samples[i] =
            level * static_cast<float>(std::sin(2 * std::numbers::pi * (200 + 40 * t) * t));
    }
    return samples;
}

}  // namespace kalmero::test
