#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/spot_measure.h"

namespace kalmero {

// Playing length in ms of the audio file named by a path in Windows-1250 bytes (as an LST
// path line holds it), rounded to the nearest ms with ties to even. 0 when the path doesn't
// name a non-empty regular file or no decoder can tell its length. Never blocks: FIFOs and
// devices are refused before any decoder sees them. Thread-safe.
std::int64_t PobierzCzasSpotu(std::string_view pathCp1250);

// A measurer for one advert-list load.
SpotMeasurer newLoadMeasurer();

// The decoders behind PobierzCzasSpotu, for the window's start-up check.
struct DecoderInfo {
    std::string description;  // e.g. "libsndfile-1.2.0, libmpg123 1.31.2"
    bool readsMpegAudio;      // whether MP1/MP2/MP3 spots can be measured
};

// Describes the decoders linked in; initialises the MPEG decoder if needed.
DecoderInfo decoderInfo();

// frames * 1000 / rate rounded to nearest, ties to even, exact for any frame count
// (no floating point). 0 when rate <= 0 or frames < 0.
std::int64_t framesToMs(std::int64_t frames, std::int64_t rate);

}  // namespace kalmero
