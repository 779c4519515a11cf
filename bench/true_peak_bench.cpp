// The true peak against an ideal interpolator on clipped, music-like MP3 spots and on hard-
// clipped white noise in 16-bit WAV: how far the meter reads under (or over) a 513-tap
// Kaiser-windowed sinc (beta 12, flat to 0.49 fs) at the same 4 times the rate, the audio
// taken as silent outside the file. The spots are made by lame from our own content:
// harmonics and noise driven 0 to 18 dB into clipping, at five bit rates; the noise, whose
// peaks between samples are made up to 0.5 fs, is driven 0 to 18 dB over full scale.
// Not a timing: `bench_true_peak_bench [files] [seconds]` prints each file and each set's
// extremes.
#include <stdio.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "platform/spot_decoding.h"
#include "platform/true_peak.h"
#include "support/audio_writer.h"
#include "support/temp_folder.h"

namespace {

constexpr int kRate = 44'100;
constexpr long kReach = 256;
constexpr double kPi = std::numbers::pi;

// Keeps the decoded audio.
class Keeper final : public kalmero::SampleSink {
public:
    bool start(int count, long /*rate*/) override {
        channels = static_cast<unsigned>(std::max(1, count));
        return true;
    }
    bool take(const float* frames, std::size_t count) override {
        samples.insert(samples.end(), frames, frames + count * channels);
        return true;
    }
    std::vector<float> samples;
    unsigned channels = 1;
};

// The ideal interpolator's weights at p / 4 of the way between samples, for p = 1, 2, 3.
std::array<std::vector<double>, 4> idealWeights() {
    std::array<std::vector<double>, 4> weights;
    for (int p = 1; p < 4; ++p) {
        for (long k = -kReach; k <= kReach; ++k) {
            const double t = static_cast<double>(k) + p / 4.0;
            const double edge = t / static_cast<double>(kReach + 1);
            weights[p].push_back(
                std::sin(kPi * t) / (kPi * t) *
                std::cyl_bessel_i(0.0, 12 * std::sqrt(std::max(0.0, 1 - edge * edge))) /
                std::cyl_bessel_i(0.0, 12.0));
        }
    }
    return weights;
}

double idealPeak(const std::vector<float>& x, unsigned channels) {
    static const auto weights = idealWeights();
    const long frames = static_cast<long>(x.size() / channels);
    double most = 0;
    for (unsigned c = 0; c < channels; ++c) {
        for (long i = -kReach; i < frames + kReach; ++i) {
            if (i >= 0 && i < frames) {
                most = std::max(most, static_cast<double>(std::fabs(x[i * channels + c])));
            }
            for (int p = 1; p < 4; ++p) {
                double sum = 0;
                for (long k = std::max(-kReach, i - frames + 1); k <= std::min(kReach, i); ++k) {
                    sum += weights[p][k + kReach] * x[(i - k) * channels + c];
                }
                most = std::max(most, std::fabs(sum));
            }
        }
    }
    return most;
}

// File `seed`'s content, 16-bit stereo, clipped.
std::vector<std::int16_t> content(int seed, int seconds) {
    std::mt19937 random(static_cast<unsigned>(seed) * 7 + 1);
    std::uniform_real_distribution<double> uniform(0, 1);
    const double drive = std::pow(10.0, 18 * uniform(random) / 20);
    const double tone = 80 + 600 * uniform(random);
    const double noiseShare = uniform(random);
    const double beat = 1 + 3 * uniform(random);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(kRate) * seconds * 2);
    std::array<double, 2> brown{};
    for (std::size_t frame = 0; frame < samples.size() / 2; ++frame) {
        const double t = static_cast<double>(frame) / kRate;
        const double envelope = 0.5 + 0.5 * std::fabs(std::sin(kPi * beat * t));
        for (std::size_t c = 0; c < 2; ++c) {
            brown[c] = 0.97 * brown[c] + 0.3 * (uniform(random) - 0.5);
            double voice = 0;
            for (int h = 1; h <= 6; ++h) {
                voice +=
                    std::sin(2 * kPi * tone * h * (1 + 0.003 * static_cast<double>(c)) * t + h) / h;
            }
            const double value =
                0.3 * ((1 - noiseShare) * voice + noiseShare * 3 * brown[c]) * envelope * drive;
            samples[frame * 2 + c] =
                static_cast<std::int16_t>(std::lround(std::clamp(value, -1.0, 1.0) * 32'767));
        }
    }
    return samples;
}

// Hard-clipped white noise, mono, for file `seed`.
std::vector<float> clippedNoise(int seed, int seconds) {
    std::mt19937 random(static_cast<unsigned>(seed) * 7 + 2);
    std::uniform_real_distribution<double> uniform(0, 1);
    std::normal_distribution<double> noise(0, 0.5 * std::pow(10.0, 18 * uniform(random) / 20));
    std::vector<float> samples(static_cast<std::size_t>(kRate) * seconds);
    for (float& sample : samples) {
        sample = static_cast<float>(std::clamp(noise(random), -1.0, 1.0));
    }
    return samples;
}

// How far the meter read from the ideal over a set of files.
class Apart {
public:
    explicit Apart(const char* set) : m_set(set) {}
    // Decodes `path` as the program does and compares.
    void compare(int index, const char* kind, const std::string& path) {
        Keeper keeper;
        kalmero::decodeSpot(path, keeper, kalmero::MeasureSettings{}, std::chrono::seconds(20));
        const unsigned channels = keeper.channels;
        kalmero::TruePeakMeter meter(channels, kRate);
        meter.take(keeper.samples.data(), keeper.samples.size() / channels);
        const double ours = 20 * std::log10(meter.peak());
        const double ideal = 20 * std::log10(idealPeak(keeper.samples, channels));
        m_lowest = std::min(m_lowest, ours - ideal);
        m_highest = std::max(m_highest, ours - ideal);
        m_low += ours - ideal < -0.1 ? 1 : 0;
        ++m_files;
        std::printf("%3d %-7s meter %7.3f dBTP  ideal %7.3f  apart %+.3f\n", index, kind, ours,
                    ideal, ours - ideal);
    }
    void print() const {
        std::printf(
            "%d %s: the meter reads %+.3f to %+.3f dB from the ideal; more than 0.1 dB under: "
            "%d\n",
            m_files, m_set, m_lowest, m_highest, m_low);
    }

private:
    const char* m_set;
    double m_lowest = 0;
    double m_highest = 0;
    int m_low = 0;
    int m_files = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 200;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 6;
    if (std::system("command -v lame > /dev/null 2>&1") != 0) {
        std::printf("lame is not installed\n");
        return 0;
    }
    const kalmero::test::TempFolder folder;
    const std::string mp3 = folder / "spot.mp3";
    const char* bitrates[] = {"-b 128", "-b 192", "-b 320", "-V 2", "-b 96"};
    Apart spots("clipped MP3 spots");
    for (int i = 0; i < files; ++i) {
        const std::string command =
            std::string("lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian ") +
            bitrates[i % 5] + " - '" + mp3 + "' 2> /dev/null";
        FILE* lame = ::popen(command.c_str(), "w");
        const std::vector<std::int16_t> samples = content(i, seconds);
        if (lame == nullptr ||
            std::fwrite(samples.data(), sizeof samples[0], samples.size(), lame) !=
                samples.size() ||
            ::pclose(lame) != 0) {
            std::printf("lame failed\n");
            return 1;
        }
        spots.compare(i, bitrates[i % 5], mp3);
    }
    const std::string wav = folder / "noise.wav";
    Apart noise("hard-clipped noise WAVs");
    for (int i = 0; i < files / 4; ++i) {
        kalmero::writeAudioFile(wav, kalmero::AudioKind::Wav, kRate, clippedNoise(i, seconds));
        noise.compare(i, "wav", wav);
    }
    spots.print();
    noise.print();
    return 0;
}
