// Loudness of spots, the cache of measurings and the pool measuring a list.

#include "platform/loudness.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/audio_test_support.h"
#include "platform/measure_cache.h"
#include "platform/spot_pool.h"
#include "support/audio_writer.h"

namespace kalmero {
namespace {

using test::sweep;

// EBU Tech 3341's signals and the cases BS.1770 treats apart, made by sox.
struct SoxCase {
    const char* name;
    const char* synth;   // sox's arguments after the output file
    const char* format;  // sox's options for the output file
    double integrated;
    double maxShortTerm;
    double truePeak;
};

void PrintTo(const SoxCase& c, std::ostream* out) { *out << c.name; }

// clang-format off
const SoxCase kSoxCases[] = {
    {"Sine23", "synth 20 sine 1000 vol -23 dB", "-r 48000 -c 2", -23.0, -23.0, -23.0},
    {"Sine33", "synth 20 sine 1000 vol -33 dB", "-r 48000 -c 2", -33.0, -33.0, -33.0},
    // The quiet half lies 20 dB under the loud one, below the relative gate.
    {"StepOf20dB", "synth 20 sine 1000 vol -36 dB : synth 20 sine 1000 vol -16 dB",
     "-r 48000 -c 2", -16.0, -16.0, -16.0},
    // Samples at 45 degrees of a quarter-rate sine peak at -6 dBFS, the wave at -3 dBTP.
    {"TruePeakBetweenSamples", "synth 5 sine 12000 0 12.5 vol -3 dB", "-r 48000 -c 2", 0.4, 0.4,
     -3.0},
    // Measured as it airs on both channels: as loud as the stereo sine.
    {"Mono", "synth 20 sine 1000 vol -23 dB", "-r 44100 -c 1", -23.0, -23.0, -23.0},
};
// clang-format on

class SoxLoudnessTest : public test::TempFolderTest,
                        public ::testing::WithParamInterface<SoxCase> {};

TEST_P(SoxLoudnessTest, AgreesWithTheReference) {
    const SoxCase& c = GetParam();
    if (std::system("command -v sox > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "sox is not installed";
    }
    const std::string path = file("spot.wav");
    const std::string command =
        std::string("sox -n ") + c.format + " '" + path + "' " + c.synth + " 2> /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    const SpotLoudness loudness = measureLoudness(path).loudness;
    EXPECT_EQ(loudness.problem, SpotIssue{});
    EXPECT_EQ(loudness.decodedMs, loudness.header.ms);
    ASSERT_TRUE(loudness.integratedLufs && loudness.maxShortTermLufs && loudness.truePeakDbtp);
    EXPECT_NEAR(*loudness.integratedLufs, c.integrated, 0.1);
    EXPECT_NEAR(*loudness.maxShortTermLufs, c.maxShortTerm, 0.1);
    EXPECT_NEAR(*loudness.truePeakDbtp, c.truePeak, 0.2);
}

INSTANTIATE_TEST_SUITE_P(Tech3341, SoxLoudnessTest, ::testing::ValuesIn(kSoxCases),
                         [](const auto& row) { return std::string(row.param.name); });

class LoudnessTest : public test::TempFolderTest {
protected:
    std::string spot(const std::string& name, float level) const {
        const std::string path = file(name);
        writeAudioFile(path, AudioKind::Wav, 48'000, sweep(48'000, 96'000, level));
        return path;
    }
};

TEST_F(LoudnessTest, NamesWhatItCannotMeasure) {
    const std::string silent = file("cisza.wav");
    writeAudioFile(silent, AudioKind::Wav, 48'000, std::vector<float>(48'000));
    // A FLAC file cut short: its header still tells the whole length.
    const std::string cut = file("uciety.flac");
    writeAudioFile(cut, AudioKind::Flac, 48'000, sweep(48'000, 144'000));
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
    struct Case {
        std::string path;
        std::int64_t headerMs;
        bool figures;
        SpotIssue problem;
    };
    const Case cases[] = {
        {file("brak.wav"), 0, false, SpotProblem::NotFound},
        {silent, 1'000, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const SpotLoudness loudness = measureLoudness(c.path).loudness;
        EXPECT_EQ(loudness.header.ms, c.headerMs);
        EXPECT_EQ(loudness.integratedLufs.has_value(), c.figures);
        EXPECT_EQ(loudness.maxShortTermLufs.has_value(), c.figures);
        EXPECT_EQ(loudness.truePeakDbtp.has_value(), c.figures);
        EXPECT_EQ(loudness.problem, c.problem);
    }
    const SpotLoudness cutLoudness = measureLoudness(cut).loudness;
    EXPECT_EQ(cutLoudness.header.ms, 3'000);
    EXPECT_LT(cutLoudness.decodedMs, 2'500);
    EXPECT_EQ(cutLoudness.problem,
              SpotIssue(SpotProblem::LengthDisagrees, 3'000, cutLoudness.decodedMs));
}

TEST_F(LoudnessTest, MeasuresSilenceAtTheStartAndTheEnd) {
    constexpr int kRate = 48'000;
    const auto level = [](double seconds, float value) {
        return std::vector<float>(static_cast<std::size_t>(seconds * kRate), value);
    };
    const auto join = [](std::initializer_list<std::vector<float>> parts) {
        std::vector<float> all;
        for (const auto& part : parts) {
            all.insert(all.end(), part.begin(), part.end());
        }
        return all;
    };
    const std::vector<float> tone = sweep(kRate, 2 * kRate);
    struct Case {
        const char* name;
        AudioKind kind;
        std::vector<float> samples;
        std::int64_t leadingMs;
        std::int64_t trailingMs;
        std::int64_t toleranceMs;
        bool silent;
    };
    const Case cases[] = {
        {"Edges", AudioKind::Wav, join({level(3, 0), tone, level(1.5, 0)}), 3'000, 1'500, 0, false},
        // -66 dBFS is silence, -59 dBFS is not.
        {"UnderTheLevel", AudioKind::Wav, join({level(1, 0.0005F), tone, level(1, -0.0005F)}),
         1'000, 1'000, 0, false},
        {"OverTheLevel", AudioKind::Wav, join({level(1, 0.00112F), tone, level(1, -0.00112F)}), 0,
         0, 0, false},
        {"Whole", AudioKind::Wav, level(2, 0), 2'000, 2'000, 0, true},
        {"Mp3", AudioKind::Mp3, join({level(2, 0), tone, level(2.5, 0)}), 2'000, 2'500, 30, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = file(std::string(c.name) + ".audio");
        writeAudioFile(path, c.kind, kRate, c.samples);
        const SpotLoudness loudness = measureLoudness(path).loudness;
        EXPECT_NEAR(loudness.leadingSilenceMs, c.leadingMs, c.toleranceMs);
        EXPECT_NEAR(loudness.trailingSilenceMs, c.trailingMs, c.toleranceMs);
        EXPECT_EQ(!loudness.integratedLufs, c.silent);
    }
}

class MeasureCacheTest : public LoudnessTest {
protected:
    std::string cachePath() const { return file("cache/spoty.sqlite"); }
};

TEST_F(MeasureCacheTest, AnswersForUnchangedFilesOnly) {
    const std::vector<std::string> paths = {spot("a.wav", 0.1f), spot("b.wav", 0.2f)};
    std::atomic<int> decoded{0};
    SpotPoolRun run;
    run.settings.header.filesDecoded = &decoded;
    const auto measureAll = [&] {
        MeasureCache cache(cachePath());
        EXPECT_EQ(cache.warning(), "");
        return measureSpots(paths, &cache, run);
    };
    const auto first = measureAll();
    EXPECT_EQ(decoded, 2);
    EXPECT_EQ(measureAll(), first);
    EXPECT_EQ(decoded, 2);

    spot("b.wav", 0.8f);
    const auto changed = measureAll();
    EXPECT_EQ(decoded, 3);
    EXPECT_EQ(changed[0], first[0]);
    ASSERT_TRUE(changed[1] && first[1]);
    EXPECT_GT(*changed[1]->integratedLufs, *first[1]->integratedLufs + 10);
}

// A failure can't tell a broken file from a passing fault: measured again every time.
TEST_F(MeasureCacheTest, KeepsNoFileWhoseDecodingFails) {
    // A FLAC file cut before its first frame: its header tells 2 s, none of it decodes.
    const std::string path = file("a.flac");
    writeAudioFile(path, AudioKind::Flac, 48'000, sweep(48'000, 96'000));
    std::filesystem::resize_file(path, std::filesystem::file_size(path) / 50);
    for (int time = 0; time < 2; ++time) {
        MeasureCache cache(cachePath());
        const auto measured = measureSpots({path}, &cache, SpotPoolRun{});
        ASSERT_TRUE(measured[0]);
        EXPECT_EQ(measured[0]->header.ms, 2'000);
        EXPECT_EQ(measured[0]->problem, SpotIssue{SpotProblem::CantDecode});
        EXPECT_FALSE(cache.find(*identifyFile(path)));
    }
}

TEST_F(MeasureCacheTest, NeverFailsOnABadCacheFile) {
    struct Case {
        const char* name;
        std::string path;
        std::string warning;
        bool keeps;
    };
    std::filesystem::create_directories(file("cache"));
    test::writeBytes(cachePath(), std::string(8'192, 'x'));
    test::writeBytes(file("plik"), "");
    const Case cases[] = {
        // Not ours to drop: moved aside, its bytes kept.
        {"NoSqlite", cachePath(),
         "plik " + cachePath() +
             " nie był pamięcią pomiarów Kalmero; przeniesiono go jako spoty.sqlite.obcy-1 i "
             "utworzono nową pamięć",
         true},
        {"Unopenable", file("plik/spoty.sqlite"),
         "pamięć pomiarów " + file("plik/spoty.sqlite") +
             " nieużyta (część ścieżki nie jest katalogiem); spoty zmierzono bez niej",
         false},
        {"NoHome", "",
         "nie wiadomo, gdzie jest katalog domowy (brak HOME i wpisu w passwd); spoty "
         "zmierzono bez pamięci pomiarów",
         false},
    };
    const std::string path = spot("a.wav", 0.1f);
    const MeasuredSpot measured = measureLoudness(path);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MeasureCache cache(c.path);
        EXPECT_EQ(cache.warning(), c.warning);
        cache.store(*measured.identity, measured.loudness);
        EXPECT_EQ(cache.find(*measured.identity).has_value(), c.keeps);
    }
    EXPECT_EQ(test::readBytes(cachePath() + ".obcy-1"), std::string(8'192, 'x'));
}

TEST_F(MeasureCacheTest, TwoProcessesWriteAtOnce) {
    constexpr int kRows = 300;
    const auto identity = [](int process, int row) {
        FileIdentity file;
        file.path = "/spoty/" + std::to_string(process) + "/" + std::to_string(row) + ".mp3";
        file.inode = static_cast<std::uint64_t>(row);
        return file;
    };
    SpotLoudness loudness;
    loudness.header.ms = 30'000;
    pid_t children[2];
    for (int process = 0; process < 2; ++process) {
        children[process] = ::fork();
        if (children[process] == 0) {
            MeasureCache cache(cachePath());
            for (int row = 0; row < kRows; ++row) {
                cache.store(identity(process, row), loudness);
            }
            ::_exit(cache.warning().empty() ? 0 : 1);
        }
    }
    for (const pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    MeasureCache cache(cachePath());
    for (int process = 0; process < 2; ++process) {
        for (int row = 0; row < kRows; ++row) {
            ASSERT_EQ(cache.find(identity(process, row)), loudness) << process << " " << row;
        }
    }
}

TEST_F(LoudnessTest, PoolReportsEachSpotAndStopsWhenCancelled) {
    std::vector<std::string> paths;
    for (int i = 0; i < 6; ++i) {
        paths.push_back(spot(std::to_string(i) + ".wav", 0.1f));
    }
    std::atomic<bool> cancel{false};
    std::vector<std::size_t> done;
    SpotPoolRun run;
    run.threads = 2;
    run.cancel = &cancel;
    run.progress = [&](std::size_t count, std::size_t total) {
        EXPECT_EQ(total, paths.size());
        done.push_back(count);
        if (count == 2) {
            cancel = true;
        }
    };
    const auto results = measureSpots(paths, nullptr, run);
    // The other thread may finish the spot it had all but measured.
    ASSERT_GE(done.size(), 2u);
    EXPECT_LE(done.size(), 3u);
    for (std::size_t i = 0; i < done.size(); ++i) {
        EXPECT_EQ(done[i], i + 1);
    }
    EXPECT_EQ(std::count_if(results.begin(), results.end(), [](const auto& r) { return !!r; }),
              static_cast<std::ptrdiff_t>(done.size()));
}

}  // namespace
}  // namespace kalmero
