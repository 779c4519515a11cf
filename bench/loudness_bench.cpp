// Loudness of a day's files against decoding them: 30 s MP3 spots and 3-minute MP3 songs,
// each set measured with the cache empty (cold) and filled (warm), beside `mpg123 -t`
// decoding the same files and ffmpeg's ebur128 filter measuring them, in the same run. Each
// is run one file at a time (one thread of ours against one process of theirs) and two at
// a time (two against two). The CPU time per file and its ratios are printed at the end;
// ours is the process's own, theirs that of the processes waited for. A tool that isn't
// installed leaves its cases skipped and its columns empty.
//
// The files are made once by lame from our own varied stereo content and kept in the build
// folder for later runs. Each case runs once over its whole set: a cold run can't be
// repeated without emptying the cache, and ffmpeg's takes long.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <numbers>
#include <optional>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio_length.h"
#include "platform/loudness.h"
#include "platform/measure_cache.h"
#include "platform/spot_decoding.h"
#include "platform/spot_pool.h"
#include "support/temp_folder.h"

#ifndef KALMERO_BENCH_SPOTS
#define KALMERO_BENCH_SPOTS "loudness_spots"
#endif

extern char** environ;

namespace {

constexpr int kRate = 44'100;

// A set of files alike: spots as a day's advert list holds them, songs as its programme.
struct FileSet {
    const char* name;
    int count;
    int seconds;
    int firstSeed;
    const char* bitrate;
};
constexpr FileSet kSpots{"spots30s", 40, 30, 0, "128"};
constexpr FileSet kSongs{"songs3min", 8, 180, 1'000, "192"};

bool installed(const char* tool) {
    return std::system((std::string("command -v ") + tool + " > /dev/null 2>&1").c_str()) == 0;
}

// File `seed`'s content, 16-bit stereo: a tone and its fifth under pink-ish noise, each
// channel its own, swelling and fading, at a level of its own between -30 and -6 dBFS, so
// that the figures spread as a day's files do.
std::vector<std::int16_t> content(int seed, int seconds) {
    std::mt19937 random(static_cast<unsigned>(seed));
    std::uniform_real_distribution<double> uniform(0, 1);
    const double level = std::pow(10.0, (-30 + 24 * uniform(random)) / 20);
    const double tone = 110 + 800 * uniform(random);
    const double noiseShare = uniform(random);
    const double swell = 0.05 + 0.5 * uniform(random);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(kRate) * seconds * 2);
    std::array<double, 2> brown{};
    for (std::size_t frame = 0; frame < samples.size() / 2; ++frame) {
        const double t = static_cast<double>(frame) / kRate;
        const double envelope = 0.6 + 0.4 * std::sin(2 * std::numbers::pi * swell * t);
        for (std::size_t channel = 0; channel < 2; ++channel) {
            brown[channel] = 0.98 * brown[channel] + 0.2 * (uniform(random) - 0.5);
            const double voice = 0.6 * std::sin(2 * std::numbers::pi * tone *
                                                (1 + 0.01 * static_cast<double>(channel)) * t) +
                                 0.3 * std::sin(2 * std::numbers::pi * tone * 1.5 * t);
            const double value =
                level * envelope * ((1 - noiseShare) * voice + noiseShare * 2 * brown[channel]);
            samples[frame * 2 + channel] =
                static_cast<std::int16_t>(std::clamp(value, -1.0, 1.0) * 32'767);
        }
    }
    return samples;
}

// lame encodes the raw samples from its standard input.
bool encode(int seed, int seconds, const char* bitrate, const std::string& path) {
    const std::string command =
        std::string("lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -m j -b ") +
        bitrate + " - '" + path + "' 2> /dev/null";
    FILE* lame = ::popen(command.c_str(), "w");
    if (lame == nullptr) {
        return false;
    }
    const std::vector<std::int16_t> samples = content(seed, seconds);
    const bool written =
        std::fwrite(samples.data(), sizeof samples[0], samples.size(), lame) == samples.size();
    return ::pclose(lame) == 0 && written;
}

// Runs `work(i)` for i in [0, count) on `threads` threads, each taking the next index.
void onThreads(unsigned threads, int count, const std::function<void(int)>& work) {
    std::atomic<int> next{0};
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            for (int i = next++; i < count; i = next++) {
                work(i);
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
}

// The set's files, made by lame unless an earlier run made them all; none when it can't.
std::vector<std::string> makeFiles(const FileSet& set) {
    const std::string folder = std::string(KALMERO_BENCH_SPOTS) + "/" + set.name;
    std::filesystem::create_directories(folder);
    std::vector<std::string> paths;
    for (int i = 0; i < set.count; ++i) {
        paths.push_back(folder + "/" + std::to_string(i) + ".mp3");
    }
    const std::string done = folder + "/complete";
    if (std::filesystem::exists(done)) {
        return paths;
    }
    if (!installed("lame")) {
        return {};
    }
    std::fprintf(stderr, "Making %d files of %d s with lame in %s...\n", set.count, set.seconds,
                 folder.c_str());
    std::atomic<bool> failed{false};
    onThreads(std::max(1U, std::thread::hardware_concurrency()), set.count, [&](int i) {
        if (!encode(set.firstSeed + i, set.seconds, set.bitrate,
                    paths[static_cast<std::size_t>(i)])) {
            failed = true;
        }
    });
    if (failed) {
        return {};
    }
    FILE* mark = std::fopen(done.c_str(), "w");
    if (mark != nullptr) {
        std::fclose(mark);
    }
    return paths;
}

const std::vector<std::string>& files(const FileSet& set) {
    static std::map<std::string, std::vector<std::string>> made;
    const auto known = made.find(set.name);
    return known != made.end() ? known->second : made[set.name] = makeFiles(set);
}

// CPU time of this process and of the children it has waited for, in seconds.
double cpuSeconds(int who) {
    rusage usage{};
    ::getrusage(who, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// What one case cost per file.
struct Cost {
    double cpu = 0;
    double wall = 0;
};

// Costs by set, then files at a time, then tool.
std::map<std::string, std::map<int, std::map<std::string, Cost>>> costs;
std::mutex costsMutex;

// Times `run` over the set, CPU counted with `who` (RUSAGE_SELF or RUSAGE_CHILDREN).
void timeCase(benchmark::State& state, const FileSet& set, const char* tool, int who,
              const std::function<void()>& run) {
    const double files = static_cast<double>(set.count);
    for (auto _ : state) {
        const double cpu = cpuSeconds(who);
        const auto start = std::chrono::steady_clock::now();
        run();
        const Cost cost{(cpuSeconds(who) - cpu) / files, since(start) / files};
        state.counters["cpu_ms_per_file"] = cost.cpu * 1000;
        const std::lock_guard lock(costsMutex);
        costs[set.name][static_cast<int>(state.range(0))][tool] = cost;
    }
}

// Runs a program on a file, its standard output dropped; its standard error, when `errors`
// is given, read into it. Whether it ended well.
bool runTool(const std::vector<std::string>& arguments, std::string* errors) {
    std::array<int, 2> pipe{-1, -1};
    if (errors != nullptr && ::pipe2(pipe.data(), O_CLOEXEC) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (errors != nullptr) {
        ::posix_spawn_file_actions_adddup2(&actions, pipe[1], 2);
    } else {
        ::posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned = ::posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (errors != nullptr) {
        ::close(pipe[1]);
        std::array<char, 4'096> buffer{};
        ssize_t got = 0;
        while (spawned == 0 && (got = ::read(pipe[0], buffer.data(), buffer.size())) > 0) {
            errors->append(buffer.data(), static_cast<std::size_t>(got));
        }
        ::close(pipe[0]);
    }
    int status = 0;
    return spawned == 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// ffmpeg's figures for one file, from its summary and its 100 ms lines.
struct FfmpegFigures {
    double integrated = NAN;
    double maxShortTerm = -INFINITY;
    double truePeak = NAN;
};

FfmpegFigures ffmpegFigures(const std::string& output) {
    static const std::regex shortTerm(R"(S:\s*(-?[0-9.]+))");
    static const std::regex integrated(R"(^\s+I:\s+(-?[0-9.]+) LUFS)");
    static const std::regex peak(R"(^\s+Peak:\s+(-?[0-9.]+) dBFS)");
    FfmpegFigures found;
    std::size_t start = 0;
    std::smatch match;
    while (start < output.size()) {
        const std::size_t end = std::min(output.find('\n', start), output.size());
        const std::string line = output.substr(start, end - start);
        start = end + 1;
        if (std::regex_search(line, match, integrated)) {
            found.integrated = std::stod(match[1]);
        } else if (std::regex_search(line, match, peak)) {
            found.truePeak = std::stod(match[1]);
        } else if (std::regex_search(line, match, shortTerm)) {
            found.maxShortTerm = std::max(found.maxShortTerm, std::stod(match[1]));
        }
    }
    return found;
}

// The run's cache file, in a folder removed at the end.
std::string cacheFile(const FileSet& set) {
    static const kalmero::test::TempFolder folder;
    return folder / (std::string(set.name) + ".sqlite");
}

// Our figures of each set's files, for the comparison with ffmpeg's.
std::map<std::string, std::vector<std::optional<kalmero::SpotLoudness>>> ourFigures;

bool haveFiles(benchmark::State& state, const FileSet& set) {
    if (files(set).empty()) {
        state.SkipWithError("lame is not installed, or couldn't make the files");
        return false;
    }
    return true;
}

bool haveTool(benchmark::State& state, const char* tool) {
    if (!installed(tool)) {
        state.SkipWithError((std::string(tool) + " is not installed").c_str());
        return false;
    }
    return true;
}

unsigned atOnce(const benchmark::State& state) { return static_cast<unsigned>(state.range(0)); }

void BM_Mpg123Decode(benchmark::State& state, const FileSet& set) {
    if (!haveFiles(state, set) || !haveTool(state, "mpg123")) {
        return;
    }
    timeCase(state, set, "mpg123 -t", RUSAGE_CHILDREN, [&] {
        onThreads(atOnce(state), set.count, [&](int i) {
            runTool({"mpg123", "-q", "-t", files(set)[static_cast<std::size_t>(i)]}, nullptr);
        });
    });
}

std::vector<std::optional<kalmero::SpotLoudness>> measure(const FileSet& set, unsigned threads) {
    kalmero::MeasureCache cache(cacheFile(set));
    kalmero::SpotPoolRun run;
    run.threads = threads;
    return kalmero::measureSpots(files(set), &cache, run);
}

void BM_LoudnessCold(benchmark::State& state, const FileSet& set) {
    if (!haveFiles(state, set)) {
        return;
    }
    std::filesystem::remove(cacheFile(set));
    timeCase(state, set, "cold", RUSAGE_SELF,
             [&] { ourFigures[set.name] = measure(set, atOnce(state)); });
}

// A filled cache: loading the same files again.
void BM_LoudnessWarm(benchmark::State& state, const FileSet& set) {
    if (!haveFiles(state, set)) {
        return;
    }
    measure(set, atOnce(state));
    timeCase(state, set, "warm", RUSAGE_SELF,
             [&] { benchmark::DoNotOptimize(measure(set, atOnce(state))); });
}

void BM_FfmpegEbur128(benchmark::State& state, const FileSet& set) {
    if (!haveFiles(state, set) || !haveTool(state, "ffmpeg")) {
        return;
    }
    std::vector<FfmpegFigures> theirs(static_cast<std::size_t>(set.count));
    timeCase(state, set, "ffmpeg ebur128", RUSAGE_CHILDREN, [&] {
        onThreads(atOnce(state), set.count, [&](int i) {
            std::string output;
            runTool({"ffmpeg", "-nostdin", "-hide_banner", "-nostats", "-i",
                     files(set)[static_cast<std::size_t>(i)], "-af", "ebur128=peak=true", "-f",
                     "null", "-"},
                    &output);
            theirs[static_cast<std::size_t>(i)] = ffmpegFigures(output);
        });
    });
    // The largest differences, in LU and dB; a figure either side lacks counts as 99.
    const auto& ours = ourFigures[set.name];
    double integrated = 0;
    double shortTerm = 0;
    double peak = 0;
    for (std::size_t i = 0; i < theirs.size(); ++i) {
        const std::optional<kalmero::SpotLoudness>* mine = i < ours.size() ? &ours[i] : nullptr;
        const auto difference = [&](std::optional<double> figure, double other) {
            return mine != nullptr && *mine && figure && std::isfinite(other)
                       ? std::abs(*figure - other)
                       : 99.0;
        };
        const kalmero::SpotLoudness empty;
        const kalmero::SpotLoudness& figures = mine != nullptr && *mine ? **mine : empty;
        integrated = std::max(integrated, difference(figures.integratedLufs, theirs[i].integrated));
        shortTerm =
            std::max(shortTerm, difference(figures.maxShortTermLufs, theirs[i].maxShortTerm));
        peak = std::max(peak, difference(figures.truePeakDbtp, theirs[i].truePeak));
    }
    state.counters["most_lu_off_integrated"] = integrated;
    state.counters["most_lu_off_short_term"] = shortTerm;
    state.counters["most_db_off_true_peak"] = peak;
}

// A list's load without loudness: every spot's length, one after another.
void BM_LengthOnly(benchmark::State& state, const FileSet& set) {
    if (!haveFiles(state, set)) {
        return;
    }
    timeCase(state, set, "length only", RUSAGE_SELF, [&] {
        const kalmero::SpotMeasurer measureLength = kalmero::newLoadMeasurer();
        for (const std::string& path : files(set)) {
            benchmark::DoNotOptimize(measureLength(path));
        }
    });
}

void registerCases() {
    using Case = void (*)(benchmark::State&, const FileSet&);
    const std::pair<const char*, Case> cases[] = {
        {"Mpg123Decode", BM_Mpg123Decode},
        {"LoudnessCold", BM_LoudnessCold},
        {"LoudnessWarm", BM_LoudnessWarm},
        {"FfmpegEbur128", BM_FfmpegEbur128},
    };
    for (const FileSet* set : {&kSpots, &kSongs}) {
        for (const auto& [name, run] : cases) {
            benchmark::RegisterBenchmark((std::string(name) + "/" + set->name).c_str(), run, *set)
                ->Arg(1)
                ->Arg(2)
                ->ArgName("at_once")
                ->Iterations(1)
                ->UseRealTime()
                ->Unit(benchmark::kMillisecond);
        }
    }
    benchmark::RegisterBenchmark((std::string("LengthOnly/") + kSpots.name).c_str(), BM_LengthOnly,
                                 kSpots)
        ->Arg(1)
        ->Iterations(1)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
}

// The CPU per file of each tool and ours against theirs, per set and files at a time.
void printRatios() {
    const auto cell = [](const std::map<std::string, Cost>& tools, const char* tool) {
        const auto found = tools.find(tool);
        return found == tools.end() ? std::optional<double>() : found->second.cpu;
    };
    std::printf("\nCPU time per file (ms) and ratios; '-' where a tool is missing\n");
    std::printf("%-10s %4s %9s %9s %9s %9s %12s %12s %12s\n", "files", "at", "mpg123", "cold",
                "warm", "ffmpeg", "cold/mpg123", "warm/mpg123", "cold/ffmpeg");
    for (const auto& [set, byAtOnce] : costs) {
        for (const auto& [atOnce, tools] : byAtOnce) {
            const auto show = [](std::optional<double> seconds) {
                char text[32] = "-";
                if (seconds) {
                    std::snprintf(text, sizeof text, "%.1f", *seconds * 1000);
                }
                return std::string(text);
            };
            const auto ratio = [](std::optional<double> a, std::optional<double> b) {
                char text[32] = "-";
                if (a && b && *b > 0) {
                    std::snprintf(text, sizeof text, "%.3g", *a / *b);
                }
                return std::string(text);
            };
            const auto decode = cell(tools, "mpg123 -t");
            const auto cold = cell(tools, "cold");
            const auto warm = cell(tools, "warm");
            const auto ffmpeg = cell(tools, "ffmpeg ebur128");
            std::printf("%-10s %4d %9s %9s %9s %9s %12s %12s %12s\n", set.c_str(), atOnce,
                        show(decode).c_str(), show(cold).c_str(), show(warm).c_str(),
                        show(ffmpeg).c_str(), ratio(cold, decode).c_str(),
                        ratio(warm, decode).c_str(), ratio(cold, ffmpeg).c_str());
            if (tools.count("length only") != 0) {
                std::printf("%-10s %4d warm/length only (a list's load without loudness): %s\n",
                            set.c_str(), atOnce, ratio(warm, cell(tools, "length only")).c_str());
            }
        }
    }
}

// Measuring against decoding, with the same decoders: each of kPaceRounds rounds decodes a
// set into a sink that drops the samples, then measures the same set cold (no cache), one
// file after another on this thread; the ratio of each round's CPU times, median over the
// rounds, so that the machine's other work falls on both sides alike. The sets hold the
// same audio as MP3 (libmpg123), FLAC and Ogg Vorbis (libsndfile) and as 16-bit WAV, whose
// measuring is set against decoding the MP3s: the meter's own cost.
constexpr int kPaceRounds = 5;
constexpr FileSet kPaceSpots{"pace30s", 16, 30, 2'000, "128"};

class DroppingSink final : public kalmero::SampleSink {
public:
    bool start(int /*channels*/, long /*rate*/) override { return true; }
    bool take(const float* /*frames*/, std::size_t /*count*/) override { return true; }
};

double threadCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The CPU seconds `work` takes over the paths, per file.
double perFile(const std::vector<std::string>& paths,
               const std::function<void(const std::string&)>& work) {
    const double start = threadCpuSeconds();
    for (const std::string& path : paths) {
        work(path);
    }
    return (threadCpuSeconds() - start) / static_cast<double>(paths.size());
}

// A 16-bit stereo WAV of `samples`, written by hand: the test writer makes mono only.
bool writeWav(const std::string& path, const std::vector<std::int16_t>& samples) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const auto u32 = [&](std::uint32_t v) { std::fwrite(&v, 4, 1, file); };
    const auto u16 = [&](std::uint16_t v) { std::fwrite(&v, 2, 1, file); };
    const auto bytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::fwrite("RIFF", 1, 4, file);
    u32(36 + bytes);
    std::fwrite("WAVEfmt ", 1, 8, file);
    u32(16);
    u16(1);
    u16(2);
    u32(kRate);
    u32(kRate * 4);
    u16(4);
    u16(16);
    std::fwrite("data", 1, 4, file);
    u32(bytes);
    const bool written = std::fwrite(samples.data(), 2, samples.size(), file) == samples.size();
    return std::fclose(file) == 0 && written;
}

// The pace set in each format, made once; empty when lame or sox is missing.
std::map<std::string, std::vector<std::string>> paceFiles() {
    const std::string folder = std::string(KALMERO_BENCH_SPOTS) + "/" + kPaceSpots.name;
    std::map<std::string, std::vector<std::string>> sets;
    for (int i = 0; i < kPaceSpots.count; ++i) {
        for (const char* format : {"wav", "mp3", "flac", "ogg"}) {
            sets[format].push_back(folder + "/" + std::to_string(i) + "." + format);
        }
    }
    if (std::filesystem::exists(folder + "/complete")) {
        return sets;
    }
    if (!installed("lame") || !installed("sox")) {
        return {};
    }
    std::filesystem::create_directories(folder);
    std::fprintf(stderr, "Making %d spots as WAV, MP3, FLAC and Ogg in %s...\n", kPaceSpots.count,
                 folder.c_str());
    std::atomic<bool> failed{false};
    onThreads(std::max(1U, std::thread::hardware_concurrency()), kPaceSpots.count, [&](int i) {
        const auto at = [&](const char* format) {
            return sets[format][static_cast<std::size_t>(i)];
        };
        const std::string wav = at("wav");
        const bool made =
            writeWav(wav, content(kPaceSpots.firstSeed + i, kPaceSpots.seconds)) &&
            std::system(("lame --quiet -b 128 '" + wav + "' '" + at("mp3") + "'").c_str()) == 0 &&
            std::system(("sox '" + wav + "' '" + at("flac") + "'").c_str()) == 0 &&
            std::system(("sox '" + wav + "' -C 3 '" + at("ogg") + "'").c_str()) == 0;
        if (!made) {
            failed = true;
        }
    });
    if (failed) {
        return {};
    }
    FILE* mark = std::fopen((folder + "/complete").c_str(), "w");
    if (mark != nullptr) {
        std::fclose(mark);
    }
    return sets;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A reference tool's CPU per file over the set, its processes waited for; nullopt when not
// installed.
std::optional<double> referencePerFile(const char* tool, const std::vector<std::string>& paths,
                                       const std::vector<std::string>& options) {
    if (!installed(tool)) {
        return std::nullopt;
    }
    const double start = cpuSeconds(RUSAGE_CHILDREN);
    for (const std::string& path : paths) {
        std::vector<std::string> arguments{tool};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back(path);
        runTool(arguments, nullptr);
    }
    return (cpuSeconds(RUSAGE_CHILDREN) - start) / static_cast<double>(paths.size());
}

void printPace() {
    const auto sets = paceFiles();
    if (sets.empty()) {
        std::printf("\nMeasuring against decoding: lame or sox is not installed\n");
        return;
    }
    const auto decode = [](const std::string& path) {
        DroppingSink sink;
        benchmark::DoNotOptimize(
            kalmero::decodeSpot(path, sink, kalmero::MeasureSettings{}, std::chrono::seconds(20)));
    };
    const auto measure = [](const std::string& path) {
        benchmark::DoNotOptimize(kalmero::measureLoudness(path));
    };
    std::map<std::string, std::vector<double>> decodeMs;
    std::map<std::string, std::vector<double>> measureMs;
    std::vector<double> coldRatios[3];
    std::vector<double> wavRatios;
    const char* formats[] = {"mp3", "flac", "ogg"};
    for (int round = 0; round < kPaceRounds; ++round) {
        for (std::size_t f = 0; f < 3; ++f) {
            const auto& paths = sets.at(formats[f]);
            const double decoded = perFile(paths, decode);
            const double measured = perFile(paths, measure);
            decodeMs[formats[f]].push_back(decoded * 1000);
            measureMs[formats[f]].push_back(measured * 1000);
            coldRatios[f].push_back(measured / decoded);
        }
        const double mp3 = perFile(sets.at("mp3"), decode);
        const double wav = perFile(sets.at("wav"), measure);
        measureMs["wav"].push_back(wav * 1000);
        wavRatios.push_back(wav / mp3);
    }
    std::printf(
        "\nMeasuring against decoding with the same decoders, %d spots of %d s, CPU ms per "
        "file, medians of %d paired rounds\n",
        kPaceSpots.count, kPaceSpots.seconds, kPaceRounds);
    std::printf("%-6s %9s %9s %12s %12s %14s\n", "format", "decode", "cold", "cold/decode",
                "reference", "cold/reference");
    const std::pair<const char*, std::vector<std::string>> references[] = {
        {"mpg123", {"-q", "-t"}}, {"flac", {"-s", "-t"}}, {"", {}}};
    for (std::size_t f = 0; f < 3; ++f) {
        const auto& [tool, options] = references[f];
        const std::optional<double> reference =
            *tool != '\0' ? referencePerFile(tool, sets.at(formats[f]), options) : std::nullopt;
        const double cold = median(measureMs[formats[f]]);
        char theirs[32] = "-";
        char against[32] = "-";
        if (reference) {
            std::snprintf(theirs, sizeof theirs, "%.1f (%s)", *reference * 1000, tool);
            std::snprintf(against, sizeof against, "%.2f", cold / (*reference * 1000));
        }
        std::printf("%-6s %9.1f %9.1f %12.2f %12s %14s\n", formats[f], median(decodeMs[formats[f]]),
                    cold, median(coldRatios[f]), theirs, against);
    }
    std::printf("meter on WAV: %.1f ms per file, %.2f of decoding the same audio from MP3\n",
                median(measureMs["wav"]), median(wavRatios));
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    registerCases();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printRatios();
    printPace();
    return 0;
}
