#include "platform/flac_frames.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace kalmero::audio {

namespace {

std::uint8_t flacCrc8(const unsigned char* bytes, std::size_t size) {
    std::uint8_t crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<std::uint8_t>((crc & 0x80) != 0 ? (crc << 1) ^ 0x07 : crc << 1);
        }
    }
    return crc;
}

// CRC-16 (polynomial 0x8005) a byte at a time.
constexpr std::array<std::uint16_t, 256> kCrc16Table = [] {
    std::array<std::uint16_t, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        auto crc = static_cast<std::uint16_t>(byte << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<std::uint16_t>((crc & 0x8000) != 0 ? (crc << 1) ^ 0x8005 : crc << 1);
        }
        table[byte] = crc;
    }
    return table;
}();

// A FLAC frame's header at `h` (with `size` bytes after it): the first sample and the block
// size; nullopt when it is no valid header (its CRC-8 checked).
std::optional<std::pair<std::int64_t, std::int64_t>> flacFrameHeader(const unsigned char* h,
                                                                     std::size_t size,
                                                                     std::int64_t fixedBlock) {
    if (size < 6 || h[0] != 0xFF || (h[1] & 0xFE) != 0xF8 || (h[2] >> 4) == 0 ||
        (h[2] & 0x0F) == 15 || (h[3] >> 4) >= 11 || (h[3] & 1) != 0) {
        return std::nullopt;
    }
    // The frame or sample number, coded as UTF-8 codes its characters (up to 36 bits).
    std::size_t at = 4;
    int more = 0;
    std::int64_t number = 0;
    if (h[at] < 0x80) {
        number = h[at];
    } else {
        for (more = 1; more < 7 && (h[at] & (0x80 >> (more + 1))) != 0; ++more) {
        }
        if (more < 1 || more > 6 || (h[at] & 0x40) == 0) {
            return std::nullopt;
        }
        number = h[at] & (0x3F >> more);
    }
    for (int i = 0; i < more; ++i) {
        if (++at >= size || (h[at] & 0xC0) != 0x80) {
            return std::nullopt;
        }
        number = number << 6 | (h[at] & 0x3F);
    }
    ++at;
    const int blockCode = h[2] >> 4;
    const int rateCode = h[2] & 0x0F;
    std::int64_t block = 0;
    if (blockCode == 1) {
        block = 192;
    } else if (blockCode <= 5) {
        block = std::int64_t{576} << (blockCode - 2);
    } else if (blockCode == 6 || blockCode == 7) {
        const std::size_t extra = blockCode == 6 ? 1 : 2;
        if (at + extra > size) {
            return std::nullopt;
        }
        block = (extra == 1 ? h[at] : (h[at] << 8 | h[at + 1])) + 1;
        at += extra;
    } else {
        block = std::int64_t{256} << (blockCode - 8);
    }
    at += rateCode == 12 ? 1 : (rateCode == 13 || rateCode == 14 ? 2 : 0);
    if (at >= size || flacCrc8(h, at) != h[at]) {
        return std::nullopt;
    }
    const bool variable = (h[1] & 1) != 0;
    return std::pair{variable ? number : number * fixedBlock, block};
}

// The fewest and most bytes a frame of the stream takes (STREAMINFO's; 0 where unknown).
struct FrameSizes {
    std::size_t least;
    std::size_t most;
};

// A frame header's most bytes: sync and codes, a 7-byte number, block size, rate and CRC-8.
constexpr off_t kLongestHeader = 16;

// Whether the frame whose header is at `tail[at]` ends within the tail: a CRC-16 over the
// frame and its own CRC is 0.
bool closes(const std::vector<unsigned char>& tail, std::size_t at, FrameSizes sizes) {
    const std::size_t least = std::max<std::size_t>(sizes.least, 8);
    const std::size_t most = sizes.most == 0 ? tail.size() - at : sizes.most;
    const std::size_t end = std::min(tail.size(), at + most);
    std::uint16_t crc = 0;
    for (std::size_t i = at; i < end; ++i) {
        crc = static_cast<std::uint16_t>(crc << 8) ^ kCrc16Table[((crc >> 8) ^ tail[i]) & 0xFF];
        if (crc == 0 && i + 1 - at >= least) {
            return true;
        }
    }
    return false;
}

// Where the frames begin after the metadata blocks, or nullopt when the file ends inside them.
std::optional<off_t> framesStart(int fd, off_t audio, off_t fileSize) {
    off_t at = audio + 4;
    for (int blocks = 0; blocks < 1'000; ++blocks) {
        const std::vector<unsigned char> header = bytesAt(fd, at, 4);
        if (header.empty()) {
            return std::nullopt;
        }
        at += 4 + (off_t{header[1]} << 16 | off_t{header[2]} << 8 | header[3]);
        if ((header[0] & 0x80) != 0) {
            return at < fileSize ? std::optional(at) : std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace

CutCheck flacCut(int fd, off_t audio, off_t fileSize) {
    const std::vector<unsigned char> head = bytesAt(fd, audio, 8 + 18);
    if (head.empty() || std::memcmp(head.data(), "fLaC", 4) != 0 || (head[4] & 0x7F) != 0) {
        return std::nullopt;
    }
    const unsigned char* info = &head[8];
    const std::int64_t fixedBlock = info[2] << 8 | info[3];
    const FrameSizes sizes{std::size_t{info[4]} << 16 | std::size_t{info[5]} << 8 | info[6],
                           std::size_t{info[7]} << 16 | std::size_t{info[8]} << 8 | info[9]};
    const std::int64_t rate = std::int64_t{info[10]} << 12 | info[11] << 4 | info[12] >> 4;
    const std::int64_t total = std::int64_t{info[13] & 0x0F} << 32 | bigEndian32(&info[14]);
    if (total == 0 || rate == 0) {
        return std::nullopt;
    }
    const auto cut = [&](std::int64_t present) {
        return CutCheck(cutIssue(framesToMs(total, rate), framesToMs(present, rate)));
    };
    // Metadata cut short, or followed by no frame: no audio at all.
    const std::optional<off_t> frames = framesStart(fd, audio, fileSize);
    if (!frames) {
        return cut(0);
    }
    const std::vector<unsigned char> first = bytesAt(
        fd, *frames, static_cast<std::size_t>(std::min<off_t>(fileSize - *frames, kLongestHeader)));
    if (first.empty() || !flacFrameHeader(first.data(), first.size(), fixedBlock)) {
        return cut(0);
    }
    constexpr off_t kTail = off_t{1} << 20;  // far more than a frame of any usual encoder
    const off_t from = std::max(*frames, fileSize - kTail);
    const std::vector<unsigned char> tail =
        bytesAt(fd, from, static_cast<std::size_t>(std::max<off_t>(fileSize - from, 0)));
    // Data after the last frame (tags, padding, junk) is no cut: the frame whose samples reach
    // the declared total is looked for among the last few headers, whole when its CRC-16
    // closes it anywhere. A chance match of sync code and CRC-8 inside audio is rare.
    constexpr int kHeadersTried = 8;
    int tried = 0;
    std::optional<std::int64_t> present;  // the samples up to the latest frame found
    for (std::size_t at = tail.size(); at-- > 0 && tried < kHeadersTried;) {
        const auto frame = flacFrameHeader(&tail[at], tail.size() - at, fixedBlock);
        if (!frame || frame->first + frame->second > total) {
            continue;
        }
        ++tried;
        const bool whole = closes(tail, at, sizes);
        if (frame->first + frame->second == total) {
            return whole ? std::nullopt : cut(frame->first);
        }
        if (!present) {
            present = whole ? frame->first + frame->second : frame->first;
        }
    }
    // No header near the end: more trailing data than the tail holds, which tells nothing.
    return present ? cut(*present) : std::nullopt;
}

}  // namespace kalmero::audio
