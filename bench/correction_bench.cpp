// Correcting a loud spot against encoding it: a 30 s stereo spot as MP3 (128 kb/s, LAME) and
// FLAC, each lowered into a copy by writeCorrectedCopy (decoding, scaling, encoding, the safe
// writer), with and without measuring the copy after, beside the same library encoding the
// same samples alone from memory; and a broadcast WAV lowered against a plain copy of its bytes
// through the same writer. CPU time of the process per run; the ratios are printed at the end.
#include <benchmark/benchmark.h>
#include <lame/lame.h>
#include <sndfile.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/corrected_copy.h"
#include "platform/file_io.h"
#include "platform/loudness.h"
#include "support/audio_writer.h"
#include "support/temp_folder.h"

namespace {

constexpr int kRate = 44'100;
constexpr int kSeconds = 30;

using kalmero::test::TempFolder;

// A tone over noise, swelling, the two channels apart: an advert's kind of content.
std::vector<float> content() {
    std::vector<float> samples(static_cast<std::size_t>(kRate) * kSeconds * 2);
    unsigned noise = 12345;
    for (std::size_t frame = 0; frame < samples.size() / 2; ++frame) {
        const double t = static_cast<double>(frame) / kRate;
        for (std::size_t channel = 0; channel < 2; ++channel) {
            noise = noise * 1'103'515'245U + 12'345U;
            const double hiss = static_cast<double>(noise >> 16) / 65'536.0 - 0.5;
            samples[frame * 2 + channel] = static_cast<float>(
                (0.5 + 0.3 * std::sin(0.7 * t)) *
                (0.4 * std::sin(2 * M_PI * (440 + 3 * static_cast<double>(channel)) * t) +
                 0.3 * hiss));
        }
    }
    return samples;
}

std::string encodeMp3(const std::vector<float>& pcm) {
    lame_global_flags* lame = ::lame_init();
    ::lame_set_num_channels(lame, 2);
    ::lame_set_in_samplerate(lame, kRate);
    ::lame_set_out_samplerate(lame, kRate);
    ::lame_set_mode(lame, JOINT_STEREO);
    ::lame_set_brate(lame, 128);
    ::lame_set_bWriteVbrTag(lame, 1);
    ::lame_set_write_id3tag_automatic(lame, 0);
    ::lame_init_params(lame);
    std::string out;
    std::vector<unsigned char> buffer(8192 * 2 + 7200);
    for (std::size_t at = 0; at < pcm.size(); at += 8192 * 2) {
        const int frames = static_cast<int>(std::min<std::size_t>(8192, (pcm.size() - at) / 2));
        const int n = ::lame_encode_buffer_interleaved_ieee_float(
            lame, pcm.data() + at, frames, buffer.data(), static_cast<int>(buffer.size()));
        out.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(n));
    }
    const int n = ::lame_encode_flush(lame, buffer.data(), static_cast<int>(buffer.size()));
    out.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(n));
    ::lame_close(lame);
    return out;
}

void writeSndfile(const std::string& path, int format, const std::vector<float>& pcm) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = format;
    SNDFILE* file = ::sf_open(path.c_str(), SFM_WRITE, &info);
    ::sf_writef_float(file, pcm.data(), static_cast<sf_count_t>(pcm.size() / 2));
    ::sf_close(file);
}

struct Files {
    Files() {
        kalmero::test::writeBytes(mp3, encodeMp3(pcm));
        writeSndfile(flac, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, pcm);
        writeSndfile(wav, SF_FORMAT_WAV | SF_FORMAT_PCM_24, pcm);
    }
    TempFolder folder;
    std::vector<float> pcm = content();
    std::string mp3 = folder / "spot.mp3";
    std::string flac = folder / "spot.flac";
    std::string wav = folder / "spot.wav";
    std::string copy = folder / "copy";
};

Files& files() {
    static Files made;
    return made;
}

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::map<std::string, double>& cpuPerRun() {
    static std::map<std::string, double> seconds;
    return seconds;
}

// Runs `work` as the case, keeping its CPU time per run for the ratios.
template <typename Work>
void timed(benchmark::State& state, const std::string& name, Work work) {
    files();
    const double start = cpuSeconds();
    std::int64_t runs = 0;
    for (auto _ : state) {
        work();
        ++runs;
    }
    cpuPerRun()[name] =
        (cpuSeconds() - start) / static_cast<double>(std::max<std::int64_t>(runs, 1));
}

void correct(const std::string& source, bool measure) {
    const std::string copy = files().copy + source.substr(source.rfind('.'));
    ::unlink(copy.c_str());
    kalmero::writeCorrectedCopy(source, 3.0, copy);
    if (measure) {
        benchmark::DoNotOptimize(kalmero::measureLoudness(copy));
    }
}

void Mp3EncodeAlone(benchmark::State& state) {
    timed(state, "mp3 encode", [] { benchmark::DoNotOptimize(encodeMp3(files().pcm)); });
}
void Mp3Correct(benchmark::State& state) {
    timed(state, "mp3 correct", [] { correct(files().mp3, false); });
}
void Mp3CorrectMeasured(benchmark::State& state) {
    timed(state, "mp3 correct+measure", [] { correct(files().mp3, true); });
}
void FlacEncodeAlone(benchmark::State& state) {
    timed(state, "flac encode", [] {
        writeSndfile(files().copy + ".alone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, files().pcm);
    });
}
void FlacCorrect(benchmark::State& state) {
    timed(state, "flac correct", [] { correct(files().flac, false); });
}
void FlacCorrectMeasured(benchmark::State& state) {
    timed(state, "flac correct+measure", [] { correct(files().flac, true); });
}
void WavPlainCopy(benchmark::State& state) {
    timed(state, "wav plain copy", [] {
        kalmero::writeFileAtomically(files().copy + ".plain.wav",
                                     kalmero::readWholeFile(files().wav));
    });
}
void WavCorrect(benchmark::State& state) {
    timed(state, "wav correct", [] { correct(files().wav, false); });
}

BENCHMARK(Mp3EncodeAlone)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(Mp3Correct)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(Mp3CorrectMeasured)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(FlacEncodeAlone)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(FlacCorrect)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(FlacCorrectMeasured)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(WavPlainCopy)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(WavCorrect)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void ratio(const char* what, const std::string& ours, const std::string& reference, double bar) {
    const auto& seconds = cpuPerRun();
    if (seconds.count(ours) == 0 || seconds.count(reference) == 0) {
        return;
    }
    std::printf("%-34s %6.2fx  (bar %.1fx)\n", what, seconds.at(ours) / seconds.at(reference), bar);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::printf("\nCPU time, correcting a %d s stereo spot against its reference:\n", kSeconds);
    ratio("MP3 correct / LAME encode", "mp3 correct", "mp3 encode", 1.5);
    ratio("MP3 correct+measure / LAME encode", "mp3 correct+measure", "mp3 encode", 1.5);
    ratio("FLAC correct / FLAC encode", "flac correct", "flac encode", 1.5);
    ratio("FLAC correct+measure / FLAC encode", "flac correct+measure", "flac encode", 1.5);
    ratio("WAV correct / plain copy", "wav correct", "wav plain copy", 2.0);
    benchmark::Shutdown();
    return 0;
}
