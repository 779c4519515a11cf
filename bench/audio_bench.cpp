// Measuring 30 s MP3 advert spots: one file at a time, and a day's load where 300 path
// lines name 50 distinct files in several spellings. Repeated runs report their median, so
// that the other work of a shared machine doesn't decide the figure.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "platform/audio_length.h"
#include "support/audio_writer.h"

namespace {

constexpr int kRate = 44'100;
constexpr std::int64_t kSpotMs = 30'000;
constexpr int kDistinctSpots = 50;
constexpr int kSpots = 300;

// The 30 s spots: our own writer's VBR file with a Xing header always, and what lame makes
// (constant and variable bit rate) when it is installed.
class Spots {
public:
    Spots() {
        std::string pattern =
            std::filesystem::temp_directory_path().string() + "/audio_bench_XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        m_folder = pattern;
        std::vector<float> samples(kRate * kSpotMs / 1'000);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const double t = static_cast<double>(i) / kRate;
            samples[i] =
                0.3f * static_cast<float>(std::sin(2 * std::numbers::pi * (300 + 20 * t) * t));
        }
        m_paths.push_back(m_folder + "/writer_vbr.mp3");
        kalmero::writeAudioFile(m_paths.back(), kalmero::AudioKind::Mp3, kRate, samples);
        const std::string wav = m_folder + "/source.wav";
        kalmero::writeAudioFile(wav, kalmero::AudioKind::Wav, kRate, samples);
        if (std::system("command -v lame > /dev/null 2>&1") == 0) {
            for (const char* options : {"-b 128", "-V 2"}) {
                const std::string out =
                    m_folder + "/lame" + std::to_string(m_paths.size()) + ".mp3";
                const std::string command =
                    std::string("lame --quiet ") + options + " '" + wav + "' '" + out + "'";
                if (std::system(command.c_str()) == 0) {
                    m_paths.push_back(out);
                }
            }
        }
        for (int i = 0; i < kDistinctSpots; ++i) {
            std::filesystem::copy_file(m_paths.front(),
                                       m_folder + "/spot_" + std::to_string(i) + ".mp3");
        }
    }
    ~Spots() { std::filesystem::remove_all(m_folder); }
    Spots(const Spots&) = delete;
    Spots& operator=(const Spots&) = delete;

    const std::string& folder() const { return m_folder; }
    // 0: our writer's VBR; 1, 2: lame's CBR 128 kbit/s and VBR -V 2, when installed.
    const std::vector<std::string>& kinds() const { return m_paths; }

private:
    std::string m_folder;
    std::vector<std::string> m_paths;
};

const Spots& spots() {
    static const Spots instance;
    return instance;
}

void BM_MeasureOne30sMp3(benchmark::State& state) {
    const auto kind = static_cast<std::size_t>(state.range(0));
    if (kind >= spots().kinds().size()) {
        state.SkipWithError("lame is not installed");
        return;
    }
    const std::string& path = spots().kinds()[kind];
    kalmero::SpotMeasure measure;
    for (auto _ : state) {
        measure = kalmero::measureSpot(path);
        benchmark::DoNotOptimize(measure.ms);
    }
    if (measure.ms < kSpotMs || measure.ms > kSpotMs + 52 || measure.issue.any()) {
        state.SkipWithError("the spot did not measure as made");
    }
}
BENCHMARK(BM_MeasureOne30sMp3)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(0.5)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// A day's list through one load measurer: each distinct file decoded once, the rest
// answered by file identity however the path is spelled.
void BM_LoadMeasurer300Lines(benchmark::State& state) {
    std::vector<std::string> lines;
    for (int i = 0; i < kSpots; ++i) {
        const std::string name = "spot_" + std::to_string((i * 7) % kDistinctSpots) + ".mp3";
        lines.push_back(spots().folder() + (i % 3 == 0 ? "/./" : i % 3 == 1 ? "//" : "/") + name);
    }
    std::int64_t total = 0;
    for (auto _ : state) {
        const kalmero::SpotMeasurer measure = kalmero::newLoadMeasurer();
        total = 0;
        for (const auto& line : lines) {
            total += measure(line).ms;
        }
        benchmark::DoNotOptimize(total);
    }
    if (total != kSpots * kSpotMs) {
        state.SkipWithError("the spots did not measure as made");
    }
}
BENCHMARK(BM_LoadMeasurer300Lines)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
