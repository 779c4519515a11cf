#include "support/audio_writer.h"

#include <sndfile.h>

#include <cerrno>

#include "model/file_error.h"
#include "platform/file_io.h"

namespace kalmero {

namespace {

// The system's reason when it gave one; the audio library's own texts are English.
std::string audioReason() {
    return errno != 0 ? systemReason(errno) : "biblioteka dźwięku odmówiła zapisu";
}

int sndfileFormat(AudioKind kind) {
    switch (kind) {
        case AudioKind::Wav:
            return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        case AudioKind::Aiff:
            return SF_FORMAT_AIFF | SF_FORMAT_PCM_16;
        case AudioKind::Flac:
            return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
        case AudioKind::OggVorbis:
            return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
        case AudioKind::OggOpus:
            return SF_FORMAT_OGG | SF_FORMAT_OPUS;
        case AudioKind::Rf64:
            return SF_FORMAT_RF64 | SF_FORMAT_PCM_16;
        case AudioKind::WaveExtensible:
            return SF_FORMAT_WAVEX | SF_FORMAT_PCM_16;
        case AudioKind::Mp3:
        case AudioKind::Mp3Cbr:
            return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    }
    return 0;
}

}  // namespace

void writeAudioFile(const std::string& path, AudioKind kind, int sampleRate,
                    const std::vector<float>& samples, double quality) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 1;
    info.format = sndfileFormat(kind);
    errno = 0;
    SNDFILE* file = ::sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        throw FileError("Nie można utworzyć pliku \"" + path + "\": " + audioReason());
    }
    if (kind == AudioKind::OggVorbis || kind == AudioKind::OggOpus || kind == AudioKind::Mp3 ||
        kind == AudioKind::Flac) {
        double level = 1.0 - quality;
        ::sf_command(file, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
    }
    if (kind == AudioKind::Mp3Cbr) {
        int mode = SF_BITRATE_MODE_CONSTANT;
        ::sf_command(file, SFC_SET_BITRATE_MODE, &mode, sizeof mode);
    }
    const auto frames = static_cast<sf_count_t>(samples.size());
    const bool written = ::sf_writef_float(file, samples.data(), frames) == frames;
    const std::string error = written ? std::string() : audioReason();
    if (::sf_close(file) != 0 || !written) {
        throw FileError("Nie można zapisać pliku \"" + path +
                        "\": " + (error.empty() ? audioReason() : error));
    }
}

}  // namespace kalmero
