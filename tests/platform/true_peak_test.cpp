// The true peak found with blocks passed over against libebur128's, which oversamples all.

#include "platform/true_peak.h"

#include <ebur128.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

namespace kalmero {
namespace {

struct Signal {
    const char* name;
    unsigned channels;
    unsigned long rate;
    // Interleaved samples for `frames` frames.
    std::vector<float> (*make)(unsigned channels, unsigned long rate, std::size_t frames);
    // The most of its frames that may be oversampled.
    double mostOversampled;
};

void PrintTo(const Signal& s, std::ostream* out) { *out << s.name; }

// A quarter-rate sine sampled at 45 degrees: every sample 3 dB under the wave's peak.
std::vector<float> betweenSamples(unsigned channels, unsigned long /*rate*/, std::size_t frames) {
    std::vector<float> samples(frames * channels);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = 0.7F * static_cast<float>(
                                std::sin(M_PI / 2 * static_cast<double>(i / channels) + M_PI / 4));
    }
    return samples;
}

// Noise fading from full scale to -60 dB, each channel its own: the loud start sets the
// peak, the quiet rest can't reach it.
std::vector<float> fadingNoise(unsigned channels, unsigned long /*rate*/, std::size_t frames) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> uniform(-1, 1);
    std::vector<float> samples(frames * channels);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double fade = static_cast<double>(i) / static_cast<double>(samples.size());
        samples[i] = uniform(random) * static_cast<float>(std::pow(10.0, -3 * fade));
    }
    return samples;
}

// Swelling noise whose loudest moment comes last: nothing may be passed over wrongly.
std::vector<float> swellingNoise(unsigned channels, unsigned long rate, std::size_t frames) {
    std::vector<float> samples = fadingNoise(channels, rate, frames);
    std::vector<float> reversed(samples.rbegin(), samples.rend());
    return reversed;
}

// Clicks of alternating sign, one per block, growing by 0.1 dB: each could raise the peak.
std::vector<float> growingClicks(unsigned channels, unsigned long /*rate*/, std::size_t frames) {
    std::vector<float> samples(frames * channels);
    float level = 0.1F;
    for (std::size_t frame = 300; frame + 1 < frames; frame += 700) {
        samples[frame * channels] = level;
        samples[(frame + 1) * channels] = -level;
        level *= 1.0116F;
    }
    return samples;
}

// clang-format off
const Signal kSignals[] = {
    {"BetweenSamples44k", 2, 44'100, betweenSamples, 1.0},
    {"BetweenSamplesMono48k", 1, 48'000, betweenSamples, 1.0},
    {"FadingNoise44k", 2, 44'100, fadingNoise, 0.1},
    {"FadingNoise96k", 2, 96'000, fadingNoise, 0.1},
    {"FadingNoiseSixChannels", 6, 48'000, fadingNoise, 0.1},
    {"SwellingNoise48k", 2, 48'000, swellingNoise, 1.0},
    {"GrowingClicks44k", 2, 44'100, growingClicks, 0.8},
    {"NoOversampling192k", 2, 192'000, fadingNoise, 0.0},
};
// clang-format on

class TruePeakTest : public ::testing::TestWithParam<Signal> {};

TEST_P(TruePeakTest, AgreesWithLibebur128) {
    const Signal& s = GetParam();
    const std::size_t frames = 3 * s.rate;
    const std::vector<float> samples = s.make(s.channels, s.rate, frames);

    ebur128_state* state = ::ebur128_init(s.channels, s.rate, EBUR128_MODE_TRUE_PEAK);
    ASSERT_NE(state, nullptr);
    ASSERT_EQ(::ebur128_add_frames_float(state, samples.data(), frames), EBUR128_SUCCESS);
    double theirs = 0;
    for (unsigned c = 0; c < s.channels; ++c) {
        double peak = 0;
        ::ebur128_true_peak(state, c, &peak);
        theirs = std::max(theirs, peak);
    }
    ::ebur128_destroy(&state);

    // Pieces of every size a decoder hands over, some shorter than the filter's reach.
    TruePeakMeter meter(s.channels, s.rate);
    std::mt19937 random(3);
    std::uniform_int_distribution<std::size_t> piece(1, 3'000);
    for (std::size_t done = 0; done < frames;) {
        const std::size_t count = std::min(frames - done, piece(random));
        meter.take(samples.data() + done * s.channels, count);
        done += count;
    }
    EXPECT_NEAR(20 * std::log10(meter.peak()), 20 * std::log10(theirs), 0.001);
    EXPECT_LE(static_cast<double>(meter.framesOversampled()),
              s.mostOversampled * static_cast<double>(frames));
}

INSTANTIATE_TEST_SUITE_P(Signals, TruePeakTest, ::testing::ValuesIn(kSignals),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(TruePeakGain, BoundsEveryOversampledValue) {
    // The bound passing over relies on: the largest sum of a phase's weights' magnitudes.
    EXPECT_NEAR(TruePeakMeter(2, 44'100).gain(), 1.8642, 0.0001);
    EXPECT_NEAR(TruePeakMeter(2, 96'000).gain(), 2.3068, 0.0001);
    EXPECT_EQ(TruePeakMeter(2, 192'000).gain(), 1.0);
}

}  // namespace
}  // namespace kalmero
