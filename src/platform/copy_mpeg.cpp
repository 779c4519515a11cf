#include <lame/lame.h>
#include <twolame.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/copy_codecs.h"
#include "platform/mpg123_reading.h"

namespace kalmero {

namespace {

constexpr std::size_t kId3v1Bytes = 128;
constexpr std::size_t kId3v2Header = 10;

std::string readRange(int fd, off_t from, std::size_t size) {
    std::string bytes(size, '\0');
    if (::pread(fd, bytes.data(), size, from) != static_cast<ssize_t>(size)) {
        return {};
    }
    return bytes;
}

// The ID3 tags before and after the audio, carried into the copy as they are: tags describe
// the spot, not its samples.
struct Id3Tags {
    std::string front;
    std::string back;
};

Id3Tags id3Tags(int fd, off_t fileSize) {
    Id3Tags tags;
    const std::string head = readRange(fd, 0, kId3v2Header);
    if (head.size() == kId3v2Header && head.compare(0, 3, "ID3") == 0) {
        const auto* h = reinterpret_cast<const unsigned char*>(head.data());
        const std::size_t body = std::size_t{h[6] & 0x7FU} << 21 | std::size_t{h[7] & 0x7FU} << 14 |
                                 std::size_t{h[8] & 0x7FU} << 7 | (h[9] & 0x7FU);
        const std::size_t footer = (h[5] & 0x10U) != 0 ? kId3v2Header : 0;
        const std::size_t whole = kId3v2Header + body + footer;
        if (static_cast<off_t>(whole) < fileSize) {
            tags.front = readRange(fd, 0, whole);
        }
    }
    if (fileSize > static_cast<off_t>(kId3v1Bytes + tags.front.size())) {
        std::string back = readRange(fd, fileSize - static_cast<off_t>(kId3v1Bytes), kId3v1Bytes);
        if (back.compare(0, 3, "TAG") == 0) {
            tags.back = std::move(back);
        }
    }
    return tags;
}

// The original's stream as the encoders need to know it.
struct MpegStream {
    long rate = 0;
    int channels = 0;
    mpg123_frameinfo info{};
    int averageKbps = 0;
};

// The VBR quality (0 best .. 9) whose typical average bitrate is nearest above `kbps`:
// LAME's own figures for stereo at 44.1 kHz, other streams scaled by their channels.
float vbrQuality(int kbps, int channels) {
    constexpr std::array<int, 10> kTypical = {245, 225, 190, 175, 165, 130, 115, 100, 85, 65};
    const int stereoKbps = kbps * 2 / std::max(1, channels);
    std::size_t quality = kTypical.size() - 1;
    while (quality > 0 && kTypical[quality] < stereoKbps) {
        --quality;
    }
    return static_cast<float>(quality);
}

// An encoder of lowered float frames (interleaved, -1..1) into MPEG audio bytes.
class MpegEncoder {
public:
    virtual ~MpegEncoder() = default;
    virtual bool encode(const float* frames, std::size_t count, std::string& out) = 0;
    virtual bool finish(std::string& out) = 0;
};

class LameEncoder : public MpegEncoder {
public:
    explicit LameEncoder(const MpegStream& stream)
        : m_lame(::lame_init(), &::lame_close), m_channels(stream.channels) {
        lame_global_flags* l = m_lame.get();
        if (l == nullptr) {
            return;
        }
        ::lame_set_num_channels(l, stream.channels);
        ::lame_set_in_samplerate(l, static_cast<int>(stream.rate));
        ::lame_set_out_samplerate(l, static_cast<int>(stream.rate));
        ::lame_set_mode(l, stream.channels == 1                  ? MONO
                           : stream.info.mode == MPG123_M_STEREO ? STEREO
                                                                 : JOINT_STEREO);
        if (stream.info.vbr == MPG123_CBR) {
            ::lame_set_VBR(l, vbr_off);
            ::lame_set_brate(l, stream.info.bitrate);
        } else if (stream.info.vbr == MPG123_ABR) {
            ::lame_set_VBR(l, vbr_abr);
            ::lame_set_VBR_mean_bitrate_kbps(l, stream.info.abr_rate);
        } else {
            ::lame_set_VBR(l, vbr_mtrh);
            ::lame_set_VBR_quality(l, vbrQuality(stream.averageKbps, stream.channels));
        }
        // The Info frame carries the encoder's delay and padding, so decoders play the copy
        // to the sample as long as the original.
        ::lame_set_bWriteVbrTag(l, 1);
        ::lame_set_write_id3tag_automatic(l, 0);
        m_ready = ::lame_init_params(l) >= 0;
    }
    bool ready() const { return m_ready; }

    bool encode(const float* frames, std::size_t count, std::string& out) override {
        ensureRoom(count);
        int written = 0;
        const int n = static_cast<int>(count);
        if (m_channels == 1) {
            written = ::lame_encode_buffer_ieee_float(m_lame.get(), frames, frames, n,
                                                      m_buffer.data(), bufferSize());
        } else {
            written = ::lame_encode_buffer_interleaved_ieee_float(m_lame.get(), frames, n,
                                                                  m_buffer.data(), bufferSize());
        }
        return take(written, out);
    }

    bool finish(std::string& out) override {
        ensureRoom(0);
        if (!take(::lame_encode_flush(m_lame.get(), m_buffer.data(), bufferSize()), out)) {
            return false;
        }
        const std::size_t tag =
            ::lame_get_lametag_frame(m_lame.get(), m_buffer.data(), m_buffer.size());
        if (tag > 0 && tag <= m_buffer.size() && tag <= out.size()) {
            out.replace(0, tag, reinterpret_cast<const char*>(m_buffer.data()), tag);
        }
        return true;
    }

private:
    // LAME's own bound on what a call may give: 1.25 × frames + 7200 bytes.
    void ensureRoom(std::size_t frames) { m_buffer.resize(frames + frames / 4 + 7200); }
    int bufferSize() const { return static_cast<int>(m_buffer.size()); }
    bool take(int written, std::string& out) const {
        if (written < 0) {
            return false;
        }
        out.append(reinterpret_cast<const char*>(m_buffer.data()),
                   static_cast<std::size_t>(written));
        return true;
    }

    std::unique_ptr<lame_global_flags, int (*)(lame_global_flags*)> m_lame;
    int m_channels;
    std::vector<unsigned char> m_buffer;
    bool m_ready = false;
};

class TwolameEncoder : public MpegEncoder {
public:
    explicit TwolameEncoder(const MpegStream& stream) : m_options(::twolame_init()) {
        if (m_options == nullptr) {
            return;
        }
        ::twolame_set_num_channels(m_options, stream.channels);
        ::twolame_set_in_samplerate(m_options, static_cast<int>(stream.rate));
        ::twolame_set_out_samplerate(m_options, static_cast<int>(stream.rate));
        ::twolame_set_mode(m_options, stream.channels == 1                  ? TWOLAME_MONO
                                      : stream.info.mode == MPG123_M_STEREO ? TWOLAME_STEREO
                                      : stream.info.mode == MPG123_M_DUAL   ? TWOLAME_DUAL_CHANNEL
                                                                            : TWOLAME_JOINT_STEREO);
        ::twolame_set_bitrate(
            m_options, stream.info.vbr == MPG123_CBR ? stream.info.bitrate : stream.averageKbps);
        ::twolame_set_verbosity(m_options, 0);
        m_ready = ::twolame_init_params(m_options) == 0;
    }
    ~TwolameEncoder() override { ::twolame_close(&m_options); }
    TwolameEncoder(const TwolameEncoder&) = delete;
    TwolameEncoder& operator=(const TwolameEncoder&) = delete;
    bool ready() const { return m_ready; }

    bool encode(const float* frames, std::size_t count, std::string& out) override {
        m_buffer.resize(count * 2 + 16'384);
        return take(::twolame_encode_buffer_float32_interleaved(
                        m_options, frames, static_cast<short>(count), m_buffer.data(),
                        static_cast<int>(m_buffer.size())),
                    out);
    }
    bool finish(std::string& out) override {
        m_buffer.resize(16'384);
        return take(
            ::twolame_encode_flush(m_options, m_buffer.data(), static_cast<int>(m_buffer.size())),
            out);
    }

private:
    bool take(int written, std::string& out) const {
        if (written < 0) {
            return false;
        }
        out.append(reinterpret_cast<const char*>(m_buffer.data()),
                   static_cast<std::size_t>(written));
        return true;
    }

    twolame_options* m_options;
    std::vector<unsigned char> m_buffer;
    bool m_ready = false;
};

// TwoLAME takes a frame count as a short.
constexpr std::size_t kMpegChunkFrames = 4'096;

bool openStream(mpg123_handle* mh, int fd, MpegStream& stream, off_t audioBytes) {
    ::mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_FORCE_FLOAT | MPG123_QUIET, 0);
    int encoding = 0;
    if (::mpg123_open_fd(mh, fd) != MPG123_OK ||
        ::mpg123_getformat(mh, &stream.rate, &stream.channels, &encoding) != MPG123_OK ||
        ::mpg123_info(mh, &stream.info) != MPG123_OK || ::mpg123_scan(mh) != MPG123_OK) {
        return false;
    }
    const off_t frames = ::mpg123_length(mh);
    if (frames <= 0 || stream.rate <= 0 || (stream.channels != 1 && stream.channels != 2)) {
        return false;
    }
    // The bitrate the copy keeps where the original's varies: its average over the audio.
    const double seconds = static_cast<double>(frames) / static_cast<double>(stream.rate);
    stream.averageKbps =
        static_cast<int>(std::lround(static_cast<double>(audioBytes) * 8 / seconds / 1000));
    // mpg123 scans from the start; decoding must begin there again.
    return ::mpg123_seek(mh, 0, SEEK_SET) == 0;
}

}  // namespace

CopyWritten copyMpeg(int fd, const struct stat& info, double factor, AtomicFileWriter& out) {
    const Id3Tags tags = id3Tags(fd, info.st_size);
    audio::Mpg123Handle handle;
    mpg123_handle* mh = handle.get();
    MpegStream stream;
    const auto audioBytes =
        static_cast<off_t>(info.st_size) - static_cast<off_t>(tags.front.size() + tags.back.size());
    if (mh == nullptr || !openStream(mh, fd, stream, audioBytes)) {
        return {CopyFailure::SourceUnreadable, "nie można zdekodować pliku MPEG"};
    }
    std::unique_ptr<MpegEncoder> encoder;
    if (stream.info.layer == 3) {
        auto lame = std::make_unique<LameEncoder>(stream);
        if (lame->ready()) {
            encoder = std::move(lame);
        }
    } else if (stream.info.layer == 2) {
        auto twolame = std::make_unique<TwolameEncoder>(stream);
        if (twolame->ready()) {
            encoder = std::move(twolame);
        }
    } else {
        return {CopyFailure::Unsupported, "MPEG warstwy 1 nie da się zakodować"};
    }
    if (!encoder) {
        return {CopyFailure::Encoding, "koder nie przyjmuje " + std::to_string(stream.rate) +
                                           " Hz, " + std::to_string(stream.info.bitrate) + " kb/s"};
    }
    std::string encoded;
    std::vector<float> frames(kMpegChunkFrames * static_cast<std::size_t>(stream.channels));
    for (;;) {
        std::size_t done = 0;
        const int result = ::mpg123_read(mh, frames.data(), frames.size() * sizeof(float), &done);
        const std::size_t count = done / sizeof(float);
        std::for_each(frames.begin(), frames.begin() + static_cast<std::ptrdiff_t>(count),
                      [factor](float& sample) { sample = static_cast<float>(sample * factor); });
        if (count > 0 &&
            !encoder->encode(frames.data(), count / static_cast<std::size_t>(stream.channels),
                             encoded)) {
            return {CopyFailure::Encoding, "błąd kodera MPEG"};
        }
        if (result == MPG123_DONE) {
            break;
        }
        if (result != MPG123_OK && result != MPG123_NEW_FORMAT) {
            return {CopyFailure::SourceUnreadable, "nie można zdekodować pliku MPEG do końca"};
        }
    }
    if (!encoder->finish(encoded)) {
        return {CopyFailure::Encoding, "błąd kodera MPEG"};
    }
    out.append(tags.front);
    out.append(encoded);
    out.append(tags.back);
    return {};
}

}  // namespace kalmero
