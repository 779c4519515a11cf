#include "platform/wave_chunks.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace kalmero::audio {

bool isMpegFormatTag(unsigned tag) { return tag == 0x50 || tag == 0x55; }

// The chunks of a RIFF/RF64 WAVE file, or nullopt for other files. Broadcast WAVs may
// carry large chunks (peak envelopes) before the data.
std::optional<WaveChunks> waveChunks(int fd, off_t fileSize) {
    unsigned char h[20];
    if (::pread(fd, h, 12, 0) != 12 ||
        (std::memcmp(h, "RIFF", 4) != 0 && std::memcmp(h, "RF64", 4) != 0) ||
        std::memcmp(h + 8, "WAVE", 4) != 0) {
        return std::nullopt;
    }
    const bool rf64 = std::memcmp(h, "RF64", 4) == 0;
    unsigned formatTag = 0;
    std::uint32_t bytesPerSecond = 0;
    off_t at = 12;
    for (int chunks = 0; chunks < 1'000 && at + 8 <= fileSize; ++chunks) {
        const ssize_t got = ::pread(fd, h, sizeof h, at);
        if (got < 8) {
            break;
        }
        const off_t size = littleEndian32(h + 4);
        if (std::memcmp(h, "fmt ", 4) == 0 && size >= 2 && got >= 10) {
            formatTag = unsigned{h[8]} | unsigned{h[9]} << 8;
            bytesPerSecond = size >= 12 && got == sizeof h ? littleEndian32(h + 16) : 0;
        }
        if (std::memcmp(h, "data", 4) == 0) {
            // RF64 and unfinished files leave the size open (0xFFFFFFFF, or too large).
            const bool open = rf64 || size == 0 || size == 0xFFFF'FFFF;
            return WaveChunks{ByteRange{at + 8, std::min(fileSize, at + 8 + size)}, formatTag,
                              open ? 0 : at + 8 + size, bytesPerSecond};
        }
        at += 8 + size + (size & 1);
    }
    return std::nullopt;
}

CutCheck waveCut(const WaveChunks& wave, off_t fileSize) {
    if (wave.declaredEnd <= fileSize || wave.bytesPerSecond == 0) {
        return std::nullopt;
    }
    return cutText(framesToMs(wave.declaredEnd - wave.data.begin, wave.bytesPerSecond),
                   framesToMs(fileSize - wave.data.begin, wave.bytesPerSecond));
}

}  // namespace kalmero::audio
