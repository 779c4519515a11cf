#pragma once

#include <sndfile.h>
#include <sys/types.h>

#include <memory>
#include <optional>

#include "platform/audio_reading.h"

// Lengths through libsndfile: WAV, FLAC, Ogg Vorbis and Opus, and the rest it reads.
namespace kalmero::audio {

// Whether libsndfile's format is MPEG audio, whose length it only estimates.
bool isMpegAudio(int format);

struct SndfileCloser {
    void operator()(SNDFILE* file) const { ::sf_close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

// libsndfile reading the file open at `fd`, which stays open; nullptr when it can't.
SndfileHandle openSndfile(int fd, SF_INFO& info);

// The length libsndfile reads from the file's header, or nullopt when it refuses the file
// or the audio is MPEG: for MPEG it only estimates from the first frame's bit rate and the
// file size, which is far off for VBR files without a Xing header or with large tags.
std::optional<Reading> lengthBySndfile(int fd, off_t fileSize, const DecodeBudget& budget);

}  // namespace kalmero::audio
