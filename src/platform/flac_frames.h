#pragma once

#include <sys/types.h>

#include "platform/audio_reading.h"

// Native FLAC frames, their CRCs, and a file cut short against its STREAMINFO total.
namespace kalmero::audio {

// A native FLAC file's frames against the total its STREAMINFO declares: cut when no frame
// follows the metadata, or the frames end short of the total or inside the last one. Data
// after a whole last frame is not a cut.
CutCheck flacCut(int fd, off_t audio, off_t fileSize);

}  // namespace kalmero::audio
