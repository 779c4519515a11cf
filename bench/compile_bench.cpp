// Compiling one day's lists against thirty days' in the same run. The window tests answer
// from indexes, so thirty days should cost about thirty times one day; scans over the whole
// advert list per item would cost about nine hundred times. The bar is 45 times.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "compiler/compiler.h"
#include "model/czas.h"

namespace {

using kalmero::Field;
using kalmero::TPozycja;

constexpr std::int64_t kHour = 3'600'000;

struct Shape {
    int items;
    int spots;
    std::int64_t span;   // the stretch the playlist covers, ms
    std::string matrix;  // the weekday's matrix line
};

// A day: 1,000 items over 24 hours, 300 spots in blocks of 3 to 6, breaks 06:00 .. 22:00.
const Shape kDay{1'000, 300, 24 * kHour, std::string(17, '1')};
// Thirty days packed into the hours the time texts can express (0 .. 99), breaks at every
// hour from 06:00 to 99:00.
const Shape kMonth{30'000, 9'000, 100 * kHour, std::string(94, '1')};

TPozycja record(const std::string& name, std::int64_t start, std::int64_t length, const char* typ) {
    TPozycja r;
    r.set(Field::Emi, "Emi=" + kalmero::CzasStartString(start));
    r.set(Field::Typ, typ);
    r.set(Field::Trw, "Trw=" + kalmero::CzasTrwString(length));
    r.set(Field::NwK, "NwK=" + kalmero::CzasTrwString(length));
    r.set(Field::Mix, "Mix=00:00.000");
    r.set(Field::Tyt, "Tyt=" + name);
    r.set(Field::Wyk, "Wyk=Wykonawca");
    r.set(Field::Adr, "Adr=D:\\Muzyka\\" + name + ".mp3");
    r.CzasStart = start;
    r.CzasNwK = length;
    r.CzasGrania = length;
    return r;
}

class Lists {
public:
    explicit Lists(const Shape& shape) : matrix(shape.matrix) {
        // Lengths scale with the span per item, so both shapes have the same structure:
        // the same share of windows holding a block or a break.
        std::mt19937 rng(20240601);
        const std::int64_t slot = shape.span / shape.items;
        std::int64_t t = 0;
        for (int i = 0; i < shape.items; ++i) {
            const std::int64_t length =
                slot * std::uniform_int_distribution<int>(70, 110)(rng) / 100;
            const bool dj = i % 10 == 9;
            lists.ListaMIX.push_back(record("item" + std::to_string(i), t, dj ? slot / 10 : length,
                                            dj ? "Typ=DJ_" : "Typ=SND"));
            t += dj ? slot / 10 : length;
        }
        const std::int64_t spotLength = slot / 3;
        for (int i = 0; i < shape.spots;) {
            const std::int64_t block =
                std::uniform_int_distribution<std::int64_t>(0, shape.span - 1)(rng) / 1000 * 1000;
            const int size = std::uniform_int_distribution<int>(3, 6)(rng);
            for (int k = 0; k < size && i < shape.spots; ++k, ++i) {
                lists.ListaLST.push_back(
                    record("spot" + std::to_string(i), block, spotLength, "Typ=REK"));
            }
        }
    }

    kalmero::Lists lists;
    std::string matrix;
};

void compile(benchmark::State& state, const Shape& shape, int mode) {
    Lists day(shape);
    kalmero::CompileSettings settings;
    settings.mode = kalmero::breakModeFromIndex(mode);
    settings.fade = true;
    kalmero::Compiler kompilator(day.lists, settings);
    for (auto _ : state) {
        kompilator.NowyMozg(day.matrix);
        benchmark::DoNotOptimize(day.lists.ListaWynikowa.data());
    }
    state.counters["result"] = static_cast<double>(day.lists.ListaWynikowa.size());
}

void BM_CompileDay(benchmark::State& state) {
    compile(state, kDay, static_cast<int>(state.range(0)));
}
void BM_CompileMonth(benchmark::State& state) {
    compile(state, kMonth, static_cast<int>(state.range(0)));
}
// A day's compile takes about a millisecond: repeated, and the ratio taken of medians, so
// that two runs on a shared machine give the same answer.
BENCHMARK(BM_CompileDay)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.2)
    ->Repetitions(9);
BENCHMARK(BM_CompileMonth)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.2)
    ->Repetitions(9);

// Prints each month/day ratio of CPU time after the table, against the bar (CPU time, as
// the machine may be shared with other work).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                m_seconds[run.run_name.function_name + "/" + run.run_name.args].push_back(
                    run.cpu_accumulated_time / static_cast<double>(run.iterations));
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const char* mode : {"0", "1"}) {
            const auto day = m_seconds.find(std::string("BM_CompileDay/") + mode);
            const auto month = m_seconds.find(std::string("BM_CompileMonth/") + mode);
            if (day != m_seconds.end() && month != m_seconds.end()) {
                std::printf(
                    "mode %s: thirty days take %.1fx one day, medians of %zu runs "
                    "(bar: below 45x)\n",
                    mode, median(month->second) / median(day->second), day->second.size());
            }
        }
    }

private:
    static double median(std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    }

    std::map<std::string, std::vector<double>> m_seconds;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
