#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "model/spot_measure.h"

namespace kalmero {

// Playing length in ms of the audio file named by a path in Windows-1250 bytes (as an LST
// path line holds it), rounded to the nearest ms with ties to even. 0 when the path doesn't
// name a non-empty regular file, no decoder can tell its length, or the length can't be
// trusted (see measureSpot). Never blocks: FIFOs and devices are refused before any decoder
// sees them. Thread-safe.
std::int64_t PobierzCzasSpotu(std::string_view pathCp1250);

// Bounds on the work one spot may cost, so that a hostile file can't hold up a list's load.
struct MeasureSettings {
    // Wall time for reading a spot to its end, when its header leaves the length open or
    // the audio is MPEG (whose frames are counted); past it the spot is unreadable.
    std::chrono::milliseconds decodeLimit{3'000};
    // When set, counts the files actually decoded (not answered from a load's cache).
    std::atomic<int>* filesDecoded = nullptr;
};

// PobierzCzasSpotu's length with the reason (Polish, UTF-8) when it is 0 or not trusted:
// a missing file, no decoder for it, a header length the file's size can't hold or that
// exceeds a day, too many chained ID3v2 tags, decoding cut off at the limit. Thread-safe.
SpotMeasure measureSpot(std::string_view pathCp1250);

// measureSpot within the given bounds.
SpotMeasure measureSpotWith(std::string_view pathCp1250, const MeasureSettings& settings);

// A measurer for one advert list's load: it measures each file once however its path is
// spelled (paths naming the same file, by device and inode, share one measuring). Each
// call gives a fresh cache; copies of the measurer share it. Thread-safe.
SpotMeasurer newLoadMeasurer();

// newLoadMeasurer within the given bounds.
SpotMeasurer newLoadMeasurer(const MeasureSettings& settings);

// Measures a spot's local file, named by its path in UTF-8.
using LocalSpotMeasurer = std::function<SpotMeasure(const std::string& pathUtf8)>;

// newLoadMeasurer for files already found on the local disk (see newMappedLoadMeasurer):
// the same lengths and problems, each with its kind and `localPath`.
LocalSpotMeasurer newLocalLoadMeasurer(const MeasureSettings& settings = {});

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
