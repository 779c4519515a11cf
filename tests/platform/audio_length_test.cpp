#include "platform/audio_length.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <initializer_list>
#include <random>
#include <thread>

#include "platform/audio_test_support.h"
#include "support/audio_writer.h"

namespace kalmero {
namespace {

using test::readBytes;
using test::sweep;
using test::writeBytes;

TEST(FramesToMs, RoundsExactlyWithTiesToEven) {
    struct Case {
        std::int64_t frames;
        std::int64_t rate;
        std::int64_t ms;
    };
    const Case cases[] = {
        {24'072, 48'000, 502},  // 501.5
        {24'024, 48'000, 500},  // 500.5
        {1, 2'000, 0},          // 0.5
        {3, 2'000, 2},          // 1.5
        {2, 3, 667},
        {1, 3, 333},
        {1'323'123, 44'100, 30'003},
        {44'100'000'000'000'000, 44'100, 1'000'000'000'000'000},  // no overflow
        {0, 44'100, 0},
        {100, 0, 0},
        {-5, 44'100, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(framesToMs(c.frames, c.rate), c.ms) << c.frames << " / " << c.rate;
    }
}

class AudioLengthTest : public test::TempFolderTest {};

TEST_F(AudioLengthTest, MeasuresEachFormatExactly) {
    struct Case {
        const char* name;
        AudioKind kind;
        int rate;
        std::int64_t frames;
        std::int64_t ms;
    };
    const Case cases[] = {
        {"tie_up.wav", AudioKind::Wav, 48'000, 24'072, 502},
        {"tie_down.wav", AudioKind::Wav, 48'000, 24'024, 500},
        {"empty_audio.wav", AudioKind::Wav, 44'100, 0, 0},
        {"short.aiff", AudioKind::Aiff, 8'000, 12, 2},  // 1.5 ms
        {"a.flac", AudioKind::Flac, 44'100, 44'100 * 3 + 17, 3'000},
        {"a.ogg", AudioKind::OggVorbis, 44'100, 44'100 * 3 + 23, 3'001},
        {"a.opus", AudioKind::OggOpus, 48'000, 24'072, 502},
        {"a.mp3", AudioKind::Mp3, 44'100, 1'323'123, 30'003},
        {"b.mp3", AudioKind::Mp3, 22'050, 154'350, 7'000},
        {"c.mp3", AudioKind::Mp3, 16'000, 8'008, 500},  // 500.5, MPEG-2
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeAudioFile(file(c.name), c.kind, c.rate, sweep(c.rate, c.frames));
        EXPECT_EQ(PobierzCzasSpotu(file(c.name)), c.ms);
        EXPECT_EQ(!measureSpot(file(c.name)).issue.any(), c.ms > 0);
    }
}

// Bytes of an MPEG-1 Layer III frame starting at `at`, from its header.
std::size_t mpeg1Layer3FrameSize(const std::string& bytes, std::size_t at) {
    static const int kKbps[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static const int kRates[] = {44'100, 48'000, 32'000};
    const auto b1 = static_cast<unsigned char>(bytes.at(at + 1));
    const auto b2 = static_cast<unsigned char>(bytes.at(at + 2));
    EXPECT_EQ(static_cast<unsigned char>(bytes[at]), 0xFF);
    EXPECT_EQ(b1 & 0xFE, 0xFA) << "not MPEG-1 Layer III";
    const int kbps = kKbps[(b2 >> 4) % 15];
    const int rate = kRates[((b2 >> 2) & 3) % 3];
    return static_cast<std::size_t>(144'000 * kbps / rate + ((b2 >> 1) & 1));
}

// What libsndfile alone makes of a file, to show that a fixture really misleads it.
std::int64_t sndfileEstimate(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = ::sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        return -1;
    }
    ::sf_close(file);
    return framesToMs(info.frames, info.samplerate);
}

void appendLittleEndian(std::string& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// An ID3v2 tag of `size` bytes of padding (its size a syncsafe integer).
std::string id3v2Tag(std::size_t size) {
    std::string tag = "ID3\x03";
    tag += '\0';
    tag += '\0';
    for (int shift = 21; shift >= 0; shift -= 7) {
        tag += static_cast<char>((size >> shift) & 0x7F);
    }
    return tag + std::string(size, '\0');
}

std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random() & 0xFF);
    }
    return bytes;
}

// MPEG audio in a WAV file (format tag 0x55) whose fact chunk claims `claimedFrames`;
// `otherChunks` (whole chunks) go before the data chunk.
std::string wavWrapped(const std::string& mpeg, std::uint32_t rate, std::uint32_t claimedFrames,
                       const std::string& otherChunks = "") {
    std::string fmt;
    for (const auto& [value, size] :
         std::initializer_list<std::pair<std::uint32_t, int>>{{0x55, 2},
                                                              {1, 2},
                                                              {rate, 4},
                                                              {16'000, 4},
                                                              {1, 2},
                                                              {0, 2},
                                                              {12, 2},
                                                              {1, 2},
                                                              {2, 4},
                                                              {417, 2},
                                                              {1, 2},
                                                              {1'393, 2}}) {
        appendLittleEndian(fmt, value, size);
    }
    std::string body = "WAVEfmt ";
    appendLittleEndian(body, static_cast<std::uint32_t>(fmt.size()), 4);
    body += fmt + "fact";
    appendLittleEndian(body, 4, 4);
    appendLittleEndian(body, claimedFrames, 4);
    body += otherChunks + "data";
    appendLittleEndian(body, static_cast<std::uint32_t>(mpeg.size()), 4);
    body += mpeg;
    std::string riff = "RIFF";
    appendLittleEndian(riff, static_cast<std::uint32_t>(body.size()), 4);
    return riff + body;
}

// A 30 s MP3 whose bit rate changes a lot: a quiet second, then loud noise.
std::vector<float> quietThenNoise() {
    std::vector<float> samples = sweep(44'100, 44'100 * 30, 0.001f);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    for (std::size_t i = 44'100; i < samples.size(); ++i) {
        samples[i] += noise(random);
    }
    return samples;
}

TEST_F(AudioLengthTest, CountsMpegFramesWhenTheHeaderMisleads) {
    const std::string original = file("vbr.mp3");
    writeAudioFile(original, AudioKind::Mp3, 44'100, quietThenNoise());
    ASSERT_EQ(PobierzCzasSpotu(original), 30'000);
    const std::string bytes = readBytes(original);

    const std::size_t first = mpeg1Layer3FrameSize(bytes, 0);
    ASSERT_NE(bytes.substr(0, first).find("Xing"), std::string::npos);
    const std::string noXing = bytes.substr(first);
    // A 500 KB ID3v2 tag (its size a syncsafe integer) in front of the audio.
    const std::string tag = id3v2Tag(500'000);

    // Without the Xing header only a frame count finds the length, and without the
    // encoder's tag the decoder delay and padding remain (at most two frames, 52 ms).
    struct Case {
        const char* name;
        std::string bytes;
        std::int64_t least;
        std::int64_t most;
        bool misleadsHeaderReader;
    };
    const Case cases[] = {
        {"vbr_bez_xing.mp3", noXing, 30'000, 30'052, true},
        {"tag_bez_xing.mp3", tag + noXing, 30'000, 30'052, true},
        {"tag_z_xing.mp3", tag + bytes, 30'000, 30'000, false},
        {"mp3_w_wav.wav", wavWrapped(noXing, 44'100, 44'100), 30'000, 30'052, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(file(c.name), c.bytes);
        if (c.misleadsHeaderReader) {
            ASSERT_GT(std::abs(sndfileEstimate(file(c.name)) - 30'000), 5'000)
                << "the fixture must mislead a header reader";
        }
        const std::int64_t ms = PobierzCzasSpotu(file(c.name));
        EXPECT_GE(ms, c.least);
        EXPECT_LE(ms, c.most);
    }
}

TEST_F(AudioLengthTest, ATagInFrontOfOtherAudioIsNotTakenForMpeg) {
    const std::string flac = file("a.flac");
    writeAudioFile(flac, AudioKind::Flac, 48'000, sweep(48'000, 24'072));
    std::string tag = "ID3\x03";
    tag += std::string(5, '\0');
    tag += '\x14';  // 20 bytes of padding
    tag += std::string(20, '\0');
    writeBytes(file("tag.flac"), tag + readBytes(flac));
    EXPECT_EQ(PobierzCzasSpotu(file("tag.flac")), 502);
}

TEST_F(AudioLengthTest, FindsMpegAudioBehindWhatPrecedesIt) {
    const std::string original = file("spot.mp3");
    writeAudioFile(original, AudioKind::Mp3, 44'100, sweep(44'100, 44'100 * 3 + 100));
    ASSERT_EQ(PobierzCzasSpotu(original), 3'002);
    const std::string mp3 = readBytes(original);
    // A peak envelope chunk of an hour-long broadcast WAV, ahead of the data chunk.
    std::string levl = "levl";
    appendLittleEndian(levl, 3'000'001, 4);
    levl += std::string(3'000'002, '\x11');  // and the pad byte of an odd size
    const std::string wav = wavWrapped(mp3, 44'100, 0, levl);
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"dwa_tagi.mp3", id3v2Tag(300) + id3v2Tag(5'000) + mp3},
        {"smieci_z_przodu.mp3", randomBytes(333, 1) + mp3},
        {"zera_z_przodu.mp3", std::string(4'096, '\0') + mp3},
        {"tag_i_smieci.mp3", id3v2Tag(1'000) + randomBytes(700, 2) + mp3},
        {"duzy_chunk.wav", wav},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(file(c.name), c.bytes);
        EXPECT_EQ(PobierzCzasSpotu(file(c.name)), 3'002);
    }
}

TEST_F(AudioLengthTest, StrayFrameHeadersInOtherDataGiveZero) {
    // AAC, MP4 and pictures hold seemingly valid MPEG frame headers here and there, now and
    // then two a frame apart. A decoder that takes them for audio reports a few ms.
    const std::string layer1Header = "\xFF\xFF\xE4\xC0";  // 448 kbit/s, 48 kHz: 448 bytes
    std::string noise = randomBytes(300'000, 3);
    noise.replace(10'000, 4, layer1Header);
    noise.replace(10'448, 4, layer1Header);
    writeBytes(file("para.aac"), noise);
    EXPECT_EQ(PobierzCzasSpotu(file("para.aac")), 0);
    // A third frame in a row makes it MPEG audio: at least three frames of 8 ms.
    noise.replace(10'896, 4, layer1Header);
    writeBytes(file("trzy.mp1"), noise);
    EXPECT_GE(PobierzCzasSpotu(file("trzy.mp1")), 24);
}

TEST_F(AudioLengthTest, DecodesToTheEndWhenTheHeaderLeavesTheLengthOpen) {
    // FLAC written to a pipe has no sample count in its STREAMINFO block.
    const std::string flac = file("a.flac");
    writeAudioFile(flac, AudioKind::Flac, 48'000, sweep(48'000, 144'024));
    std::string bytes = readBytes(flac);
    ASSERT_EQ(bytes.substr(0, 4), "fLaC");
    ASSERT_EQ(bytes[4] & 0x7F, 0) << "STREAMINFO first";
    bytes[8 + 13] = static_cast<char>(bytes[8 + 13] & 0xF0);
    bytes.replace(8 + 14, 4, 4, '\0');
    writeBytes(file("bez_dlugosci.flac"), bytes);
    EXPECT_EQ(PobierzCzasSpotu(file("bez_dlugosci.flac")), 3'000);  // 3000.5, tie to even

    // An Ogg file cut short has no last page whose position gives the length: what is left
    // of it plays, about half the length.
    const std::string opus = file("a.opus");
    writeAudioFile(opus, AudioKind::OggOpus, 48'000, sweep(48'000, 48'000 * 10));
    const std::string whole = readBytes(opus);
    writeBytes(file("ucieta.opus"), whole.substr(0, whole.size() / 2));
    const std::int64_t cut = PobierzCzasSpotu(file("ucieta.opus"));
    EXPECT_GT(cut, 3'000);
    EXPECT_LT(cut, 7'000);
}

TEST_F(AudioLengthTest, AFileCutShortIsNamedWithWhatItDeclaresAndHolds) {
    // 2 s of each kind; the rows cut the whole file by bytes.
    const auto whole = [&](const char* name, AudioKind kind, int rate) {
        writeAudioFile(file(name), kind, rate, sweep(rate, rate * 2));
        return readBytes(file(name));
    };
    const std::string wav = whole("a.wav", AudioKind::Wav, 48'000);  // 96,000 bytes a second
    const std::string rf64 = whole("a.rf64", AudioKind::Rf64, 48'000);
    const std::string wavex = whole("a.wavex", AudioKind::WaveExtensible, 48'000);
    const std::string mp3 = whole("a.mp3", AudioKind::Mp3, 44'100);
    const std::string flac = whole("a.flac", AudioKind::Flac, 48'000);
    const std::string ogg = whole("a.ogg", AudioKind::OggVorbis, 44'100);
    const std::string opus = whole("a.opus", AudioKind::OggOpus, 48'000);
    const std::string noXing = mp3.substr(mpeg1Layer3FrameSize(mp3, 0));
    // Whole frames up to about 60 % of the MP3 (its Xing header still counts them all).
    std::size_t frameEnd = 0;
    while (frameEnd < mp3.size() * 6 / 10) {
        frameEnd += mpeg1Layer3FrameSize(mp3, frameEnd);
    }
    const std::string cutAtFrame = mp3.substr(0, frameEnd);
    const std::string inWav = wavWrapped(noXing, 44'100, 0);
    // The Xing header's frame count set to the frames there (its own among them), and to one
    // more: encoders differ on counting the header's frame, one more is no cut.
    std::size_t mp3Frames = 0;
    for (std::size_t at = 0; at < mp3.size(); at += mpeg1Layer3FrameSize(mp3, at)) {
        ++mp3Frames;
    }
    const auto declaring = [&](std::size_t frames) {
        std::string bytes = mp3;
        const std::size_t xing = bytes.find("Xing");
        EXPECT_NE(xing, std::string::npos);
        EXPECT_NE(bytes[xing + 7] & 1, 0) << "the frame count present";
        for (int i = 0; i < 4; ++i) {
            bytes[xing + 8 + i] = static_cast<char>(frames >> (8 * (3 - i)));
        }
        return bytes;
    };
    const std::string cbr = whole("cbr.mp3", AudioKind::Mp3Cbr, 44'100);
    ASSERT_NE(cbr.find("Info"), std::string::npos);
    std::size_t cbrFrameEnd = 0;
    while (cbrFrameEnd < cbr.size() / 2) {
        cbrFrameEnd += mpeg1Layer3FrameSize(cbr, cbrFrameEnd);
    }
    // STREAMINFO alone, marked as the last metadata block: no audio frame at all.
    std::string flacMetadataOnly = flac.substr(0, 42);
    flacMetadataOnly[4] = static_cast<char>(flacMetadataOnly[4] | 0x80);

    constexpr std::int64_t kAny = -1;
    struct Case {
        const char* name;
        std::string bytes;
        SpotProblem kind;
        std::int64_t declaredMs = kAny;  // the cut's figures, where the row pins them
        std::int64_t presentMs = kAny;
        bool plays = true;  // libsndfile finds no Vorbis audio without the last page
    };
    std::vector<Case> cases = {
        {"wav_cut.wav", wav.substr(0, 44 + 96'000), SpotProblem::Cut, 2'000, 1'000},
        {"wav_mid_sample.wav", wav.substr(0, wav.size() - 1), SpotProblem::Cut, 2'000, 2'000},
        {"rf64_cut.wav", rf64.substr(0, rf64.size() / 2), SpotProblem::Cut, 2'000},
        {"rf64_mid_sample.wav", rf64.substr(0, rf64.size() - 1), SpotProblem::Cut, 2'000},
        {"wavex_cut.wav", wavex.substr(0, wavex.size() / 2), SpotProblem::Cut, 2'000},
        {"mp3_at_frame.mp3", cutAtFrame, SpotProblem::Cut, 2'038},
        {"mp3_mid_frame.mp3", mp3.substr(0, mp3.size() * 6 / 10), SpotProblem::Cut, 2'038},
        {"mp3_declaring_one_more.mp3", declaring(mp3Frames), SpotProblem::None},
        {"mp3_declaring_two_more.mp3", declaring(mp3Frames + 1), SpotProblem::Cut},
        {"cbr_at_frame.mp3", cbr.substr(0, cbrFrameEnd), SpotProblem::Cut, 2'038},
        {"mp3_last_byte.mp3", mp3.substr(0, mp3.size() - 1), SpotProblem::CutInsideFrame},
        {"first_frame_cut.mp3", mp3.substr(0, 100), SpotProblem::CutInsideFrame, kAny, kAny, false},
        {"no_xing.mp3", noXing, SpotProblem::None},
        {"no_xing_mid_frame.mp3", noXing.substr(0, noXing.size() / 2 + 1),
         SpotProblem::CutInsideFrame},
        {"mp3_in.wav", inWav, SpotProblem::None},
        {"mp3_in_cut.wav", inWav.substr(0, inWav.size() / 2), SpotProblem::Cut},
        {"flac_cut.flac", flac.substr(0, flac.size() / 2), SpotProblem::Cut, 2'000},
        {"flac_last_byte.flac", flac.substr(0, flac.size() - 1), SpotProblem::Cut, 2'000},
        // Up to the last frame's header: every frame left is whole.
        {"flac_at_frame.flac", flac.substr(0, flac.rfind("\xFF\xF8")), SpotProblem::Cut, 2'000},
        {"flac_metadata_only.flac", flacMetadataOnly, SpotProblem::Cut, 2'000, 0},
        {"flac_metadata_cut.flac", flac.substr(0, 30), SpotProblem::Cut, kAny, kAny, false},
        {"ogg_cut.ogg", ogg.substr(0, ogg.size() - 1), SpotProblem::OggWithoutEnd, kAny, kAny,
         false},
        // Whole pages, the last of them not the stream's end.
        {"ogg_at_page.ogg", ogg.substr(0, ogg.rfind("OggS")), SpotProblem::OggWithoutEnd, kAny,
         kAny, false},
        {"opus_cut.opus", opus.substr(0, opus.size() * 6 / 10), SpotProblem::OggWithoutEnd},
    };
    // Whatever follows a whole file's audio (a tag, padding, a stray line end) cuts nothing,
    // and hides no cut.
    const std::string apeFooter = "APETAGEX" + std::string(24, '\0');
    const std::pair<const char*, std::string> trailers[] = {
        {"line end", "\n"},
        {"ID3v1", "TAG" + std::string(125, ' ')},
        {"APEv2", "APETAGEX" + std::string(24, '\0') + "tytul" + apeFooter},
        {"Lyrics3", "LYRICSBEGINtekst000016LYRICS200"},
        {"0xFF padding", std::string(4'000, '\xFF')},
        {"zeros", std::string(5'000, '\0')},
    };
    const std::pair<const char*, const std::string*> wholeFiles[] = {
        {"wav", &wav}, {"rf64", &rf64}, {"wavex", &wavex}, {"mp3", &mp3},
        {"cbr", &cbr}, {"flac", &flac}, {"ogg", &ogg},     {"opus", &opus},
    };
    std::vector<std::string> names;  // the rows keep pointers to their names
    names.reserve(std::size(wholeFiles) * (std::size(trailers) + 2));
    for (const auto& [container, bytes] : wholeFiles) {
        names.push_back(std::string(container) + " whole");
        cases.push_back({names.back().c_str(), *bytes, SpotProblem::None});
        for (const auto& [trailer, data] : trailers) {
            names.push_back(std::string(container) + " + " + trailer);
            cases.push_back({names.back().c_str(), *bytes + data, SpotProblem::None});
        }
        names.push_back(std::string(container) + " cut + ID3v1");
        const bool ogg = *container == 'o';
        cases.push_back({names.back().c_str(),
                         bytes->substr(0, bytes->size() / 2) + "TAG" + std::string(125, ' '),
                         ogg ? SpotProblem::OggWithoutEnd : SpotProblem::Cut, kAny, kAny, !ogg});
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(file("spot"), c.bytes);
        const SpotMeasure measure = newLoadMeasurer()(file("spot"));
        EXPECT_EQ(measure.issue.kind, c.kind) << spotIssueText(measure.issue);
        if (c.declaredMs != kAny) {
            EXPECT_EQ(measure.issue.expected, c.declaredMs);
        }
        if (c.presentMs != kAny) {
            EXPECT_EQ(measure.issue.found, c.presentMs);
        }
        if (c.kind != SpotProblem::None) {
            // What is left still plays, and the day counts it as it plays.
            EXPECT_EQ(measure.ms > 0, c.plays);
            EXPECT_TRUE(leavesDayUnaccounted(measure.issue.kind));
        }
    }
}

TEST_F(AudioLengthTest, HostileFilesAreUnreadableWithAReason) {
    const std::string flac = file("a.flac");
    writeAudioFile(flac, AudioKind::Flac, 48'000, sweep(48'000, 144'024));
    const std::string flacBytes = readBytes(flac);
    ASSERT_EQ(flacBytes.substr(0, 4), "fLaC");
    ASSERT_EQ(flacBytes[4] & 0x7F, 0) << "STREAMINFO first";
    // The 42-byte header alone, at 1 Hz with the most samples the header can count: 2^36 s.
    std::string years = flacBytes.substr(0, 42);
    years[4] = static_cast<char>(years[4] | 0x80);  // the last metadata block
    years[8 + 10] = 0;
    years[8 + 11] = 0;
    years[8 + 12] = static_cast<char>(0x10 | (years[8 + 12] & 0x0F));
    years[8 + 13] = static_cast<char>(years[8 + 13] | 0x0F);
    years.replace(8 + 14, 4, 4, '\xFF');
    std::string openLength = flacBytes;
    openLength[8 + 13] = static_cast<char>(openLength[8 + 13] & 0xF0);
    openLength.replace(8 + 14, 4, 4, '\0');

    // 8-bit mono PCM at 1 Hz whose data chunk the file really holds (sparse, all zeros).
    constexpr std::uint32_t kSparseBytes = 10'000'000;
    std::string slow = "RIFF";
    appendLittleEndian(slow, 36 + kSparseBytes, 4);
    slow += "WAVEfmt ";
    for (const auto& [value, size] : std::initializer_list<std::pair<std::uint32_t, int>>{
             {16, 4}, {1, 2}, {1, 2}, {1, 4}, {1, 4}, {1, 2}, {8, 2}}) {
        appendLittleEndian(slow, value, size);
    }
    slow += "data";
    appendLittleEndian(slow, kSparseBytes, 4);

    const std::string mp3 = file("a.mp3");
    writeAudioFile(mp3, AudioKind::Mp3, 22'050, sweep(22'050, 22'050));
    std::string chained;
    for (int i = 0; i < 10'000; ++i) {
        chained += id3v2Tag(0);
    }
    chained += readBytes(mp3);

    struct Case {
        const char* name;
        std::string bytes;
        off_t sparseSize;  // 0: as written
        std::chrono::milliseconds decodeLimit;
        const char* problem;
        std::int64_t ms = 0;  // a length that is real however long stays (the report flags it)
    };
    const std::chrono::milliseconds usual = MeasureSettings{}.decodeLimit;
    const std::chrono::milliseconds none{0};
    const Case cases[] = {
        {"lata.flac", years, 0, usual, "długość z nagłówka niemożliwa dla rozmiaru pliku"},
        {"rzadki.wav", slow, 44 + kSparseBytes, usual, "", std::int64_t{kSparseBytes} * 1000},
        {"tagi.mp3", chained, 0, usual, "zbyt wiele znaczników ID3"},
        {"bez_dlugosci.flac", openLength, 0, none, "dekodowanie przerwane po 0 s"},
        {"ramki.mp3", readBytes(mp3), 0, none, "dekodowanie przerwane po 0 s"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(file(c.name), c.bytes);
        if (c.sparseSize > 0) {
            ASSERT_EQ(::truncate(file(c.name).c_str(), c.sparseSize), 0);
        }
        MeasureSettings settings;
        settings.decodeLimit = c.decodeLimit;
        const SpotMeasure measure = measureSpotWith(file(c.name), settings);
        EXPECT_EQ(measure.ms, c.ms);
        EXPECT_EQ(spotIssueText(measure.issue), c.problem);
    }
}

TEST_F(AudioLengthTest, ALoadMeasuresEachFileOnceHoweverItsPathIsSpelled) {
    writeAudioFile(file("a.mp3"), AudioKind::Mp3, 22'050, sweep(22'050, 22'050 * 2));
    writeAudioFile(file("b.wav"), AudioKind::Wav, 8'000, sweep(8'000, 8'000));
    ASSERT_EQ(::mkdir(file("x").c_str(), 0755), 0);
    ASSERT_EQ(::link(file("a.mp3").c_str(), file("twardy.mp3").c_str()), 0);
    ASSERT_EQ(::symlink(file("a.mp3").c_str(), file("dowiazanie.mp3").c_str()), 0);
    const std::pair<std::string, std::int64_t> lines[] = {
        {folder + "/a.mp3", 2'000},          {folder + "/./a.mp3", 2'000},
        {folder + "/././a.mp3", 2'000},      {folder + "//a.mp3", 2'000},
        {folder + "/x/../a.mp3", 2'000},     {folder + "/twardy.mp3", 2'000},
        {folder + "/dowiazanie.mp3", 2'000}, {folder + "/b.wav", 1'000},
        {folder + "/x/.././b.wav", 1'000},   {folder + "/brak.mp3", 0},
    };
    std::atomic<int> decoded = 0;
    MeasureSettings settings;
    settings.filesDecoded = &decoded;
    const SpotMeasurer measure = newLoadMeasurer(settings);
    for (const auto& [path, ms] : lines) {
        EXPECT_EQ(measure(path).ms, ms) << path;
    }
    EXPECT_EQ(decoded, 2);
    // The next load measures afresh: the files may have changed in between.
    EXPECT_EQ(newLoadMeasurer(settings)(folder + "/./a.mp3").ms, 2'000);
    EXPECT_EQ(decoded, 3);
}

TEST_F(AudioLengthTest, DecodersStaySilentOnBrokenFrames) {
    const std::string broken = file("uszkodzony.mp3");
    writeBytes(broken, "\xFF\xFB\x90\xC4" + std::string(5'000, '\0') + "\xFF\xFB\x90");
    ::testing::internal::CaptureStderr();
    PobierzCzasSpotu(broken);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST_F(AudioLengthTest, GivesZeroForWhatIsNoAudioFile) {
    const std::string empty = file("pusty.mp3");
    writeBytes(empty, "");
    const std::string text = file("tekst.mp3");
    writeBytes(text, std::string(20'000, 'x') +
                         "\r\nTo nie jest plik d\x9Fwi\xEA"
                         "kowy.\r\n");
    const std::string garbage = file("smieci.wav");
    writeBytes(garbage, "RIFF\x10\0\0\0WAVEfmt " + std::string(200, '\x7F'));
    ASSERT_EQ(::mkdir(file("katalog.mp3").c_str(), 0755), 0);
    const std::string paths[] = {
        file("brak.mp3"),
        empty,
        text,
        garbage,
        file("katalog.mp3"),
        "/dev/null",
        "/dev/zero",
        "",
        std::string("/etc/passwd\0.mp3", 16),
        "C:\\spoty\\pizzeria.mp3",
    };
    for (const auto& path : paths) {
        EXPECT_EQ(PobierzCzasSpotu(path), 0) << path;
        EXPECT_TRUE(measureSpot(path).issue.any()) << path;
    }
}

TEST_F(AudioLengthTest, AFifoGivesZeroAtOnce) {
    const std::string fifo = file("kolejka.mp3");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    auto length = std::async(std::launch::async, [&] { return PobierzCzasSpotu(fifo); });
    if (length.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Release the blocked reader by opening the writing end, so the test can end.
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        length.wait();
        ::close(writer);
        FAIL() << "opening a FIFO blocked";
    }
    EXPECT_EQ(length.get(), 0);
}

TEST_F(AudioLengthTest, OpensAPathGivenInWindows1250) {
    // "Łódź żółć.flac" on disk in UTF-8; the path line holds Windows-1250 bytes.
    writeAudioFile(file("\xC5\x81\xC3\xB3"
                        "d\xC5\xBA \xC5\xBC\xC3\xB3\xC5\x82\xC4\x87.flac"),
                   AudioKind::Flac, 44'100, sweep(44'100, 44'100 * 2));
    EXPECT_EQ(PobierzCzasSpotu(folder + "/\xA3\xF3"
                                        "d\x9F \xBF\xF3\xB3\xE6.flac"),
              2'000);
    // The same bytes read as UTF-8 name nothing.
    EXPECT_EQ(PobierzCzasSpotu(file("\xC5\x81\xC3\xB3"
                                    "d\xC5\xBA \xC5\xBC\xC3\xB3\xC5\x82\xC4\x87.flac")),
              0);
}

TEST_F(AudioLengthTest, MeasuresFromSeveralThreadsAtOnce) {
    const std::string path = file("watki.mp3");
    writeAudioFile(path, AudioKind::Mp3, 22'050, sweep(22'050, 22'050 * 4));
    std::vector<std::future<std::int64_t>> lengths;
    for (int i = 0; i < 4; ++i) {
        lengths.push_back(std::async(std::launch::async, [&] { return PobierzCzasSpotu(path); }));
    }
    for (auto& length : lengths) {
        EXPECT_EQ(length.get(), 4'000);
    }
}

TEST(DecoderInfo, NamesBothDecodersAndReadsMpeg) {
    const DecoderInfo info = decoderInfo();
    EXPECT_TRUE(info.readsMpegAudio);
    EXPECT_NE(info.description.find("libsndfile"), std::string::npos) << info.description;
    EXPECT_NE(info.description.find("libmpg123 1."), std::string::npos) << info.description;
}

}  // namespace
}  // namespace kalmero
