#pragma once

#include <sys/types.h>

#include "platform/audio_reading.h"
#include "platform/spot_decoding.h"

namespace kalmero::audio {

// Decodes the FLAC in Ogg of the file open at `fd` (libsndfile can't open it) with libFLAC,
// every frame whose CRC holds, into `sink` when set (else it only counts), within `budget`.
// The frame count and rate, or why not: CantDecode when the sink stopped it or no audio
// came, DecodeTimeout, FormatChanges. `stopped` tells whether the sink stopped it.
Reading decodeOggFlac(int fd, const DecodeBudget& budget, SampleSink* sink, bool& stopped);

}  // namespace kalmero::audio
