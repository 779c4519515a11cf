#pragma once

#include <sys/types.h>

#include <optional>

#include "platform/audio_reading.h"

// Ogg pages: FLAC's header in the first, and a stream cut short before its last.
namespace kalmero::audio {

// FLAC in Ogg, which libsndfile fails to open: the length from the STREAMINFO block that
// the first Ogg packet carries. nullopt when the file is no Ogg FLAC.
std::optional<Reading> lengthOfOggFlac(int fd, off_t fileSize);

// An Ogg file's last page: whole (its checksum right) and marked as the stream's end.
CutCheck oggCut(int fd, off_t fileSize);

}  // namespace kalmero::audio
