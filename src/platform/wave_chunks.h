#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>

#include "platform/audio_reading.h"

// RIFF, RF64 and WAVE_FORMAT_EXTENSIBLE files: their chunks, and a file cut short against
// its data chunk's size.
namespace kalmero::audio {

// What a RIFF/RF64 WAVE file holds: its data chunk, and the coding its format chunk names.
struct WaveChunks {
    ByteRange data;
    unsigned formatTag;  // 0 when no format chunk comes before the data
    // Where the data chunk's size says it ends; 0 when the size is left open (RF64, a file
    // written to a pipe).
    off_t declaredEnd = 0;
    std::uint32_t bytesPerSecond = 0;  // from the format chunk; 0 when there is none
};

// MPEG-1 Layer I/II (0x50) and Layer III (0x55) in a WAV file.
bool isMpegFormatTag(unsigned tag);

// The chunks of a RIFF/RF64 WAVE file, or nullopt for other files.
std::optional<WaveChunks> waveChunks(int fd, off_t fileSize);

// A WAV file whose data chunk's declared end lies past the file's.
CutCheck waveCut(const WaveChunks& wave, off_t fileSize);

}  // namespace kalmero::audio
