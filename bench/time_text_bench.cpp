// Time texts: the snprintf formatting they had before, against the hand-written digits, both
// as a returned string and appended into a reused buffer (the writer's way).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "model/czas.h"
#include "support/snprintf_time_texts.h"

namespace kalmero {
namespace {

// Times of a day's playlist (0 to 24 h) in an order the branch predictor can't learn.
const std::vector<std::int64_t>& dayTimes() {
    static const std::vector<std::int64_t> times = [] {
        std::vector<std::int64_t> t(4096);
        std::uint64_t state = 2024;
        for (auto& ms : t) {
            state = state * 6364136223846793005ULL + 1442695040888963407ULL;
            ms = static_cast<std::int64_t>((state >> 20) % 86'400'000);
        }
        return t;
    }();
    return times;
}

template <std::string (*Format)(std::int64_t)>
void returned(benchmark::State& state) {
    const auto& times = dayTimes();
    std::size_t i = 0;
    for (auto _ : state) {
        std::string text = Format(times[i++ & 4095]);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetItemsProcessed(state.iterations());
}

template <void (*Append)(std::string&, std::int64_t)>
void appended(benchmark::State& state) {
    const auto& times = dayTimes();
    std::string line;
    line.reserve(64);
    std::size_t i = 0;
    for (auto _ : state) {
        line.assign("Emi=");
        Append(line, times[i++ & 4095]);
        benchmark::DoNotOptimize(line.data());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_StartStringSnprintf(benchmark::State& state) { returned<test::snprintfStartString>(state); }
void BM_StartString(benchmark::State& state) { returned<CzasStartString>(state); }
void BM_AppendStartTime(benchmark::State& state) { appended<appendStartTime>(state); }
void BM_TrwStringSnprintf(benchmark::State& state) { returned<test::snprintfTrwString>(state); }
void BM_TrwString(benchmark::State& state) { returned<CzasTrwString>(state); }
void BM_AppendDuration(benchmark::State& state) { appended<appendDuration>(state); }

BENCHMARK(BM_StartStringSnprintf)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_StartString)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_AppendStartTime)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_TrwStringSnprintf)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_TrwString)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_AppendDuration)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
}  // namespace kalmero

BENCHMARK_MAIN();
