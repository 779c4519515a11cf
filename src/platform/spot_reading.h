#pragma once

#include <sys/types.h>

#include <utility>

#include "platform/audio_reading.h"
#include "platform/mpeg_frames.h"
#include "platform/wave_chunks.h"

namespace kalmero::audio {

// Reads a spot with the decoder its audio calls for, the same choice for every kind of
// reading: `readers` has mpeg(fd, range) for MPEG audio (after tags, behind junk, inside a
// WAV), and sndfile(fd, size) and oggFlac(fd, size) that give nullopt for audio they don't
// read.
template <class Readers>
Reading readWith(int fd, off_t fileSize, Readers& readers) {
    const ByteRange file{0, fileSize};
    const auto audio = skipId3v2Tags(fd, fileSize);
    if (!audio) {
        return failed(kTooManyTags);
    }
    if (startsWithMpegFrame(fd, *audio)) {
        return readers.mpeg(fd, file);
    }
    const auto wave = waveChunks(fd, fileSize);
    // libsndfile gives no length for MPEG anyway, and reads its way through a WAV's chunks
    // so slowly that a broadcast WAV's peak envelope costs seconds.
    const bool mpegWave = wave && isMpegFormatTag(wave->formatTag);
    if (!mpegWave) {
        if (auto reading = readers.sndfile(fd, fileSize)) {
            return std::move(*reading);
        }
    }
    if (auto reading = readers.oggFlac(fd, fileSize)) {
        return std::move(*reading);
    }
    const ByteRange search = wave ? wave->data : ByteRange{*audio, file.end};
    const auto run = findMpegFrameRun(fd, search);
    return run ? readers.mpeg(fd, *run) : failed(kUnreadable);
}

// The header's length of the file open at `fd`, judged, with a cut named: measureSpot's
// answer for an opened file.
SpotMeasure measureOpenFile(int fd, off_t fileSize, const MeasureSettings& settings);

}  // namespace kalmero::audio
