#pragma once

#include <string>
#include <vector>

namespace kalmero {

// Audio files made for the tests, the benchmarks and the sample spots; the program itself
// only reads audio.

// Containers and codecs the audio writer makes (all through libsndfile).
enum class AudioKind { Wav, Aiff, Flac, OggVorbis, OggOpus, Mp3, Rf64, WaveExtensible, Mp3Cbr };

// Writes mono samples (-1..1) as an audio file at `path` (UTF-8), replacing it. `quality`
// 0..1 trades size for fidelity in the lossy codecs (libsndfile's compression level,
// inverted); MP3 is written with a variable bit rate and a Xing header, Mp3Cbr with a
// constant one and an Info header. Throws FileError
// when libsndfile can't create or write the file.
void writeAudioFile(const std::string& path, AudioKind kind, int sampleRate,
                    const std::vector<float>& samples, double quality = 0.5);

}  // namespace kalmero
