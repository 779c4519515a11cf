#pragma once

#include <sys/types.h>

#include <optional>

#include "platform/audio_reading.h"

// MPEG audio frames as the file holds them: ID3v2 tags before them, runs of frames behind
// junk, and a file cut short against the frame count its Xing/Info/VBRI header declares.
namespace kalmero::audio {

// Offset of the audio after the ID3v2 tags at the file's start (taggers sometimes leave
// more than one), or nullopt past kMostId3v2Tags.
std::optional<off_t> skipId3v2Tags(int fd, off_t fileSize);

// Whether the audio starts with an MPEG frame right after the tags. Such files go straight
// to mpg123: libsndfile would only estimate their length, and its own MPEG decoder prints
// to stderr on broken frames.
bool startsWithMpegFrame(int fd, off_t audio);

// Where a run of MPEG frames starts, searched within the first MB of `range`, and the
// rest of the range from there: MPEG audio behind junk, or inside a WAV. Files that are no
// MPEG audio at all (AAC, MP4, broken headers) never reach mpg123, which would find stray
// frames in them or scan a long file for nothing.
std::optional<ByteRange> findMpegFrameRun(int fd, ByteRange range);

// Walks the MPEG frames of `range` from one to the next (past junk between them, as decoders
// resync): a frame whose header runs past the end is a file cut inside it, and fewer frames
// than the first frame's Xing/VBRI header declares a file cut short.
CutCheck mpegCut(int fd, ByteRange range, const DecodeBudget& budget);

}  // namespace kalmero::audio
