#include "platform/spot_decoding.h"

#include <mpg123.h>
#include <sndfile.h>

#include <optional>
#include <utility>
#include <vector>

#include "platform/mpg123_reading.h"
#include "platform/ogg_pages.h"
#include "platform/sndfile_reading.h"
#include "platform/spot_file.h"
#include "platform/spot_reading.h"

namespace kalmero {

namespace {

using namespace audio;

constexpr const char* kCantDecode = "nie można zdekodować pliku";
constexpr const char* kFormatChanges = "format dźwięku zmienia się w pliku";
// Frames handed to a sink at once.
constexpr std::size_t kDecodeChunk = 4'096;

// Every sample of the audio, into a sink.
class DecodeReaders {
public:
    DecodeReaders(SampleSink& sink, const DecodeBudget& budget) : m_sink(sink), m_budget(budget) {}

    Reading mpeg(int fd, ByteRange range) {
        Mpg123Handle handle;
        mpg123_handle* mh = handle.get();
        if (mh == nullptr) {
            return failed(kUnreadable);
        }
        // Floats at whatever rate and channels the stream has.
        ::mpg123_format_none(mh);
        const long* rates = nullptr;
        std::size_t rateCount = 0;
        ::mpg123_rates(&rates, &rateCount);
        for (std::size_t i = 0; i < rateCount; ++i) {
            ::mpg123_format(mh, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
        }
        BufferedView view(fd, range, m_budget);
        long rate = 0;
        int channels = 0;
        int encoding = 0;
        if (!openView(mh, view) ||
            ::mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK) {
            return failed(view.budgetSpent() ? m_budget.cutReason() : kUnreadable);
        }
        if (encoding != MPG123_ENC_FLOAT_32 || channels <= 0 || !start(channels, rate)) {
            return failed(kCantDecode);
        }
        std::vector<float> buffer(kDecodeChunk * static_cast<std::size_t>(channels));
        const std::size_t frameBytes = sizeof(float) * static_cast<std::size_t>(channels);
        std::int64_t frames = 0;
        for (;;) {
            std::size_t done = 0;
            const int result =
                ::mpg123_read(mh, buffer.data(), buffer.size() * sizeof(float), &done);
            const std::size_t got = done / frameBytes;
            frames += static_cast<std::int64_t>(got);
            if (got > 0 && !take(buffer.data(), got)) {
                return failed(kCantDecode);
            }
            if (result == MPG123_DONE) {
                break;
            }
            if (result == MPG123_NEW_FORMAT) {
                long newRate = 0;
                int newChannels = 0;
                ::mpg123_getformat(mh, &newRate, &newChannels, &encoding);
                if (newRate != rate || newChannels != channels) {
                    return failed(kFormatChanges);
                }
            } else if (result != MPG123_OK) {
                return failed(view.budgetSpent() ? m_budget.cutReason() : kUnreadable);
            }
        }
        if (frames == 0) {
            return failed(kNoAudio);
        }
        return Reading{frames, rate, frames, {}};
    }

    std::optional<Reading> sndfile(int fd, off_t /*fileSize*/) {
        SF_INFO info{};
        const SndfileHandle file = openSndfile(fd, info);
        if (!file || isMpegAudio(info.format)) {
            return std::nullopt;
        }
        if (info.channels <= 0 || !start(info.channels, info.samplerate)) {
            return failed(kCantDecode);
        }
        std::vector<float> buffer(kDecodeChunk * static_cast<std::size_t>(info.channels));
        std::int64_t frames = 0;
        for (;;) {
            if (m_budget.spent()) {
                return failed(m_budget.cutReason());
            }
            const sf_count_t got = ::sf_readf_float(file.get(), buffer.data(), kDecodeChunk);
            if (got <= 0) {
                break;
            }
            frames += got;
            if (!take(buffer.data(), static_cast<std::size_t>(got))) {
                return failed(kCantDecode);
            }
        }
        // A file cut short ends in an error after what it holds: the length tells the rest.
        if (frames == 0 && ::sf_error(file.get()) != SF_ERR_NO_ERROR) {
            return failed(kCantDecode);
        }
        return Reading{frames, info.samplerate, frames, {}};
    }

    // libsndfile can't open FLAC in Ogg, and nothing else here decodes it.
    static std::optional<Reading> oggFlac(int fd, off_t fileSize) {
        return lengthOfOggFlac(fd, fileSize) ? std::optional(failed(kCantDecode)) : std::nullopt;
    }

    // Whether the sink stopped the decoding.
    bool stopped() const { return m_stopped; }

private:
    bool start(int channels, long rate) {
        m_stopped = !m_sink.start(channels, rate);
        return !m_stopped;
    }
    bool take(const float* frames, std::size_t count) {
        m_stopped = !m_sink.take(frames, count);
        return !m_stopped;
    }

    SampleSink& m_sink;
    const DecodeBudget& m_budget;
    bool m_stopped = false;
};

}  // namespace

DecodedSpot decodeSpot(std::string_view pathCp1250, SampleSink& sink,
                       const MeasureSettings& headerSettings,
                       std::chrono::milliseconds decodeLimit) {
    DecodedSpot decoded;
    const OpenSpot spot(pathCp1250);
    if (spot.problem() != nullptr) {
        decoded.header = SpotMeasure{0, spot.problem()};
        decoded.problem = spot.problem();
        return decoded;
    }
    decoded.file = spot.info();
    decoded.header = measureOpenFile(spot.fd(), spot.info().st_size, headerSettings);
    const DecodeBudget budget(decodeLimit);
    DecodeReaders readers(sink, budget);
    Reading reading = readWith(spot.fd(), spot.info().st_size, readers);
    decoded.frames = reading.frames;
    decoded.rate = static_cast<long>(reading.rate);
    decoded.problem = std::move(reading.problem);
    decoded.cut = readers.stopped() || budget.spent() ||
                  decoded.header.problem == DecodeBudget(headerSettings.decodeLimit).cutReason();
    return decoded;
}

}  // namespace kalmero
