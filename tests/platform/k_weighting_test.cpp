// Our K-weighting, channel weights and gating against libebur128's, written apart from ours.

#include "platform/k_weighting.h"

#include <ebur128.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "model/bs1770.h"

namespace kalmero {
namespace {

struct Layout {
    unsigned channels;
    long rate;
};

void PrintTo(const Layout& l, std::ostream* out) { *out << l.channels << "x" << l.rate; }

class KWeightingTest : public ::testing::TestWithParam<Layout> {};

TEST_P(KWeightingTest, AgreesWithLibebur128) {
    const auto [channels, rate] = GetParam();
    // 20 s of noise, each channel at a level of its own, swelling so that the gates bite.
    const std::size_t frames = 20 * static_cast<std::size_t>(rate);
    std::vector<float> samples(frames * channels);
    std::mt19937 random(static_cast<unsigned>(channels * rate));
    std::normal_distribution<float> noise(0, 0.1F);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double swell =
            std::pow(10.0, -2 * std::fabs(std::sin(1e-5 * static_cast<double>(i))));
        samples[i] =
            noise(random) * static_cast<float>(swell) * static_cast<float>(1 + i % channels);
    }

    ebur128_state* state =
        ::ebur128_init(channels, static_cast<unsigned long>(rate), EBUR128_MODE_I);
    ASSERT_NE(state, nullptr);
    if (channels == 1) {
        ::ebur128_set_channel(state, 0, EBUR128_DUAL_MONO);
    }
    ASSERT_EQ(::ebur128_add_frames_float(state, samples.data(), frames), EBUR128_SUCCESS);
    double theirs = 0;
    ::ebur128_loudness_global(state, &theirs);
    ::ebur128_destroy(&state);

    KWeighting weighting(channels, rate);
    const std::size_t step = static_cast<std::size_t>(rate * kEnergyBlockMs / 1000);
    std::vector<float> energies;
    for (std::size_t done = 0; done + step <= frames; done += step) {
        energies.push_back(static_cast<float>(
            weighting.take(samples.data() + done * channels, step) / static_cast<double>(step)));
    }
    const std::optional<double> ours = gatedLoudness(energies);
    ASSERT_TRUE(ours);
    EXPECT_NEAR(*ours, theirs, 0.001);
}

// Mono, stereo and each layout that weighs its channels otherwise, at the rates spots use.
INSTANTIATE_TEST_SUITE_P(Layouts, KWeightingTest,
                         ::testing::Values(Layout{1, 44'100}, Layout{2, 48'000}, Layout{2, 22'050},
                                           Layout{3, 32'000}, Layout{4, 44'100}, Layout{5, 48'000},
                                           Layout{6, 48'000}, Layout{8, 44'100}));

}  // namespace
}  // namespace kalmero
