// The window's playlist load against the batch command's: the same session and reader, with
// the window's rows, gauge and repaints on top. Run offscreen; compare the two medians.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "formats/mix_file.h"
#include "model/czas.h"
#include "platform/measure_cache.h"
#include "session/session.h"
#include "ui/main_window.h"
#include "ui/operator_dialogs.h"

namespace kalmero {
namespace {

constexpr int kDays = 30;
constexpr int kRecordsPerDay = 1000;

std::string folder() {
    static const std::string path = [] {
        char pattern[] = "/tmp/kalmero-window-bench-XXXXXX";
        return std::string(::mkdtemp(pattern)) + "/";
    }();
    return path;
}

// A month of songs with every field a playout export fills.
const std::string& monthFile() {
    static const std::string path = [] {
        Lista list;
        for (int i = 0; i < kDays * kRecordsPerDay; ++i) {
            TPozycja r;
            const std::int64_t start = (i % kRecordsPerDay) * 80'000;
            r.set(Field::Emi, "Emi=" + CzasStartString(start));
            r.set(Field::Typ, "Typ=SND");
            r.set(Field::Trw, "Trw=03:20.000");
            r.set(Field::Int, "Int=00:05.000");
            r.set(Field::Out, "Out=03:15.000");
            r.set(Field::Mix, "Mix=00:00.000");
            r.set(Field::NwK, "NwK=03:20.000");
            r.set(Field::Tyt,
                  "Tyt=Piosenka o mi\xB3o\x9C"
                  "ci " +
                      std::to_string(i % 397));
            r.set(Field::Wyk, "Wyk=Zesp\xF3\xB3 " + std::to_string(i % 89));
            r.set(Field::Adr, "Adr=/srv/muzyka/" + std::to_string(i % 5000) + ".mp3");
            list.push_back(r);
        }
        const std::string file = folder() + "month.mix";
        std::ofstream(file, std::ios::binary) << mixText(list);
        return file;
    }();
    return path;
}

void BM_BatchLoad(benchmark::State& state) {
    SilentProgress progress;
    MeasureCacheOnDemand cache;
    Session session({folder() + "kalmero.ini", folder() + "matryca.dat"}, progress,
                    stationTools(cache));
    for (auto _ : state) {
        benchmark::DoNotOptimize(session.otworzPlikMIX(monthFile()));
    }
}
BENCHMARK(BM_BatchLoad)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

void BM_WindowLoad(benchmark::State& state) {
    QtOperatorDialogs dialogs;
    MeasureCacheOnDemand cache;
    TForm1 form({folder() + "kalmero.ini", folder() + "matryca.dat"}, dialogs, stationTools(cache),
                [] { return SpotMeasurer(); });
    form.FormCreate();
    form.show();
    for (auto _ : state) {
        benchmark::DoNotOptimize(form.session().otworzPlikMIX(monthFile()));
        QApplication::processEvents();
    }
}
BENCHMARK(BM_WindowLoad)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace
}  // namespace kalmero

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
