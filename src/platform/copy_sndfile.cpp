#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/copy_codecs.h"

namespace kalmero {

namespace {

// The copy in memory, as libsndfile writes it (FLAC goes back to its header at the end).
struct MemoryFile {
    std::string bytes;
    sf_count_t at = 0;
};

sf_count_t memoryLength(void* file) {
    return static_cast<sf_count_t>(static_cast<MemoryFile*>(file)->bytes.size());
}
sf_count_t memorySeek(sf_count_t offset, int whence, void* file) {
    auto* memory = static_cast<MemoryFile*>(file);
    const sf_count_t base = whence == SEEK_CUR   ? memory->at
                            : whence == SEEK_END ? memoryLength(file)
                                                 : 0;
    memory->at = std::max<sf_count_t>(0, base + offset);
    return memory->at;
}
sf_count_t memoryRead(void* into, sf_count_t count, void* file) {
    auto* memory = static_cast<MemoryFile*>(file);
    const sf_count_t left = std::max<sf_count_t>(0, memoryLength(file) - memory->at);
    const sf_count_t size = std::min(count, left);
    std::memcpy(into, memory->bytes.data() + memory->at, static_cast<std::size_t>(size));
    memory->at += size;
    return size;
}
sf_count_t memoryWrite(const void* from, sf_count_t count, void* file) {
    auto* memory = static_cast<MemoryFile*>(file);
    const auto end = static_cast<std::size_t>(memory->at + count);
    if (end > memory->bytes.size()) {
        memory->bytes.resize(end);
    }
    std::memcpy(memory->bytes.data() + memory->at, from, static_cast<std::size_t>(count));
    memory->at += count;
    return count;
}
sf_count_t memoryTell(void* file) { return static_cast<MemoryFile*>(file)->at; }

using SoundFile = std::unique_ptr<SNDFILE, int (*)(SNDFILE*)>;

bool isInteger(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
        case SF_FORMAT_PCM_16:
        case SF_FORMAT_PCM_24:
        case SF_FORMAT_PCM_32:
            return true;
        default:
            return false;
    }
}

// Vorbis quality (0..1) for an average bitrate: the encoder's nominal rates for a stereo
// 44.1 kHz stream at each tenth of quality; other streams scaled by their channels.
double vorbisQuality(double kbps, int channels) {
    constexpr std::array<double, 11> kNominal = {64,  80,  96,  112, 128, 160,
                                                 192, 224, 256, 320, 500};
    const double stereoKbps = kbps * 2 / std::max(1, channels);
    const auto above = std::lower_bound(kNominal.begin(), kNominal.end(), stereoKbps);
    return static_cast<double>(std::min<std::ptrdiff_t>(above - kNominal.begin(), 10)) / 10;
}

// libsndfile's Opus compression level (0..1) for an average bitrate: it spans the encoder's
// bitrates from 256 kb/s down to 6 kb/s per channel in a straight line.
double opusLevel(double kbps, int channels) {
    constexpr double kMostPerChannel = 256;
    constexpr double kLeastPerChannel = 6;
    const double most = kMostPerChannel * channels;
    return std::clamp((most - kbps) / (most - kLeastPerChannel * channels), 0.0, 1.0);
}

}  // namespace

CopyWritten copyThroughSndfile(int fd, const struct stat& info, double factor,
                               AtomicFileWriter& out) {
    SF_INFO format{};
    const SoundFile source(::sf_open_fd(fd, SFM_READ, &format, SF_FALSE), &::sf_close);
    if (!source) {
        return {CopyFailure::Unsupported, ::sf_strerror(nullptr)};
    }
    const bool integer = isInteger(format.format);
    MemoryFile memory;
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    SF_INFO copyFormat{};
    copyFormat.samplerate = format.samplerate;
    copyFormat.channels = format.channels;
    copyFormat.format = format.format;
    SoundFile copy(::sf_open_virtual(&io, SFM_WRITE, &copyFormat, &memory), &::sf_close);
    if (!copy) {
        return {CopyFailure::Encoding, ::sf_strerror(nullptr)};
    }
    for (int string = SF_STR_FIRST; string <= SF_STR_LAST; ++string) {
        if (const char* text = ::sf_get_string(source.get(), string)) {
            ::sf_set_string(copy.get(), string, text);
        }
    }
    const int codec = format.format & SF_FORMAT_SUBMASK;
    if ((codec == SF_FORMAT_VORBIS || codec == SF_FORMAT_OPUS) && format.frames > 0) {
        const double seconds = static_cast<double>(format.frames) / format.samplerate;
        const double kbps = static_cast<double>(info.st_size) * 8 / seconds / 1000;
        if (codec == SF_FORMAT_VORBIS) {
            double quality = vorbisQuality(kbps, format.channels);
            ::sf_command(copy.get(), SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
        } else {
            double level = opusLevel(kbps, format.channels);
            ::sf_command(copy.get(), SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
        }
    }
    if (integer) {
        // Samples as the integers stored, so that each is the original × factor rounded.
        ::sf_command(source.get(), SFC_SET_NORM_DOUBLE, nullptr, SF_FALSE);
        ::sf_command(copy.get(), SFC_SET_NORM_DOUBLE, nullptr, SF_FALSE);
    }
    std::vector<double> frames(kCopyChunkFrames * static_cast<std::size_t>(format.channels));
    for (;;) {
        const sf_count_t read = ::sf_readf_double(source.get(), frames.data(), kCopyChunkFrames);
        if (read <= 0) {
            break;
        }
        const auto count =
            static_cast<std::size_t>(read) * static_cast<std::size_t>(format.channels);
        for (std::size_t i = 0; i < count; ++i) {
            frames[i] = integer ? std::nearbyint(frames[i] * factor) : frames[i] * factor;
        }
        if (::sf_writef_double(copy.get(), frames.data(), read) != read) {
            return {CopyFailure::Encoding, ::sf_strerror(copy.get())};
        }
    }
    if (::sf_error(source.get()) != SF_ERR_NO_ERROR) {
        return {CopyFailure::SourceUnreadable, ::sf_strerror(source.get())};
    }
    copy.reset();
    out.append(memory.bytes);
    return {};
}

}  // namespace kalmero
