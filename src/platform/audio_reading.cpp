#include "platform/audio_reading.h"

#include <unistd.h>

#include <limits>
#include <utility>

namespace kalmero::audio {

Reading failed(std::string problem) {
    Reading reading;
    reading.problem = std::move(problem);
    return reading;
}

std::int64_t saturatingProduct(std::int64_t a, std::int64_t b) {
    return a > std::numeric_limits<std::int64_t>::max() / b
               ? std::numeric_limits<std::int64_t>::max()
               : a * b;
}

std::int64_t mostCompressedFrames(off_t fileSize) {
    return saturatingProduct(fileSize, kMostFramesPerCompressedByte);
}

std::uint32_t littleEndian32(const unsigned char* bytes) {
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
}

std::string cutText(std::int64_t declaredMs, std::int64_t presentMs) {
    return std::string(kCutShort) + ": nagłówek podaje " + std::to_string(declaredMs) +
           " ms, w pliku " + std::to_string(presentMs) + " ms";
}

std::uint32_t bigEndian32(const unsigned char* bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
           std::uint32_t{bytes[2]} << 8 | std::uint32_t{bytes[3]};
}

std::vector<unsigned char> bytesAt(int fd, off_t at, std::size_t size) {
    std::vector<unsigned char> bytes(size);
    if (size == 0 || ::pread(fd, bytes.data(), size, at) != static_cast<ssize_t>(size)) {
        bytes.clear();
    }
    return bytes;
}

}  // namespace kalmero::audio
