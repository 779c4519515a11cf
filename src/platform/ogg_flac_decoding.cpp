#include "platform/ogg_flac_decoding.h"

#include <FLAC/stream_decoder.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <memory>
#include <vector>

namespace kalmero::audio {

namespace {

struct DecoderDeleter {
    void operator()(FLAC__StreamDecoder* decoder) const { ::FLAC__stream_decoder_delete(decoder); }
};

// What libFLAC's callbacks share: the file, the sink and the count so far.
struct OggFlacRun {
    OggFlacRun(int file, const DecodeBudget& spend, SampleSink* into)
        : fd(file), budget(spend), sink(into) {}

    int fd;
    off_t at = 0;
    const DecodeBudget& budget;
    SampleSink* sink;
    std::int64_t frames = 0;
    long rate = 0;
    unsigned channels = 0;
    bool stopped = false;
    bool formatChanged = false;
    std::vector<float> buffer;
};

FLAC__StreamDecoderReadStatus readFile(const FLAC__StreamDecoder* /*decoder*/, FLAC__byte out[],
                                       size_t* bytes, void* data) {
    auto& run = *static_cast<OggFlacRun*>(data);
    if (run.budget.spent()) {
        return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
    }
    ssize_t got = 0;
    do {
        got = ::pread(run.fd, out, *bytes, run.at);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
    }
    *bytes = static_cast<size_t>(got);
    run.at += got;
    return got == 0 ? FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM
                    : FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
}

FLAC__StreamDecoderWriteStatus takeFrame(const FLAC__StreamDecoder* /*decoder*/,
                                         const FLAC__Frame* frame,
                                         const FLAC__int32* const channels[], void* data) {
    auto& run = *static_cast<OggFlacRun*>(data);
    const FLAC__FrameHeader& header = frame->header;
    if (run.channels == 0) {
        run.channels = header.channels;
        run.rate = static_cast<long>(header.sample_rate);
        if (run.sink != nullptr && !run.sink->start(static_cast<int>(run.channels), run.rate)) {
            run.stopped = true;
            return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
        }
    } else if (header.channels != run.channels ||
               static_cast<long>(header.sample_rate) != run.rate) {
        run.formatChanged = true;
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }
    run.frames += header.blocksize;
    if (run.sink == nullptr) {
        return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    }
    const float scale = std::ldexp(1.0F, -static_cast<int>(header.bits_per_sample - 1));
    run.buffer.resize(std::size_t{header.blocksize} * run.channels);
    for (unsigned i = 0; i < header.blocksize; ++i) {
        for (unsigned c = 0; c < run.channels; ++c) {
            run.buffer[std::size_t{i} * run.channels + c] =
                static_cast<float>(channels[c][i]) * scale;
        }
    }
    if (!run.sink->take(run.buffer.data(), header.blocksize)) {
        run.stopped = true;
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

// A frame whose CRC fails, junk between frames: libFLAC skips them and decodes on.
void noteError(const FLAC__StreamDecoder* /*decoder*/, FLAC__StreamDecoderErrorStatus /*status*/,
               void* /*data*/) {}

}  // namespace

Reading decodeOggFlac(int fd, const DecodeBudget& budget, SampleSink* sink, bool& stopped) {
    const std::unique_ptr<FLAC__StreamDecoder, DecoderDeleter> decoder(
        ::FLAC__stream_decoder_new());
    if (!decoder || FLAC_API_SUPPORTS_OGG_FLAC == 0) {
        return failed(SpotProblem::CantDecode);
    }
    ::FLAC__stream_decoder_set_md5_checking(decoder.get(), false);
    OggFlacRun run(fd, budget, sink);
    if (::FLAC__stream_decoder_init_ogg_stream(decoder.get(), readFile, nullptr, nullptr, nullptr,
                                               nullptr, takeFrame, nullptr, noteError,
                                               &run) != FLAC__STREAM_DECODER_INIT_STATUS_OK) {
        return failed(SpotProblem::CantDecode);
    }
    ::FLAC__stream_decoder_process_until_end_of_stream(decoder.get());
    ::FLAC__stream_decoder_finish(decoder.get());
    stopped = run.stopped;
    if (budget.spent()) {
        return failed(budget.spentIssue());
    }
    if (run.formatChanged) {
        return failed(SpotProblem::FormatChanges);
    }
    if (run.stopped || run.frames == 0) {
        return failed(SpotProblem::CantDecode);
    }
    return Reading{run.frames, run.rate, run.frames, {}};
}

}  // namespace kalmero::audio
