// Loudness of a day's advert list: 200 spots of 30 s MP3, measured with the cache empty
// (cold) and filled (warm), beside the length-only measuring a list's load does without
// loudness, and beside ffmpeg's ebur128 filter run over the same files one after another
// (skipped when ffmpeg is absent), whose figures ours are compared with.
//
// The spots are made once by lame from our own varied stereo content and kept in the
// build folder for later runs. Each case runs once over the whole list (a cold run can't
// be repeated without emptying the cache, and ffmpeg's takes a minute); the ratios the
// list's targets are about come out as counters.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio_length.h"
#include "platform/measure_cache.h"
#include "platform/spot_pool.h"
#include "support/temp_folder.h"

#ifndef KALMERO_BENCH_SPOTS
#define KALMERO_BENCH_SPOTS "loudness_spots"
#endif

namespace {

constexpr int kSpots = 200;
constexpr int kRate = 44'100;
constexpr int kSeconds = 30;

bool installed(const char* tool) {
    return std::system((std::string("command -v ") + tool + " > /dev/null 2>&1").c_str()) == 0;
}

// Spot `index`'s content, 16-bit stereo: a tone and its fifth under pink-ish noise, each
// channel its own, swelling and fading, at a level of its own between -30 and -6 dBFS, so
// that the list's figures spread as a day's adverts do.
std::vector<std::int16_t> content(int index) {
    std::mt19937 random(static_cast<unsigned>(index));
    std::uniform_real_distribution<double> uniform(0, 1);
    const double level = std::pow(10.0, (-30 + 24 * uniform(random)) / 20);
    const double tone = 110 + 800 * uniform(random);
    const double noiseShare = uniform(random);
    const double swell = 0.05 + 0.5 * uniform(random);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(kRate) * kSeconds * 2);
    double brown[2] = {0, 0};
    for (std::size_t frame = 0; frame < samples.size() / 2; ++frame) {
        const double t = static_cast<double>(frame) / kRate;
        const double envelope = 0.6 + 0.4 * std::sin(2 * M_PI * swell * t);
        for (int channel = 0; channel < 2; ++channel) {
            brown[channel] = 0.98 * brown[channel] + 0.2 * (uniform(random) - 0.5);
            const double voice = 0.6 * std::sin(2 * M_PI * tone * (1 + 0.01 * channel) * t) +
                                 0.3 * std::sin(2 * M_PI * tone * 1.5 * t);
            const double value =
                level * envelope * ((1 - noiseShare) * voice + noiseShare * 2 * brown[channel]);
            samples[frame * 2 + channel] =
                static_cast<std::int16_t>(std::clamp(value, -1.0, 1.0) * 32'767);
        }
    }
    return samples;
}

// lame encodes the raw samples from its standard input.
bool encode(int index, const std::string& path) {
    const std::string command =
        "lame --quiet -r -s 44.1 --bitwidth 16 --signed "
        "--little-endian -m j -b 128 - '" +
        path + "' 2> /dev/null";
    FILE* lame = ::popen(command.c_str(), "w");
    if (lame == nullptr) {
        return false;
    }
    const std::vector<std::int16_t> samples = content(index);
    const bool written =
        std::fwrite(samples.data(), sizeof samples[0], samples.size(), lame) == samples.size();
    return ::pclose(lame) == 0 && written;
}

// The list's spots, made by lame unless an earlier run made them all.
std::vector<std::string> makeSpots() {
    const std::string folder = KALMERO_BENCH_SPOTS;
    std::filesystem::create_directories(folder);
    std::vector<std::string> paths;
    for (int i = 0; i < kSpots; ++i) {
        paths.push_back(folder + "/spot_" + std::to_string(i) + ".mp3");
    }
    const std::string done = folder + "/complete";
    if (std::filesystem::exists(done)) {
        return paths;
    }
    if (!installed("lame")) {
        return {};
    }
    std::fprintf(stderr, "Making %d spots of %d s with lame in %s...\n", kSpots, kSeconds,
                 folder.c_str());
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    std::vector<std::thread> encoders;
    for (unsigned t = 0; t < std::max(1U, std::thread::hardware_concurrency()); ++t) {
        encoders.emplace_back([&] {
            for (int i = next++; i < kSpots; i = next++) {
                failed = failed || !encode(i, paths[static_cast<std::size_t>(i)]);
            }
        });
    }
    for (std::thread& encoder : encoders) {
        encoder.join();
    }
    if (failed) {
        return {};
    }
    FILE* mark = std::fopen(done.c_str(), "w");
    if (mark != nullptr) {
        std::fclose(mark);
    }
    return paths;
}

const std::vector<std::string>& spots() {
    static const std::vector<std::string> paths = makeSpots();
    return paths;
}

// The run's cache file, in a folder removed at the end.
std::string cacheFile() {
    static const kalmero::test::TempFolder folder;
    return folder / "spoty.sqlite";
}

// What the cases found, for the ratios and the comparison with ffmpeg.
struct Figures {
    double lengthOnlySeconds = 0;
    double coldSeconds = 0;
    std::vector<std::optional<kalmero::SpotLoudness>> measured;
};
Figures figures;

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

bool haveSpots(benchmark::State& state) {
    if (spots().empty()) {
        state.SkipWithError("lame is not installed, or couldn't make the spots");
        return false;
    }
    return true;
}

// Today's load without loudness: every spot's length, one after another.
void BM_LengthOnly(benchmark::State& state) {
    if (!haveSpots(state)) {
        return;
    }
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const kalmero::SpotMeasurer measure = kalmero::newLoadMeasurer();
        for (const std::string& path : spots()) {
            benchmark::DoNotOptimize(measure(path));
        }
        total += seconds(start);
    }
    figures.lengthOnlySeconds = total / static_cast<double>(state.iterations());
}

void BM_LoudnessCold(benchmark::State& state) {
    if (!haveSpots(state)) {
        return;
    }
    for (auto _ : state) {
        std::filesystem::remove(cacheFile());
        const auto start = std::chrono::steady_clock::now();
        kalmero::MeasureCache cache(cacheFile());
        figures.measured = kalmero::measureSpots(spots(), &cache);
        figures.coldSeconds = seconds(start);
    }
}

// A filled cache: loading the same list again.
void BM_LoudnessWarm(benchmark::State& state) {
    if (!haveSpots(state)) {
        return;
    }
    {
        kalmero::MeasureCache cache(cacheFile());
        kalmero::measureSpots(spots(), &cache);
    }
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        kalmero::MeasureCache cache(cacheFile());
        benchmark::DoNotOptimize(kalmero::measureSpots(spots(), &cache));
        total += seconds(start);
    }
    if (figures.lengthOnlySeconds > 0) {
        state.counters["warm_to_length_only"] =
            total / static_cast<double>(state.iterations()) / figures.lengthOnlySeconds;
    }
}

// ffmpeg's figures for one file, from its summary and its 100 ms lines.
struct FfmpegFigures {
    double integrated = NAN;
    double maxShortTerm = -INFINITY;
    double truePeak = NAN;
};

FfmpegFigures runFfmpeg(const std::string& path) {
    const std::string command = "ffmpeg -nostdin -hide_banner -nostats -i '" + path +
                                "' -af ebur128=peak=true -f null - 2>&1";
    FfmpegFigures found;
    FILE* ffmpeg = ::popen(command.c_str(), "r");
    if (ffmpeg == nullptr) {
        return found;
    }
    static const std::regex shortTerm(R"(S:\s*(-?[0-9.]+))");
    static const std::regex integrated(R"(^\s+I:\s+(-?[0-9.]+) LUFS)");
    static const std::regex peak(R"(^\s+Peak:\s+(-?[0-9.]+) dBFS)");
    char line[1'024];
    std::smatch match;
    while (std::fgets(line, sizeof line, ffmpeg) != nullptr) {
        const std::string text = line;
        if (std::regex_search(text, match, integrated)) {
            found.integrated = std::stod(match[1]);
        } else if (std::regex_search(text, match, peak)) {
            found.truePeak = std::stod(match[1]);
        } else if (std::regex_search(text, match, shortTerm)) {
            found.maxShortTerm = std::max(found.maxShortTerm, std::stod(match[1]));
        }
    }
    ::pclose(ffmpeg);
    return found;
}

void BM_FfmpegOneAfterAnother(benchmark::State& state) {
    if (!haveSpots(state)) {
        return;
    }
    if (!installed("ffmpeg")) {
        state.SkipWithError("ffmpeg is not installed");
        return;
    }
    std::vector<FfmpegFigures> theirs;
    double total = 0;
    for (auto _ : state) {
        theirs.clear();
        const auto start = std::chrono::steady_clock::now();
        for (const std::string& path : spots()) {
            theirs.push_back(runFfmpeg(path));
        }
        total = seconds(start);
    }
    if (figures.coldSeconds > 0) {
        state.counters["cold_to_ffmpeg"] = figures.coldSeconds / total;
    }
    // The largest differences, in LU and dB; a figure either side lacks counts as 99.
    double integrated = 0;
    double shortTerm = 0;
    double peak = 0;
    for (std::size_t i = 0; i < theirs.size() && i < figures.measured.size(); ++i) {
        const auto& ours = figures.measured[i];
        const auto difference = [&](std::optional<double> mine, double other) {
            return ours && mine && std::isfinite(other) ? std::abs(*mine - other) : 99.0;
        };
        integrated = std::max(integrated, difference(ours->integratedLufs, theirs[i].integrated));
        shortTerm = std::max(shortTerm, difference(ours->maxShortTermLufs, theirs[i].maxShortTerm));
        peak = std::max(peak, difference(ours->truePeakDbtp, theirs[i].truePeak));
    }
    state.counters["most_lu_off_integrated"] = integrated;
    state.counters["most_lu_off_short_term"] = shortTerm;
    state.counters["most_db_off_true_peak"] = peak;
}

BENCHMARK(BM_LengthOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_LoudnessCold)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_LoudnessWarm)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_FfmpegOneAfterAnother)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
