#pragma once

#include <optional>
#include <string>

#include "platform/measure_cache.h"

namespace kalmero {

// Why a lowered copy of a spot was not written.
enum class CopyFailure {
    None,
    SourceUnreadable,  // the original can't be opened or decoded
    Unsupported,       // no encoder here for the original's format
    Encoding,          // the encoder refused the original's rate, channels or bitrate
    NameTaken,         // something that is not our own earlier copy stands at the copy's name
    Writing,           // the safe writer refused or failed (a read-only folder, a planted link)
};

// The outcome of writing a copy: the failure's kind and its reason (Polish, UTF-8: the
// system's or the library's words; empty when written).
struct CopyWritten {
    CopyFailure failure = CopyFailure::None;
    std::string reason;
};

// Writes the audio of `source` (a local path, UTF-8) lowered by `gainDb` (0 or more) to
// `target` (UTF-8) in the original's container, codec, sample rate and channels: WAV and RF64
// at its sample format, every chunk but the samples copied byte for byte; MP3 and MP2 at its
// bitrate (an average one for VBR), its ID3 tags carried; FLAC, Ogg Vorbis and Opus with their
// tags through libsndfile. The original is only opened for reading (without moving its access
// time where the system lets us). The copy goes through the safe writer (staged, the link rule,
// nothing half written is ever seen); it replaces nothing but `ours`, our own earlier copy as
// we left it: any other file or link at `target` is named as NameTaken and left alone.
CopyWritten writeCorrectedCopy(const std::string& source, double gainDb, const std::string& target,
                               const std::optional<FileIdentity>& ours = std::nullopt);

}  // namespace kalmero
