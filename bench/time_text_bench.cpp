// Time texts: the snprintf formatting they had before, against the hand-written digits, both
// as a returned string and appended into a reused buffer (the writer's way).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "model/czas.h"

namespace kalmero {
namespace {

namespace baseline {

void appendPadded(std::string& out, std::int64_t value, int width) {
    char buffer[32];
    if (value < 0) {
        const auto magnitude = static_cast<unsigned long long>(-(value + 1)) + 1ULL;
        std::snprintf(buffer, sizeof buffer, "-%0*llu", width, magnitude);
    } else {
        std::snprintf(buffer, sizeof buffer, "%0*lld", width, static_cast<long long>(value));
    }
    out += buffer;
}

std::string startString(std::int64_t ms) {
    const std::int64_t hours = ms / 3'600'000;
    std::int64_t rest = ms - hours * 3'600'000;
    const std::int64_t minutes = rest / 60'000;
    rest -= minutes * 60'000;
    const std::int64_t seconds = rest / 1000;
    const std::int64_t millis = rest - seconds * 1000;
    std::string text;
    text.reserve(16);
    appendPadded(text, hours, 2);
    text += ':';
    appendPadded(text, minutes, 2);
    text += ':';
    appendPadded(text, seconds, 2);
    text += '.';
    appendPadded(text, millis, 3);
    return text;
}

std::string trwString(std::int64_t ms) {
    const std::string full = startString(ms);
    if (ms >= 0 && full.size() > 12) {
        return full.substr(full.size() - 9);
    }
    return full.size() > 3 ? full.substr(3, 9) : std::string{};
}

}  // namespace baseline

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

void BM_StartStringSnprintf(benchmark::State& state) { returned<baseline::startString>(state); }
void BM_StartString(benchmark::State& state) { returned<CzasStartString>(state); }
void BM_AppendStartTime(benchmark::State& state) { appended<appendStartTime>(state); }
void BM_TrwStringSnprintf(benchmark::State& state) { returned<baseline::trwString>(state); }
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
