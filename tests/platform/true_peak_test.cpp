// The true peak against known answers: EBU Tech 3341's signals, sines up to 0.49 fs whose
// crests fall between the samples, a click wherever it falls and hard-clipped noise against
// a long interpolator.

#include "platform/true_peak.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <random>
#include <vector>

namespace kalmero {
namespace {

constexpr double kPi = std::numbers::pi;

double decibels(double linear) { return 20 * std::log10(linear); }

// A sine of `cycles` per sample, its crests `offset` samples after the samples (0 to 1),
// at `crest` dB, faded in and out over 1,000 frames so that its start and end ring no
// higher than it; the same on every channel.
std::vector<float> sine(unsigned channels, double cycles, double offset, double crest) {
    constexpr std::size_t kFrames = 16'000;
    constexpr double kFade = 1'000;
    std::vector<float> samples(kFrames * channels);
    for (std::size_t i = 0; i < kFrames; ++i) {
        const double t = static_cast<double>(i);
        const double fade =
            std::min({1.0, t / kFade, static_cast<double>(kFrames - 1 - i) / kFade});
        const double value = std::pow(10.0, crest / 20) * (0.5 - 0.5 * std::cos(kPi * fade)) *
                             std::cos(2 * kPi * cycles * (t - offset));
        std::fill_n(samples.begin() + static_cast<std::ptrdiff_t>(i * channels), channels,
                    static_cast<float>(value));
    }
    return samples;
}

// A quarter-rate click of 4 samples at 45 degrees (-6 dBFS each, -4.43 dBTP between them by
// an ideal interpolator) starting at frame `at`, in `frames` frames of quiet noise.
std::vector<float> click(std::size_t at, std::size_t frames) {
    std::vector<float> samples(frames);
    std::mt19937 random(11);
    std::uniform_real_distribution<float> quiet(-0.001F, 0.001F);
    for (float& sample : samples) {
        sample = quiet(random);
    }
    for (std::size_t i = 0; i < 4; ++i) {
        samples[at + i] =
            static_cast<float>(0.5 * std::cos(kPi / 2 * static_cast<double>(i) + kPi / 4));
    }
    return samples;
}

// Hard-clipped white noise, 16-bit: dense to 0.5 fs, the most any file holds there.
std::vector<float> clippedNoise(std::size_t frames) {
    std::vector<float> samples(frames);
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0, 2);
    for (float& sample : samples) {
        sample = static_cast<float>(std::lround(std::clamp(noise(random), -1.0, 1.0) * 32'767)) /
                 32'768.0F;
    }
    return samples;
}

// The true peak by a 4 times interpolator near enough ideal: a Kaiser-windowed sinc (beta
// 12) over 256 samples each side, flat to 0.49 fs, the signal silent outside.
double referenceDb(const std::vector<float>& x) {
    constexpr long kReach = 256;
    const long frames = static_cast<long>(x.size());
    double most = 0;
    for (long i = 0; i < frames + kReach; ++i) {
        most = std::max(most, i < frames ? std::fabs(static_cast<double>(x[i])) : 0.0);
        for (const double part : {0.25, 0.5, 0.75}) {
            double sum = 0;
            for (long k = std::max(-kReach, i - frames + 1); k <= std::min(kReach, i); ++k) {
                const double t = static_cast<double>(k) + part;
                const double edge = t / (kReach + 1);
                sum += std::sin(kPi * t) / (kPi * t) *
                       std::cyl_bessel_i(0.0, 12 * std::sqrt(std::max(0.0, 1 - edge * edge))) /
                       std::cyl_bessel_i(0.0, 12.0) * x[i - k];
            }
            most = std::max(most, std::fabs(sum));
        }
    }
    return decibels(most);
}

struct Known {
    const char* name;
    unsigned channels;
    unsigned long rate;
    std::vector<float> samples;
    double truePeakDb;
    // How far below and above it the reading may be.
    double below;
    double above;
};

void PrintTo(const Known& k, std::ostream* out) { *out << k.name; }

// In pieces of every size a decoder hands over, some shorter than the filters' reach, or
// whole.
double measured(unsigned channels, unsigned long rate, const std::vector<float>& samples,
                bool whole = false, std::size_t* oversampled = nullptr) {
    TruePeakMeter meter(channels, rate);
    const std::size_t frames = samples.size() / channels;
    std::mt19937 random(3);
    std::uniform_int_distribution<std::size_t> piece(whole ? frames : 1, whole ? frames : 3'000);
    for (std::size_t done = 0; done < frames;) {
        const std::size_t count = std::min(frames - done, piece(random));
        meter.take(samples.data() + done * channels, count);
        done += count;
    }
    if (oversampled != nullptr) {
        *oversampled = meter.framesOversampled();
    }
    return meter.peak();
}

const std::vector<Known>& knownSignals() {
    static const std::vector<Known> signals = [] {
        // EBU Tech 3341's true-peak signals: a quarter-rate sine at 48 kHz sampled at 0, 45,
        // 60 and 67.5 degrees from its crest, its true peak at -6 dBTP, and at 45 degrees with
        // its samples at full scale (+3.01 dBTP); a meter may read 0.4 dB under, 0.2 over.
        const double deg = 1.0 / 360;
        std::vector<Known> rows = {
            {"Tech3341At0", 2, 48'000, sine(2, 0.25, 0, -6), -6, 0.4, 0.2},
            {"Tech3341At45", 2, 48'000, sine(2, 0.25, 45 * deg * 4, -6), -6, 0.4, 0.2},
            {"Tech3341At60", 2, 48'000, sine(2, 0.25, 60 * deg * 4, -6), -6, 0.4, 0.2},
            {"Tech3341At67", 2, 48'000, sine(2, 0.25, 67.5 * deg * 4, -6), -6, 0.4, 0.2},
            {"Tech3341Over", 2, 48'000, sine(2, 0.25, 0.5, 3.0103), 3.0103, 0.4, 0.2},
            // The passband up to 0.49 fs: crests on a quarter or a half between samples that
            // lie 8 to 30 dB under them.
            {"Response375", 1, 44'100, sine(1, 3.0 / 8, 0.5, -6), -6, 0.05, 0.05},
            {"Response4375", 1, 44'100, sine(1, 7.0 / 16, 0.5, -6), -6, 0.05, 0.05},
            {"Response45", 1, 44'100, sine(1, 0.45, 0.5, -6), -6, 0.05, 0.05},
            {"Response45At96k", 1, 96'000, sine(1, 0.45, 0.5, -6), -6, 0.05, 0.05},
            {"Response49", 1, 44'100, sine(1, 0.49, 0.5, -6), -6, 0.05, 0.06},
            {"Response49At96k", 1, 96'000, sine(1, 0.49, 0.5, -6), -6, 0.05, 0.06},
            {"NoOversamplingAt192k", 1, 192'000, sine(1, 0.25, 0.5, -6), -9.01, 0.01, 0.01},
            // A click reads the same wherever it falls: the values after a block's last
            // samples wait for the next block, and after the file's last for its end.
            {"ClickAtTheStart", 1, 44'100, click(0, 2'000), -4.43, 0.1, 0.05},
            {"ClickInABlock", 1, 44'100, click(250, 2'000), -4.43, 0.1, 0.05},
            {"ClickEndingABlock", 1, 44'100, click(TruePeakMeter::kBlockFrames - 4, 2'000), -4.43,
             0.1, 0.05},
            {"ClickAtTheEnd", 1, 44'100, click(1'996, 2'000), -4.43, 0.1, 0.05},
        };
        // Its peaks between samples are made up to 0.5 fs, where any interpolator falls off.
        std::vector<float> noise = clippedNoise(3'000);
        const double reference = referenceDb(noise);
        rows.push_back({"ClippedNoise", 1, 44'100, std::move(noise), reference, 0.1, 0.05});
        return rows;
    }();
    return signals;
}

class TruePeakTest : public ::testing::TestWithParam<Known> {};

TEST_P(TruePeakTest, ReadsTheKnownAnswer) {
    const Known& k = GetParam();
    for (const bool whole : {false, true}) {
        const double db = decibels(measured(k.channels, k.rate, k.samples, whole));
        EXPECT_GE(db, k.truePeakDb - k.below) << whole;
        EXPECT_LE(db, k.truePeakDb + k.above) << whole;
    }
}

INSTANTIATE_TEST_SUITE_P(Signals, TruePeakTest, ::testing::ValuesIn(knownSignals()),
                         [](const auto& row) { return std::string(row.param.name); });

// Clicks of alternating sign, one every 700 frames, each 0.3 dB over the one before (or
// under, reversed): each could raise the peak, and passing over blocks must never miss the
// one that does, whose reading alone is the answer.
TEST(TruePeakPassingOver, NeverChangesTheAnswer) {
    constexpr std::size_t kFrames = 44'100;
    std::vector<float> growing(kFrames);
    std::vector<float> loudestAlone(kFrames);
    float level = 0.1F;
    std::size_t loudest = 0;
    for (std::size_t frame = 300; frame + 1 < kFrames; frame += 700) {
        growing[frame] = level;
        growing[frame + 1] = -level;
        loudest = frame;
        level *= 1.0351F;
    }
    loudestAlone[loudest] = growing[loudest];
    loudestAlone[loudest + 1] = growing[loudest + 1];
    const std::vector<float> fading(growing.rbegin(), growing.rend());
    const std::vector<float> fadingAlone(loudestAlone.rbegin(), loudestAlone.rend());
    std::size_t oversampled = 0;
    EXPECT_DOUBLE_EQ(measured(1, 44'100, growing), measured(1, 44'100, loudestAlone));
    EXPECT_DOUBLE_EQ(measured(1, 44'100, fading, false, &oversampled),
                     measured(1, 44'100, fadingAlone));
    // Only the blocks within about 8 dB of the loudest click, where the short filter's values with
    // their slack could reach it.
    EXPECT_LE(oversampled, kFrames / 2);
}

TEST(TruePeakGain, BoundsEveryOversampledValue) {
    // The bound passing over relies on: the largest sum of a phase's weights' magnitudes.
    EXPECT_NEAR(TruePeakMeter(2, 44'100).gain(), 3.9319, 0.0001);
    EXPECT_NEAR(TruePeakMeter(2, 96'000).gain(), 3.9319, 0.0001);
    EXPECT_EQ(TruePeakMeter(2, 192'000).gain(), 1.0);
}

}  // namespace
}  // namespace kalmero
