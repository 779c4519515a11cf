#include "platform/corrected_copy.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "platform/audio_test_support.h"
#include "platform/loudness.h"
#include "support/as_nobody.h"
#include "support/audio_writer.h"

namespace kalmero {
namespace {

using test::TempFolderTest;

std::string le(std::uint64_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>(value >> (8 * i) & 0xFF);
    }
    return out;
}

std::string chunk(const std::string& id, const std::string& body) {
    return id + le(body.size(), 4) + body + (body.size() % 2 != 0 ? std::string(1, '\0') : "");
}

// A broadcast WAV: 16-bit stereo 48 kHz, a tone, its bext and cart before the samples (bext's
// odd size padded) and a LIST after them.
struct Wave {
    std::string bytes;
    std::size_t dataOffset = 0;
    std::size_t samples = 0;
};

Wave broadcastWave() {
    const std::string format =
        le(1, 2) + le(2, 2) + le(48000, 4) + le(192000, 4) + le(4, 2) + le(16, 2);
    std::string data;
    const std::size_t frames = 48000 * 5;
    for (std::size_t i = 0; i < frames; ++i) {
        const auto value = static_cast<std::int16_t>(
            std::lrint(16000 * std::sin(2 * M_PI * 997 * static_cast<double>(i) / 48000)));
        data +=
            le(static_cast<std::uint16_t>(value), 2) + le(static_cast<std::uint16_t>(-value), 2);
    }
    std::string bext(603, 'b');
    bext[0] = '\x7f';
    const std::string head = chunk("fmt ", format) + chunk("bext", bext) +
                             chunk("cart", std::string(2048, '\1') + "ZAIKS") + "data" +
                             le(data.size(), 4);
    const std::string tail = chunk("LIST", "INFOINAM" + le(8, 4) + "pizzeria");
    const std::string body = "WAVE" + head + data + tail;
    return {"RIFF" + le(body.size(), 4) + body, 12 + head.size(), frames * 2};
}

std::int16_t sampleAt(const std::string& bytes, std::size_t offset) {
    return static_cast<std::int16_t>(static_cast<unsigned char>(bytes[offset]) |
                                     static_cast<unsigned char>(bytes[offset + 1]) << 8);
}

class CorrectedCopy : public TempFolderTest {};

TEST_F(CorrectedCopy, ComesBackLoweredByTheGainAndOriginalUntouched) {
    const Wave wave = broadcastWave();
    test::writeBytes(file("wave.wav"), wave.bytes);
    const std::vector<float> audio = test::sweep(44100, 44100 * 6);
    writeAudioFile(file("spot.mp3"), AudioKind::Mp3, 44100, audio);
    writeAudioFile(file("spot.flac"), AudioKind::Flac, 44100, audio);
    writeAudioFile(file("spot.ogg"), AudioKind::OggVorbis, 44100, audio);
    writeAudioFile(file("spot.opus"), AudioKind::OggOpus, 48000, test::sweep(48000, 48000 * 6));
    const struct {
        const char* name;
        double tolerance;
    } rows[] = {{"wave.wav", 0.1},
                {"spot.mp3", 0.2},
                {"spot.flac", 0.2},
                {"spot.ogg", 0.2},
                {"spot.opus", 0.2}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string original = file(row.name);
        const std::string before = test::readBytes(original);
        struct stat was {};
        ASSERT_EQ(::stat(original.c_str(), &was), 0);
        const std::string copy = file(std::string("lowered.") + row.name);
        const CopyWritten written = writeCorrectedCopy(original, 6.0, copy);
        ASSERT_EQ(written.failure, CopyFailure::None) << written.reason;

        const SpotLoudness source = measureLoudness(original).loudness;
        const SpotLoudness lowered = measureLoudness(copy).loudness;
        ASSERT_TRUE(source.integratedLufs && lowered.integratedLufs) << lowered.problem;
        EXPECT_NEAR(*lowered.integratedLufs, *source.integratedLufs - 6.0, row.tolerance);
        EXPECT_NEAR(static_cast<double>(lowered.decodedMs), static_cast<double>(source.decodedMs),
                    1.0);
        struct stat is {};
        ASSERT_EQ(::stat(original.c_str(), &is), 0);
        EXPECT_EQ(test::readBytes(original), before);
        EXPECT_EQ(std::make_tuple(is.st_mtim.tv_sec, is.st_mtim.tv_nsec, is.st_atim.tv_sec,
                                  is.st_atim.tv_nsec, is.st_ctim.tv_sec, is.st_ctim.tv_nsec),
                  std::make_tuple(was.st_mtim.tv_sec, was.st_mtim.tv_nsec, was.st_atim.tv_sec,
                                  was.st_atim.tv_nsec, was.st_ctim.tv_sec, was.st_ctim.tv_nsec));
    }
    // The WAV's every other chunk byte for byte, each sample the original × gain within 1 LSB.
    const std::string copy = test::readBytes(file("lowered.wave.wav"));
    ASSERT_EQ(copy.size(), wave.bytes.size());
    const std::size_t dataEnd = wave.dataOffset + wave.samples * 2;
    EXPECT_EQ(copy.substr(0, wave.dataOffset), wave.bytes.substr(0, wave.dataOffset));
    EXPECT_EQ(copy.substr(dataEnd), wave.bytes.substr(dataEnd));
    const double factor = std::pow(10.0, -6.0 / 20);
    for (std::size_t at = wave.dataOffset; at < dataEnd; at += 2) {
        ASSERT_LE(std::abs(sampleAt(copy, at) - sampleAt(wave.bytes, at) * factor), 1.0) << at;
    }
}

TEST_F(CorrectedCopy, NamesWhatStandsInItsWay) {
    writeAudioFile(file("spot.flac"), AudioKind::Flac, 44100, test::sweep(44100, 44100));
    test::writeBytes(file("taken.flac"), "someone's");
    ASSERT_EQ(::symlink(file("spot.flac").c_str(), file("link.flac").c_str()), 0);
    ASSERT_EQ(::mkdir(file("locked").c_str(), 0555), 0);
    const struct {
        const char* target;
        CopyFailure expected;
    } rows[] = {
        {"taken.flac", CopyFailure::NameTaken},
        {"link.flac", CopyFailure::NameTaken},
        {"locked/spot.flac", CopyFailure::Writing},
        {"missing/spot.flac", CopyFailure::Writing},
    };
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(file("spot.flac").c_str(), 0644), 0);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.target);
        const auto failure = [&] {
            return static_cast<int>(
                writeCorrectedCopy(file("spot.flac"), 1.0, file(row.target)).failure);
        };
        // Root writes anywhere: the locked folder is met as the account without rights.
        EXPECT_EQ(::geteuid() == 0 ? test::runAsNobody(failure) : failure(),
                  static_cast<int>(row.expected));
    }
    EXPECT_EQ(test::readBytes(file("taken.flac")), "someone's");
}

}  // namespace
}  // namespace kalmero
