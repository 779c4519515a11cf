// The whole road as the station runs it: the kalmero-batch process merging a month, and a
// year, of playlist with 9,000 advert spots, timed from outside (wall, the child's CPU, the
// child's peak resident memory). The playlist's songs are named under a path-mapped music
// folder where some performers' folders are and others are not, and no song file is: the
// lookups a station whose library isn't mounted pays. In the same iteration a plain program
// reads the same playlist, splits it into lines, looks up each distinct file it names once
// (songs and spots), writes the lines out and fsyncs them: what the disk and the kernel cost
// alone, so `slower_than_copy` says how much the road adds on this machine today, and
// `peak_per_playlist` how much memory it takes for each byte of playlist.
//
// KALMERO_ROAD_YEAR=0 leaves the year (about 125 MB of playlist) out.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "model/czas.h"
#include "platform/encoding.h"
#include "sample_names.h"

namespace kalmero {
namespace {

namespace fs = std::filesystem;

constexpr int kRecordsPerDay = 1000;
constexpr int kSpotFiles = 50;
constexpr int kSpots = 9000;
constexpr int kSpotsPerBlock = 6;
constexpr int kSpotSeconds = 30;
constexpr int kRate = 22'050;

// One folder per run holding the spots, the inputs and the outputs; removed at exit unless
// KALMERO_ROAD_KEEP is set (to run the command by hand, e.g. under strace).
const fs::path& workFolder() {
    // Never destroyed: the removal at exit needs it after static objects are gone.
    static const fs::path* const folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/kalmero-road-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("kalmero-road: mkdtemp");
            std::exit(1);
        }
        std::atexit([] {
            if (std::getenv("KALMERO_ROAD_KEEP") != nullptr) {
                std::cerr << "kalmero-road: kept " << workFolder() << "\n";
                return;
            }
            std::error_code ignored;
            fs::remove_all(workFolder(), ignored);
        });
        return new fs::path(pattern);
    }();
    return *folder;
}

void putLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// 30 s of mono 16-bit tone, a different pitch per spot so that no two files are alike.
std::string toneWav(int spot) {
    const std::uint32_t samples = kRate * kSpotSeconds;
    std::string wav = "RIFF";
    putLittleEndian(wav, 36 + samples * 2, 4);
    wav += "WAVEfmt ";
    putLittleEndian(wav, 16, 4);
    putLittleEndian(wav, 1, 2);
    putLittleEndian(wav, 1, 2);
    putLittleEndian(wav, kRate, 4);
    putLittleEndian(wav, kRate * 2, 4);
    putLittleEndian(wav, 2, 2);
    putLittleEndian(wav, 16, 2);
    wav += "data";
    putLittleEndian(wav, samples * 2, 4);
    const double hz = 220.0 + 20.0 * spot;
    for (std::uint32_t i = 0; i < samples; ++i) {
        const double value = 8000.0 * std::sin(2 * 3.14159265358979 * hz * i / kRate);
        putLittleEndian(wav, static_cast<std::uint32_t>(static_cast<std::int16_t>(value)), 2);
    }
    return wav;
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The spots in <work>/spoty: MP3 when lame is installed, WAV otherwise. Returns the
// extension used.
const std::string& spotExtension() {
    static const std::string extension = [] {
        const fs::path folder = workFolder() / "spoty";
        fs::create_directory(folder);
        const bool lame = std::system("lame --version >/dev/null 2>&1") == 0;
        if (!lame) {
            std::cerr << "kalmero-road: lame is not installed; the spots are WAV files, not MP3\n";
        }
        for (int i = 0; i < kSpotFiles; ++i) {
            const fs::path wav = folder / ("spot_" + std::to_string(i) + ".wav");
            writeFile(wav, toneWav(i));
            if (lame) {
                const fs::path mp3 = fs::path(wav).replace_extension(".mp3");
                const std::string command =
                    "lame --quiet -b 64 '" + wav.string() + "' '" + mp3.string() + "'";
                if (std::system(command.c_str()) != 0) {
                    std::cerr << "kalmero-road: lame failed on " << wav << "\n";
                    std::exit(1);
                }
                fs::remove(wav);
            }
        }
        return std::string(lame ? ".mp3" : ".wav");
    }();
    return extension;
}

// 1,500 blocks of six spots spread over the day, each naming one of the 50 files.
fs::path advertList() {
    const fs::path path = workFolder() / "ads.lst";
    if (fs::exists(path)) {
        return path;
    }
    const std::string& extension = spotExtension();
    std::ofstream out(path, std::ios::binary);
    char time[16];
    for (int spot = 0; spot < kSpots; ++spot) {
        const int second = spot / kSpotsPerBlock * (86'400 * kSpotsPerBlock / kSpots);
        std::snprintf(time, sizeof time, "%02d:%02d:%02d", second / 3600, second / 60 % 60,
                      second % 60);
        out << time << "\r\nspoty/spot_" << (spot * 7919) % kSpotFiles << extension << "\r\n";
    }
    return path;
}

// A day's record as the playout system exports it (the fields of examples/dzien.mix), Polish
// letters in Windows-1250, a jingle every seventh item and now and then a presenter's talk.
void writeRecord(std::string& out, int index) {
    const std::string title = bench::sampleTitle(index);
    const std::string performer = bench::samplePerformer(index);
    const std::int64_t length = 150'000 + (index * 7919) % 150'000;
    const char* type = index % 7 == 0 ? "JNG" : index % 97 == 0 ? "DJ_" : "SND";
    const auto line = [&out](std::string_view key, std::string_view value) {
        out += key;
        out += '=';
        out += value;
        out += "\r\n";
    };
    out += "; ----------------------------------\r\n";
    line("Emi", CzasStartString(static_cast<std::int64_t>(index % kRecordsPerDay) * 86'400));
    line("Typ", type);
    line("Trw", CzasTrwString(length));
    line("Int", CzasTrwString(index % 20'000));
    line("Out", CzasTrwString(length - 4'000));
    line("NwK", CzasTrwString(length - 2'500));
    line("FOu", CzasTrwString(length - 1'500));
    line("FOT", "1");
    line("Mix", CzasTrwString(std::int64_t{index % 3} * 200));
    line("Ide", "MUZ" + std::to_string(100'000 + index));
    line("Tyt", title);
    line("Wyk", performer);
    if (index % 11 == 0) {
        line("Kom", "wersja radiowa");
    }
    line("Wyd", "Polskie Nagrania");
    line("Rok", std::to_string(1960 + index % 60));
    line("BPM", std::to_string(80 + index % 70));
    line("Wzm", "0");
    line("Adr", "D:\\MUZYKA\\" + performer + "\\" + title + ".mp3");
    out += "KONIEC OPISU\r\n";
}

// `days` days of playlist, each from 00:00 to 24:00 (the file's times hold two hour
// digits, so a longer playlist is the day over again). Written in pieces to keep this
// process small: every child forked from it starts with its resident memory.
fs::path playlist(int days) {
    const fs::path path = workFolder() / ("day" + std::to_string(days) + ".mix");
    if (fs::exists(path)) {
        return path;
    }
    std::ofstream out(path, std::ios::binary);
    const int records = days * kRecordsPerDay;
    std::string piece = "WERSJA=2\r\nPOZYCJI=" + std::to_string(records) + "\r\n";
    for (int i = 0; i < records; ++i) {
        writeRecord(piece, i);
        if (piece.size() > (1 << 20)) {
            out << piece;
            piece.clear();
        }
    }
    out << piece;
    return path;
}

// The music folder the path map names: three of the five performers' folders (one spelled in
// another letter case), none of the songs.
fs::path musicFolder() {
    const fs::path folder = workFolder() / "muzyka";
    if (!fs::exists(folder)) {
        for (int performer = 0; performer < 3; ++performer) {
            std::string name = cp1250ToUtf8(bench::samplePerformer(performer));
            if (performer == 2) {
                std::transform(name.begin(), name.end(), name.begin(),
                               [](char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; });
            }
            fs::create_directories(folder / name);
        }
    }
    return folder;
}

fs::path breakMatrix() {
    const fs::path path = workFolder() / "matryca.dat";
    std::string lines;
    for (int day = 0; day < 7; ++day) {
        lines += "01111111111111111\r\n";
    }
    writeFile(path, lines);
    return path;
}

struct ChildRun {
    double wallSeconds = 0;
    double cpuSeconds = 0;
    double peakBytes = 0;
    int status = -1;
};

double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

// Runs `body` in a forked child (whose exit status is body's result) and measures it.
template <typename Body>
ChildRun runChild(Body body) {
    ChildRun run;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(body());
    }
    rusage usage{};
    int status = 0;
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid) {
        return run;
    }
    run.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.peakBytes = static_cast<double>(usage.ru_maxrss) * 1024.0;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

// The command, run from the folder holding the spots, its messages kept in a file.
ChildRun runBatch(const fs::path& mix, const fs::path& lst, const fs::path& out) {
    const std::string mixArg = mix.string();
    const std::string lstArg = lst.string();
    const std::string outArg = out.string();
    const std::string matrixArg = breakMatrix().string();
    const std::string configArg = (workFolder() / "absent.ini").string();
    const std::string mapArg = "D:\\MUZYKA=" + musicFolder().string();
    const std::string messages = (workFolder() / "batch-messages.txt").string();
    return runChild([&] {
        const int log = ::open(messages.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (log < 0 || ::chdir(workFolder().c_str()) != 0) {
            return 126;
        }
        ::dup2(log, STDOUT_FILENO);
        ::dup2(log, STDERR_FILENO);
        const char* argv[] = {KALMERO_BATCH,
                              "--mix",
                              mixArg.c_str(),
                              "--lst",
                              lstArg.c_str(),
                              "--weekday",
                              "pn",
                              "--mode",
                              "0",
                              "--matrix",
                              matrixArg.c_str(),
                              "--config",
                              configArg.c_str(),
                              "--no-break-sound",
                              "--path-map",
                              mapArg.c_str(),
                              "--out",
                              outArg.c_str(),
                              nullptr};
        ::execv(KALMERO_BATCH, const_cast<char* const*>(argv));
        return 127;
    });
}

// The floor under every child's peak: a fork of this process that exits at once.
double spawnFloorBytes() {
    static const double floor = runChild([] { return 0; }).peakBytes;
    return floor;
}

std::string wholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t begin = 0; begin < text.size();) {
        std::size_t end = text.find("\r\n", begin);
        end = end == std::string::npos ? text.size() : end;
        lines.emplace_back(text.data() + begin, end - begin);
        begin = end + 2;
    }
    return lines;
}

// A path line as the station's Linux disk names it: the music under the mapped folder, a spot
// within the advert list's folder.
std::string localPath(std::string_view line) {
    constexpr std::string_view kMusic = "D:\\MUZYKA\\";
    std::string path = line.substr(0, kMusic.size()) == kMusic
                           ? musicFolder().string() + "/" + std::string(line.substr(kMusic.size()))
                           : (workFolder() / std::string(line)).string();
    std::replace(path.begin(), path.end(), '\\', '/');
    return cp1250ToUtf8(path);
}

// Whether each distinct file named by the playlist's path lines and the advert list is there:
// one `stat` each.
int lookUpNamedFiles(const std::vector<std::string_view>& playlistLines, const std::string& lst) {
    std::unordered_set<std::string_view> named;
    for (const std::string_view line : playlistLines) {
        if (line.substr(0, 4) == "Adr=") {
            named.insert(line.substr(4));
        }
    }
    const std::string adverts = wholeFile(lst);
    for (const std::string_view line : splitLines(adverts)) {
        if (!line.empty() && (line.front() < '0' || line.front() > '9')) {
            named.insert(line);
        }
    }
    int there = 0;
    for (const std::string_view line : named) {
        struct stat info {};
        there += ::stat(localPath(line).c_str(), &info) == 0 ? 1 : 0;
    }
    return there;
}

// Read the playlist, split it into lines, look up the files it names, write the lines to
// another file and make it durable.
int copyLines(const std::string& from, const std::string& lst, const std::string& to) {
    const std::string text = wholeFile(from);
    const std::vector<std::string_view> lines = splitLines(text);
    if (lookUpNamedFiles(lines, lst) < 0) {
        return 1;
    }
    std::string out;
    out.reserve(text.size());
    for (const std::string_view line : lines) {
        out += line;
        out += "\r\n";
    }
    const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        return 1;
    }
    for (std::size_t done = 0; done < out.size();) {
        const ssize_t written = ::write(fd, out.data() + done, out.size() - done);
        if (written <= 0) {
            return 1;
        }
        done += static_cast<std::size_t>(written);
    }
    return ::fsync(fd) == 0 && ::close(fd) == 0 ? 0 : 1;
}

std::string lastMessages() {
    const std::string text = wholeFile((workFolder() / "batch-messages.txt").string());
    return text.substr(text.size() > 400 ? text.size() - 400 : 0);
}

void BM_Road(benchmark::State& state) {
    const int days = static_cast<int>(state.range(0));
    const fs::path mix = playlist(days);
    const fs::path lst = advertList();
    const fs::path out = workFolder() / "out.mix";
    const std::string copy = (workFolder() / "copy.mix").string();
    const double playlistBytes = static_cast<double>(fs::file_size(mix));
    const double floor = spawnFloorBytes();
    ChildRun road;
    ChildRun baseline;
    for (auto _ : state) {
        baseline = runChild([&] { return copyLines(mix.string(), lst.string(), copy); });
        road = runBatch(mix, lst, out);
        // 3: written, with spots the day couldn't place (the list books more than it airs).
        if ((road.status != 0 && road.status != 3) || baseline.status != 0) {
            state.SkipWithError(
                ("the road exited with " + std::to_string(road.status) + ": " + lastMessages())
                    .c_str());
            return;
        }
        state.SetIterationTime(road.wallSeconds);
    }
    constexpr double kMB = 1e6;
    state.counters["playlist_MB"] = playlistBytes / kMB;
    state.counters["out_MB"] = static_cast<double>(fs::file_size(out)) / kMB;
    state.counters["road_MB_per_s"] = playlistBytes / kMB / road.wallSeconds;
    state.counters["road_cpu_MB_per_s"] = playlistBytes / kMB / road.cpuSeconds;
    state.counters["copy_MB_per_s"] = playlistBytes / kMB / baseline.wallSeconds;
    state.counters["copy_cpu_MB_per_s"] = playlistBytes / kMB / baseline.cpuSeconds;
    state.counters["slower_than_copy"] = road.wallSeconds / baseline.wallSeconds;
    state.counters["slower_than_copy_cpu"] = road.cpuSeconds / baseline.cpuSeconds;
    state.counters["peak_MB"] = road.peakBytes / kMB;
    state.counters["peak_per_playlist"] = road.peakBytes / playlistBytes;
    state.counters["fork_floor_MB"] = floor / kMB;
    fs::remove(out);
    fs::remove(copy);
}

// One run per iteration, medians of many: the wall time waits on a shared disk's fsync.
const bool kRegistered = [] {
    benchmark::RegisterBenchmark("BM_Road", BM_Road)
        ->Arg(30)
        ->Iterations(1)
        ->Repetitions(15)
        ->ReportAggregatesOnly(true)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    const char* year = std::getenv("KALMERO_ROAD_YEAR");
    if (year == nullptr || std::string_view(year) != "0") {
        benchmark::RegisterBenchmark("BM_Road", BM_Road)
            ->Arg(365)
            ->Iterations(1)
            ->Repetitions(3)
            ->ReportAggregatesOnly(true)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace
}  // namespace kalmero

BENCHMARK_MAIN();
