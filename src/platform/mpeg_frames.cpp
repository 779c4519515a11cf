#include "platform/mpeg_frames.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace kalmero::audio {

namespace {

// An MPEG audio frame header: sync bits, and no reserved version, layer, bit rate or
// sample rate (which also tells it from AAC's ADTS header).
bool isMpegFrameHeader(const unsigned char* h) {
    return h[0] == 0xFF && (h[1] & 0xE0) == 0xE0 && ((h[1] >> 3) & 3) != 1 &&
           ((h[1] >> 1) & 3) != 0 && (h[2] >> 4) != 15 && ((h[2] >> 2) & 3) != 3;
}

// Bytes of the MPEG frame whose header is `h` (checked by isMpegFrameHeader), or 0 for a
// free-format frame, whose size no header tells.
std::size_t mpegFrameBytes(const unsigned char* h) {
    static const int kKbps[5][15] = {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // 1, I
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // 1, II
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // 1, III
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // 2, I
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},          // 2, II/III
    };
    static const int kRates[3] = {44'100, 48'000, 32'000};
    const int version = (h[1] >> 3) & 3;  // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    const int layer = 4 - ((h[1] >> 1) & 3);
    const bool mpeg1 = version == 3;
    const int table = mpeg1 ? layer - 1 : (layer == 1 ? 3 : 4);
    const long kbps = kKbps[table][h[2] >> 4];
    const long rate = kRates[(h[2] >> 2) & 3] >> (mpeg1 ? 0 : (version == 2 ? 1 : 2));
    const long padding = (h[2] >> 1) & 1;
    if (kbps == 0) {
        return 0;
    }
    if (layer == 1) {
        return static_cast<std::size_t>((12'000 * kbps / rate + padding) * 4);
    }
    const long perKbps = layer == 3 && !mpeg1 ? 72'000 : 144'000;
    return static_cast<std::size_t>(perKbps * kbps / rate + padding);
}

// Whether three MPEG frames follow each other from `at` with the same version, layer and
// sample rate. One header alone turns up by chance every few KB of any data (AAC, PCM,
// pictures), and mpg123 would decode such stray frames into a length of their own.
bool startsMpegFrameRun(const std::vector<unsigned char>& bytes, std::size_t at) {
    constexpr int kRun = 3;
    const unsigned char* first = &bytes[at];
    for (int i = 0; i < kRun; ++i) {
        if (at + 4 > bytes.size()) {
            return false;
        }
        const unsigned char* h = &bytes[at];
        if (!isMpegFrameHeader(h) || (h[1] & 0xFE) != (first[1] & 0xFE) ||
            (h[2] & 0x0C) != (first[2] & 0x0C)) {
            return false;
        }
        const std::size_t size = mpegFrameBytes(h);
        if (size == 0) {
            return false;
        }
        at += size;
    }
    return true;
}

// The frame count an MPEG file's first frame declares in a Xing/Info or VBRI header, or -1.
std::int64_t declaredMpegFrames(const std::vector<unsigned char>& frame) {
    if (frame.size() < 4) {
        return -1;  // the file ends inside it
    }
    const unsigned char* h = frame.data();
    const bool mpeg1 = ((h[1] >> 3) & 3) == 3;
    const bool mono = (h[3] >> 6) == 3;
    const std::size_t xing = 4 + (mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17));
    if (xing + 12 <= frame.size() &&
        (std::memcmp(&h[xing], "Xing", 4) == 0 || std::memcmp(&h[xing], "Info", 4) == 0)) {
        return (bigEndian32(&h[xing + 4]) & 1) != 0 ? bigEndian32(&h[xing + 8]) : -1;
    }
    constexpr std::size_t kVbri = 4 + 32;
    if (kVbri + 18 <= frame.size() && std::memcmp(&h[kVbri], "VBRI", 4) == 0) {
        return bigEndian32(&h[kVbri + 14]);
    }
    return -1;
}

int mpegSamplesPerFrame(const unsigned char* h) {
    const int layer = 4 - ((h[1] >> 1) & 3);
    const bool mpeg1 = ((h[1] >> 3) & 3) == 3;
    return layer == 1 ? 384 : (layer == 3 && !mpeg1 ? 576 : 1'152);
}

long mpegRate(const unsigned char* h) {
    static const long kRates[3] = {44'100, 48'000, 32'000};
    const int version = (h[1] >> 3) & 3;
    return kRates[(h[2] >> 2) & 3] >> (version == 3 ? 0 : (version == 2 ? 1 : 2));
}

}  // namespace

std::optional<off_t> skipId3v2Tags(int fd, off_t fileSize) {
    off_t at = 0;
    unsigned char h[10];
    for (int tags = 0;
         at < fileSize && ::pread(fd, h, sizeof h, at) == static_cast<ssize_t>(sizeof h) &&
         h[0] == 'I' && h[1] == 'D' && h[2] == '3';
         ++tags) {
        if (tags == kMostId3v2Tags) {
            return std::nullopt;
        }
        const off_t size = (off_t{h[6]} & 0x7F) << 21 | (off_t{h[7]} & 0x7F) << 14 |
                           (off_t{h[8]} & 0x7F) << 7 | (off_t{h[9]} & 0x7F);
        at += 10 + size + ((h[5] & 0x10) != 0 ? 10 : 0);
    }
    return at;
}

bool startsWithMpegFrame(int fd, off_t audio) {
    unsigned char h[4];
    return ::pread(fd, h, sizeof h, audio) == static_cast<ssize_t>(sizeof h) &&
           isMpegFrameHeader(h);
}

std::optional<ByteRange> findMpegFrameRun(int fd, ByteRange range) {
    constexpr off_t kWindow = 1 << 20;
    constexpr off_t kRunBytes = off_t{3} * 1'800;  // three frames of the largest kind
    std::vector<unsigned char> bytes(static_cast<std::size_t>(
        std::clamp<off_t>(range.end - range.begin, 0, kWindow + kRunBytes)));
    const ssize_t got = ::pread(fd, bytes.data(), bytes.size(), range.begin);
    if (got <= 0) {
        return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(got));
    for (std::size_t at = 0; at < kWindow && at + 4 <= bytes.size(); ++at) {
        if (bytes[at] == 0xFF && startsMpegFrameRun(bytes, at)) {
            return ByteRange{range.begin + static_cast<off_t>(at), range.end};
        }
    }
    return std::nullopt;
}

CutCheck mpegCut(int fd, ByteRange range, const DecodeBudget& budget) {
    std::vector<unsigned char> buffer;
    off_t bufferAt = 0;
    // The 4 header bytes at `at` (within the buffer, refilled as the walk moves on).
    const auto header = [&](off_t at) -> const unsigned char* {
        if (at < bufferAt || at + 4 > bufferAt + static_cast<off_t>(buffer.size())) {
            bufferAt = at;
            buffer = bytesAt(fd, at,
                             static_cast<std::size_t>(
                                 std::min<off_t>(range.end - at, static_cast<off_t>(kReadBuffer))));
            if (buffer.size() < 4) {
                return nullptr;
            }
        }
        return &buffer[static_cast<std::size_t>(at - bufferAt)];
    };
    const unsigned char* first = header(range.begin);
    if (first == nullptr || !isMpegFrameHeader(first) || mpegFrameBytes(first) == 0) {
        return std::nullopt;
    }
    const unsigned char stream[2] = {static_cast<unsigned char>(first[1] & 0xFE),
                                     static_cast<unsigned char>(first[2] & 0x0C)};
    const int samplesPerFrame = mpegSamplesPerFrame(first);
    const long rate = mpegRate(first);
    const std::int64_t declared =
        declaredMpegFrames(bytesAt(fd, range.begin, mpegFrameBytes(first)));
    std::int64_t frames = 0;
    bool endsInsideFrame = false;
    off_t at = range.begin;
    while (at + 4 <= range.end && !endsInsideFrame) {
        if (frames % 4'096 == 0 && budget.spent()) {
            return std::nullopt;
        }
        const unsigned char* h = header(at);
        const std::size_t size = h != nullptr && isMpegFrameHeader(h) ? mpegFrameBytes(h) : 0;
        if (size == 0 || (h[1] & 0xFE) != stream[0] || (h[2] & 0x0C) != stream[1]) {
            // Junk, or a tag after the audio: the walk goes on where frames run again.
            const auto run = findMpegFrameRun(fd, ByteRange{at + 1, range.end});
            if (!run) {
                break;
            }
            at = run->begin;
            continue;
        }
        endsInsideFrame = at + static_cast<off_t>(size) > range.end;
        frames += endsInsideFrame ? 0 : 1;
        at += static_cast<off_t>(size);
    }
    // The header's own frame carries no audio; encoders differ on counting it.
    const std::int64_t audioFrames = declared >= 0 ? frames - 1 : frames;
    if (declared < 0 || declared <= audioFrames + 1) {
        return endsInsideFrame ? CutCheck(std::string(kCutShort) + " w środku ramki dźwięku")
                               : std::nullopt;
    }
    return cutText(framesToMs(declared * samplesPerFrame, rate),
                   framesToMs(audioFrames * samplesPerFrame, rate));
}

}  // namespace kalmero::audio
