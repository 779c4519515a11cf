// Loading a day's advert list with the real spot meter: 300 spots naming 50 distinct
// 30 s MP3 files, as a station's day repeats most spots many times.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "formats/lst_file.h"
#include "platform/audio_length.h"
#include "platform/file_io.h"
#include "support/audio_writer.h"

namespace {

constexpr int kDistinctSpots = 50;
constexpr int kSpots = 300;
constexpr int kRate = 44'100;

class AdvertDay {
public:
    AdvertDay() {
        std::string pattern = std::filesystem::temp_directory_path().string() + "/lst_bench_XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        m_folder = pattern;
        std::vector<float> samples(kRate * 30);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const double t = static_cast<double>(i) / kRate;
            samples[i] =
                0.3f * static_cast<float>(std::sin(2 * std::numbers::pi * (300 + 20 * t) * t));
        }
        const std::string first = m_folder + "/spot_0.mp3";
        kalmero::writeAudioFile(first, kalmero::AudioKind::Mp3, kRate, samples);
        for (int i = 1; i < kDistinctSpots; ++i) {
            std::filesystem::copy_file(first, m_folder + "/spot_" + std::to_string(i) + ".mp3");
        }
        std::ofstream lst(listPath(), std::ios::binary);
        for (int i = 0; i < kSpots; ++i) {
            const int hour = 6 + i / 18;
            char time[16];
            std::snprintf(time, sizeof time, "%02d:%02d:00", hour, (i / 3) % 6 * 10);
            lst << time << "\r\n" << m_folder << "/spot_" << (i * 7) % kDistinctSpots << ".mp3\r\n";
        }
    }
    ~AdvertDay() { std::filesystem::remove_all(m_folder); }
    AdvertDay(const AdvertDay&) = delete;
    AdvertDay& operator=(const AdvertDay&) = delete;

    std::string listPath() const { return m_folder + "/dzien.lst"; }
    std::string spotPath() const { return m_folder + "/spot_0.mp3"; }

private:
    std::string m_folder;
};

const AdvertDay& day() {
    static const AdvertDay instance;
    return instance;
}

void BM_LoadAdvertList(benchmark::State& state) {
    const std::string path = day().listPath();
    kalmero::Lists lists;
    for (auto _ : state) {
        // As the session loads it: the file read, and a fresh measurer for each load.
        lists.ListaLST =
            kalmero::OtworzPlikLST(kalmero::readWholeFile(path), kalmero::newLoadMeasurer());
        benchmark::DoNotOptimize(lists.ListaLST.data());
    }
    if (lists.ListaLST.size() != kSpots || lists.ListaLST.back().CzasNwK != 30'000) {
        state.SkipWithError("the list did not load as made");
    }
}
BENCHMARK(BM_LoadAdvertList)->Unit(benchmark::kMillisecond);

void BM_MeasureOneMp3(benchmark::State& state) {
    const std::string path = day().spotPath();
    for (auto _ : state) {
        benchmark::DoNotOptimize(kalmero::PobierzCzasSpotu(path));
    }
}
BENCHMARK(BM_MeasureOneMp3)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
