// Loading and writing a month of MIX playlist: throughput, and the loader's peak memory
// measured in a fresh process (run with --peak-rss <file> it loads the file once and
// prints its resident memory before and at the peak).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>

#include "formats/mix_file.h"
#include "model/czas.h"
#include "platform/file_io.h"
#include "sample_names.h"
#include "session/disk_files.h"

namespace kalmero {
namespace {

constexpr int kRecordsPerDay = 1000;

// Resident memory figures of this process from /proc/self/status, in bytes.
long long statusBytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t length = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, length, field) == 0) {
            return std::atoll(line.c_str() + length + 1) * 1024;
        }
    }
    return -1;
}

// A playlist entry as a playout system exports it: every field line, Polish letters in
// Windows-1250 in titles, performers and paths.
TPozycja musicEntry(int index) {
    const std::string title = bench::sampleTitle(index);
    const std::string performer = bench::samplePerformer(index);
    const std::int64_t start = static_cast<std::int64_t>(index % kRecordsPerDay) * 86'400;
    const std::int64_t length = 150'000 + (index * 7919) % 150'000;
    TPozycja r;
    r.set(Field::Emi, "Emi=" + CzasStartString(start));
    r.set(Field::Typ, index % 9 == 0 ? "Typ=JNG" : "Typ=SND");
    r.set(Field::Trw, "Trw=" + CzasTrwString(length));
    r.set(Field::Int, "Int=" + CzasTrwString(index % 20'000));
    r.set(Field::Out, "Out=" + CzasTrwString(length - 4'000));
    r.set(Field::NwP, "NwP=00:00.000");
    r.set(Field::NwK, "NwK=" + CzasTrwString(length - 2'500));
    r.set(Field::FIn, "FIn=00:00.000");
    r.set(Field::FOu, "FOu=" + CzasTrwString(length - 3'000));
    r.set(Field::FIT, "FIT=0");
    r.set(Field::FOT, "FOT=2");
    r.set(Field::Mix, "Mix=" + CzasTrwString(length - 6'000));
    r.set(Field::Zak, "Zak=0");
    r.set(Field::Ide, "Ide=MUZ" + std::to_string(100'000 + index));
    r.set(Field::Tyt, "Tyt=" + title);
    r.set(Field::Pta, "Pta=");
    r.set(Field::Wyk, "Wyk=" + performer);
    r.set(Field::Kom, "Kom=");
    r.set(Field::Atr, "Atr=0");
    r.set(Field::Pro, "Pro=");
    r.set(Field::Wyd, "Wyd=Polskie Nagrania");
    r.set(Field::Rok, "Rok=" + std::to_string(1960 + index % 60));
    r.set(Field::BPM, "BPM=" + std::to_string(80 + index % 70));
    r.set(Field::Wzm, "Wzm=0");
    r.set(Field::Kac, "Kac=");
    r.set(Field::KFI, "KFI=");
    r.set(Field::KFO, "KFO=");
    r.set(Field::Adr, "Adr=D:\\MUZYKA\\" + performer + "\\" + title + ".mp3");
    return r;
}

Lista playlist(int days) {
    Lista list;
    list.reserve(static_cast<std::size_t>(days) * kRecordsPerDay);
    for (int i = 0; i < days * kRecordsPerDay; ++i) {
        list.push_back(musicEntry(i));
    }
    return list;
}

// The file of `days` days of playlist, written once per run into the temporary folder.
const std::string& mixFile(int days) {
    static std::map<int, std::string> paths;
    auto found = paths.find(days);
    if (found == paths.end()) {
        const char* tmp = std::getenv("TMPDIR");
        const std::string path = std::string(tmp != nullptr ? tmp : "/tmp") + "/kalmero-bench-" +
                                 std::to_string(::getpid()) + "-" + std::to_string(days) + ".mix";
        zapiszNowyMix(path, playlist(days));
        if (paths.empty()) {
            std::atexit([] {
                for (const auto& [d, p] : paths) {
                    std::remove(p.c_str());
                }
            });
        }
        found = paths.emplace(days, path).first;
    }
    return found->second;
}

long long fileSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return static_cast<long long>(in.tellg());
}

void BM_LoadMix(benchmark::State& state) {
    const std::string& path = mixFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        // As the session loads it: the whole file read, then its records.
        const Lista records = otworzPlikMIX(readWholeFile(path));
        benchmark::DoNotOptimize(records.data());
    }
    state.SetBytesProcessed(state.iterations() * fileSize(path));
}

void BM_BuildMixText(benchmark::State& state) {
    const Lista list = playlist(static_cast<int>(state.range(0)));
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = mixText(list);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(bytes));
}

// The whole save, with its flush to disk: the disk sets the pace more than the code.
void BM_SaveMix(benchmark::State& state) {
    const Lista list = playlist(static_cast<int>(state.range(0)));
    const std::string path = mixFile(static_cast<int>(state.range(0))) + ".out";
    for (auto _ : state) {
        zapiszNowyMix(path, list);
    }
    state.SetBytesProcessed(state.iterations() * fileSize(path));
    std::remove(path.c_str());
}

// Runs this program anew to load the file once, so the peak is the loader's alone.
void BM_LoadMixPeakMemory(benchmark::State& state) {
    const std::string& path = mixFile(static_cast<int>(state.range(0)));
    long long before = 0;
    long long peak = 0;
    for (auto _ : state) {
        const std::string command =
            "/proc/" + std::to_string(::getpid()) + "/exe --peak-rss '" + path + "'";
        FILE* child = ::popen(command.c_str(), "r");
        if (child == nullptr || std::fscanf(child, "%lld %lld", &before, &peak) != 2) {
            state.SkipWithError("the measuring process failed");
        }
        if (child != nullptr) {
            ::pclose(child);
        }
    }
    const double size = static_cast<double>(fileSize(path));
    state.counters["file_MB"] = size / 1e6;
    state.counters["peak_MB"] = static_cast<double>(peak) / 1e6;
    state.counters["peak_rise_per_file_byte"] = static_cast<double>(peak - before) / size;
    state.counters["peak_per_file_byte"] = static_cast<double>(peak) / size;
}

BENCHMARK(BM_LoadMix)->Arg(1)->Arg(7)->Arg(30)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildMixText)->Arg(1)->Arg(7)->Arg(30)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveMix)->Arg(1)->Arg(7)->Arg(30)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadMixPeakMemory)
    ->Arg(1)
    ->Arg(7)
    ->Arg(30)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

int measurePeak(const char* path) {
    const long long before = statusBytes("VmRSS:");
    const Lista records = otworzPlikMIX(readWholeFile(path));
    std::printf("%lld %lld\n", before, statusBytes("VmHWM:"));
    return records.empty() ? 1 : 0;
}

}  // namespace
}  // namespace kalmero

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--peak-rss") == 0) {
        return kalmero::measurePeak(argv[2]);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
