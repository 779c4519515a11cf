#pragma once

#include <sys/stat.h>

#include <string>

#include "platform/corrected_copy.h"
#include "platform/file_io.h"

namespace kalmero {

// The encoders behind writeCorrectedCopy: each reads the original from `fd` (opened for
// reading only, `info` its status), lowers every sample by `factor` (an amplitude, at most 1)
// and appends the copy to `out`; a failure is given back, not thrown, except the writer's own.

// WAV, RF64 and BW64 of integer or float PCM; Unsupported for any other codec in them.
CopyWritten copyWave(int fd, const struct stat& info, double factor, AtomicFileWriter& out);
// MPEG audio layer III through LAME, layer II through TwoLAME.
CopyWritten copyMpeg(int fd, const struct stat& info, double factor, AtomicFileWriter& out);
// Whatever libsndfile reads and writes: FLAC, Ogg Vorbis and Opus, AIFF.
CopyWritten copyThroughSndfile(int fd, const struct stat& info, double factor,
                               AtomicFileWriter& out);

// Frames decoded and encoded at once.
inline constexpr std::size_t kCopyChunkFrames = 8'192;

}  // namespace kalmero
