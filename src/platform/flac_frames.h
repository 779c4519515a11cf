#pragma once

#include <sys/types.h>

#include "platform/audio_reading.h"

// Native FLAC frames, their CRCs, and a file cut short against its STREAMINFO total.
namespace kalmero::audio {

// A native FLAC file's last frame against the total its STREAMINFO declares: found by
// searching back from the end, whole when its CRC-16 ends the file.
CutCheck flacCut(int fd, off_t audio, off_t fileSize);

}  // namespace kalmero::audio
