#pragma once

#include <sys/stat.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/spot_measure.h"
#include "platform/audio_length.h"

namespace kalmero {

// Takes a spot's audio as it is decoded: its format once, then interleaved samples (-1..1).
// Returning false stops the decoding.
class SampleSink {
public:
    virtual ~SampleSink() = default;
    virtual bool start(int channels, long rate) = 0;
    virtual bool take(const float* frames, std::size_t count) = 0;
};

// What decoding a spot whole gave.
struct DecodedSpot {
    // measureSpot's answer for the same opened file.
    SpotMeasure header;
    // The opened file's status: the file these answers belong to; nullopt when not opened.
    std::optional<struct stat> file;
    std::int64_t frames = 0;
    long rate = 0;
    // Why it couldn't be decoded to its end; None when it was.
    SpotIssue problem;
    // Stopped by the time limit or by the sink: another run may well answer otherwise.
    bool cut = false;
};

// Opens the spot named by a path in Windows-1250 bytes once, measures its header length as
// measureSpotWith does, then decodes it to its end into `sink` with the decoder that length
// comes from (libmpg123 for MPEG audio, libsndfile for the rest) within `decodeLimit` of
// wall time. Never blocks on FIFOs or devices. Thread-safe for distinct sinks.
DecodedSpot decodeSpot(std::string_view pathCp1250, SampleSink& sink,
                       const MeasureSettings& headerSettings,
                       std::chrono::milliseconds decodeLimit);

}  // namespace kalmero
