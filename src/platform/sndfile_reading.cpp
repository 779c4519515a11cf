#include "platform/sndfile_reading.h"

#include <fcntl.h>
#include <unistd.h>

#include <vector>

namespace kalmero::audio {

namespace {

// Bits a sample takes in libsndfile's uncompressed codings, 0 for the others. FLAC names
// its sample size as a PCM subformat.
int pcmBitsPerSample(int format) {
    if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC) {
        return 0;
    }
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
        case SF_FORMAT_ULAW:
        case SF_FORMAT_ALAW:
        case SF_FORMAT_DPCM_8:
            return 8;
        case SF_FORMAT_PCM_16:
        case SF_FORMAT_DPCM_16:
            return 16;
        case SF_FORMAT_PCM_24:
            return 24;
        case SF_FORMAT_PCM_32:
        case SF_FORMAT_FLOAT:
            return 32;
        case SF_FORMAT_DOUBLE:
            return 64;
        default:
            return 0;
    }
}

// The most frames `fileSize` bytes can hold in the file's coding: every sample stored for
// PCM, kMostFramesPerCompressedByte for everything else.
std::int64_t mostFrames(const SF_INFO& info, off_t fileSize) {
    const std::int64_t bitsPerFrame = std::int64_t{pcmBitsPerSample(info.format)} * info.channels;
    if (bitsPerFrame <= 0) {
        return mostCompressedFrames(fileSize);
    }
    return saturatingProduct(fileSize, 8) / bitsPerFrame;
}

// Frames decoded to the end, for files whose header leaves the length open (FLAC written
// to a pipe, a cut Opus file), or nullopt once the budget is spent: a long file, or a
// decoder going round in circles on a broken one, can't hold up the load.
std::optional<std::int64_t> countFramesByDecoding(SNDFILE* file, const SF_INFO& info,
                                                  const DecodeBudget& budget) {
    constexpr sf_count_t kChunk = 4'096;
    std::vector<float> buffer(static_cast<std::size_t>(kChunk * info.channels));
    std::int64_t frames = 0;
    while (!budget.spent()) {
        const sf_count_t got = ::sf_readf_float(file, buffer.data(), kChunk);
        if (got <= 0) {
            return frames;
        }
        frames += got;
    }
    return std::nullopt;
}

}  // namespace

bool isMpegAudio(int format) {
    const int sub = format & SF_FORMAT_SUBMASK;
    return (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG || sub == SF_FORMAT_MPEG_LAYER_I ||
           sub == SF_FORMAT_MPEG_LAYER_II || sub == SF_FORMAT_MPEG_LAYER_III;
}

SndfileHandle openSndfile(int fd, SF_INFO& info) {
    // sf_open_fd closes the descriptor it is given even when it fails.
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) {
        return nullptr;
    }
    // A copy shares the offset, which libsndfile takes for the audio's start and an
    // earlier reading of the same file left elsewhere.
    if (::lseek(copy, 0, SEEK_SET) != 0) {
        ::close(copy);
        return nullptr;
    }
    return SndfileHandle(::sf_open_fd(copy, SFM_READ, &info, SF_TRUE));
}

std::optional<Reading> lengthBySndfile(int fd, off_t fileSize, const DecodeBudget& budget) {
    SF_INFO info{};
    const SndfileHandle file = openSndfile(fd, info);
    if (!file || isMpegAudio(info.format)) {
        return std::nullopt;
    }
    // SF_COUNT_MAX stands for "length unknown".
    const auto frames = info.frames != SF_COUNT_MAX
                            ? std::optional<std::int64_t>(info.frames)
                            : countFramesByDecoding(file.get(), info, budget);
    return frames ? Reading{*frames, info.samplerate, mostFrames(info, fileSize), {}}
                  : failed(budget.cutReason());
}

}  // namespace kalmero::audio
