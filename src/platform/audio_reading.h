#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/audio_length.h"

// What the readers of each container share: the file's stretches, a reading's answer, the
// wall time one spot may cost, and the bytes of the file at an offset.
namespace kalmero::audio {

// Why a spot has no length, for the operator's placement report.
inline constexpr const char* kBadPath = "pusta ścieżka";
inline constexpr const char* kNoFile = kNoSpotFile;
inline constexpr const char* kCantOpen = "nie można otworzyć pliku";
inline constexpr const char* kNotAFile = "to nie jest zwykły plik";
inline constexpr const char* kEmptyFile = "pusty plik";
inline constexpr const char* kUnreadable = "nie można odczytać pliku";
inline constexpr const char* kNoAudio = "plik bez dźwięku";
// Taggers leave one tag, now and then two or three; a file of a million chained empty tags
// would cost a read for each.
inline constexpr int kMostId3v2Tags = 64;
inline constexpr const char* kLengthOpen = "nagłówek nie podaje długości";
inline constexpr const char* kImpossibleLength = "długość z nagłówka niemożliwa dla rozmiaru pliku";
inline constexpr const char* kTooManyTags = "zbyt wiele znaczników ID3";
// How every problem of a file cut short begins.
inline constexpr const char* kCutShort = "plik ucięty";
// FLAC at its most compact (a constant subframe for a block of 65,535 frames) takes about
// 12 bytes a block, Vorbis and Opus on silence far more; a header claiming more than this
// describes audio that isn't there.
inline constexpr std::int64_t kMostFramesPerCompressedByte = 8'192;
// What mpg123 reads at once through BufferedView.
inline constexpr std::size_t kReadBuffer = std::size_t{64} * 1'024;

// Wall time one spot may spend reading its audio to the end.
class DecodeBudget {
public:
    explicit DecodeBudget(std::chrono::milliseconds limit)
        : m_limit(limit), m_end(std::chrono::steady_clock::now() + limit) {}
    bool spent() const { return std::chrono::steady_clock::now() >= m_end; }
    std::string cutReason() const {
        const auto ms = m_limit.count();
        return "dekodowanie przerwane po " +
               (ms % 1'000 == 0 ? std::to_string(ms / 1'000) + " s" : std::to_string(ms) + " ms");
    }

private:
    std::chrono::milliseconds m_limit;
    std::chrono::steady_clock::time_point m_end;
};

// What a decoder made of a file: a frame count at a rate, or why it gives none.
struct Reading {
    std::int64_t frames = 0;
    std::int64_t rate = 0;
    // The most frames the file's bytes can hold in the coding found.
    std::int64_t mostFrames = 0;
    std::string problem;
};

// A reading that gives no length, for `problem`.
Reading failed(std::string problem);

// a * b, or the largest int64 where it would overflow; b > 0.
std::int64_t saturatingProduct(std::int64_t a, std::int64_t b);

// The most frames `fileSize` bytes of compressed audio can hold.
std::int64_t mostCompressedFrames(off_t fileSize);

// A stretch of the file, in bytes from its start.
struct ByteRange {
    off_t begin;
    off_t end;
};

std::uint32_t littleEndian32(const unsigned char* bytes);
std::uint32_t bigEndian32(const unsigned char* bytes);

// Bytes `[at, at + size)` of the file, or an empty vector when it can't give them all.
std::vector<unsigned char> bytesAt(int fd, off_t at, std::size_t size);

// What a file's container declares of its audio against what the file holds: the text
// that names a file cut short (or ending inside an audio frame), nullopt when it is whole or
// can't be told.
using CutCheck = std::optional<std::string>;

// The cut's text from the declared length and the length present.
std::string cutText(std::int64_t declaredMs, std::int64_t presentMs);

}  // namespace kalmero::audio
