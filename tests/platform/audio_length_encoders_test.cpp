// Spots made by other encoders than our own writer: each case runs the encoder when it is
// installed (none of them is a build dependency) and is skipped when it is not.

#include <cstdlib>
#include <string>

#include "platform/audio_length.h"
#include "platform/audio_test_support.h"
#include "support/audio_writer.h"

namespace kalmero {
namespace {

using test::sweep;

struct EncoderCase {
    const char* name;
    const char* tool;  // must be on PATH
    const char* output;
    const char* command;  // {in} and {out} stand for the quoted paths
    std::int64_t least;
    std::int64_t most;
};

void PrintTo(const EncoderCase& c, std::ostream* out) { *out << c.name; }

// The source: 144,024 frames at 48 kHz, 3000.5 ms, which rounds to 3000 (tie to even).
constexpr int kRate = 48'000;
constexpr std::int64_t kFrames = 144'024;
constexpr std::int64_t kMs = 3'000;
// MPEG audio without an encoder tag plays its delay and padding too: up to three frames
// of 1152 samples (24 ms each at 48 kHz) more.
constexpr std::int64_t kUntagged = kMs + 3 * 24;

// clang-format off
const EncoderCase kCases[] = {
    {"LameCbr", "lame", "cbr.mp3", "lame --quiet -b 128 {in} {out}", kMs, kMs},
    {"LameVbr", "lame", "vbr.mp3", "lame --quiet -V 2 {in} {out}", kMs, kMs},
    {"LameAbr", "lame", "abr.mp3", "lame --quiet --abr 96 {in} {out}", kMs, kMs},
    {"LameLargeId3v2", "lame", "id3.mp3",
     "lame --quiet -V 4 --tt Reklama --id3v2-only --pad-id3v2-size 300000 {in} {out}", kMs, kMs},
    {"LameNoXingTag", "lame", "notag.mp3", "lame --quiet -t --nohist -V 4 {in} {out}", kMs,
     kUntagged},
    {"LameToPipe", "lame", "pipe.mp3", "lame --quiet -V 4 {in} - > {out}", kMs, kUntagged},
    // MPEG-2 Layer III (frames of 576 samples, 26 ms at 22.05 kHz) behind bytes that are no
    // audio, found only by walking from frame to frame. Its tag is not read there: lame's
    // delay (1105 samples, 50 ms) and the last frame's padding play too.
    {"LameMpeg2BehindJunk", "lame", "mpeg2.mp3",
     "lame --quiet --resample 22.05 -b 32 {in} {out}.mp3 && { head -c 999 /dev/zero; cat "
     "{out}.mp3; } > {out}",
     kMs + 51, kMs + 51 + 27},
    // ffmpeg's encoder tag leaves a few samples of padding in: decoders that honour the tag
    // play 144,047 samples, 3000.98 ms.
    {"FfmpegMp3", "ffmpeg", "ff.mp3", "ffmpeg -v error -y -i {in} -c:a libmp3lame {out}", kMs,
     kMs + 1},
    {"FfmpegMp3InWav", "ffmpeg", "mp3.wav",
     "ffmpeg -v error -y -i {in} -c:a libmp3lame -f wav {out}", kMs, kUntagged},
    {"FfmpegMp2InWav", "ffmpeg", "mp2.wav",
     "ffmpeg -v error -y -i {in} -c:a mp2 -write_bext 1 -f wav {out}", kMs, kUntagged},
    {"FfmpegRf64", "ffmpeg", "rf64.wav", "ffmpeg -v error -y -i {in} -rf64 always {out}", kMs,
     kMs},
    {"FfmpegWavToPipe", "ffmpeg", "pipe.wav", "ffmpeg -v error -i {in} -f wav - > {out}", kMs,
     kMs},
    {"FfmpegFlacToPipe", "ffmpeg", "pipe.flac", "ffmpeg -v error -i {in} -f flac - > {out}", kMs,
     kMs},
    {"FfmpegAdtsAac", "ffmpeg", "a.aac", "ffmpeg -v error -y -i {in} -c:a aac -f adts {out}", 0,
     0},
    {"FfmpegM4a", "ffmpeg", "a.m4a", "ffmpeg -v error -y -i {in} -c:a aac {out}", 0, 0},
    {"Twolame", "twolame", "a.mp2", "twolame --quiet {in} {out}", kMs, kUntagged},
    {"Flac", "flac", "a.flac", "flac -s -f --no-seektable -T TITLE=Reklama -o {out} {in}", kMs,
     kMs},
    {"OggFlac", "flac", "a.oga", "flac -s -f --ogg -o {out} {in}", kMs, kMs},
    {"Oggenc", "oggenc", "a.ogg", "oggenc -Q -o {out} {in}", kMs, kMs},
    {"OpusencPreSkip", "opusenc", "a.opus", "opusenc --quiet {in} {out}", kMs, kMs},
    {"SoxW64", "sox", "a.w64", "sox {in} -t w64 {out}", kMs, kMs},
    {"SoxAifc", "sox", "a.aifc", "sox {in} -t aifc {out}", kMs, kMs},
};
// clang-format on

std::string quoted(const std::string& path) { return "'" + path + "'"; }

std::string replaced(std::string text, const std::string& key, const std::string& value) {
    for (auto at = text.find(key); at != std::string::npos; at = text.find(key, at)) {
        text.replace(at, key.size(), value);
        at += value.size();
    }
    return text;
}

class OutsideEncoderTest : public test::TempFolderTest,
                           public ::testing::WithParamInterface<EncoderCase> {};

TEST_P(OutsideEncoderTest, MeasuresWhatTheEncoderMade) {
    const EncoderCase& c = GetParam();
    const std::string probe = std::string("command -v ") + c.tool + " > /dev/null 2>&1";
    if (std::system(probe.c_str()) != 0) {
        GTEST_SKIP() << c.tool << " is not installed";
    }
    const std::string source = file("zrodlo.wav");
    writeAudioFile(source, AudioKind::Wav, kRate, sweep(kRate, kFrames));
    const std::string output = file(c.output);
    const std::string command =
        replaced(replaced(c.command, "{in}", quoted(source)), "{out}", quoted(output)) +
        " 2> /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    const SpotMeasure measure = measureSpot(output);
    EXPECT_GE(measure.ms, c.least);
    EXPECT_LE(measure.ms, c.most);
    // A whole file is never taken for a cut one, whatever wrote it.
    if (c.least > 0) {
        EXPECT_EQ(measure.issue, SpotIssue{}) << spotIssueText(measure.issue);
    }
}

INSTANTIATE_TEST_SUITE_P(Encoders, OutsideEncoderTest, ::testing::ValuesIn(kCases),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace kalmero
