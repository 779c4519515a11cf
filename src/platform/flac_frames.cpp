#include "platform/flac_frames.h"

#include <algorithm>
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

std::uint16_t flacCrc16(const unsigned char* bytes, std::size_t size) {
    std::uint16_t crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= static_cast<std::uint16_t>(bytes[i] << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<std::uint16_t>((crc & 0x8000) != 0 ? (crc << 1) ^ 0x8005 : crc << 1);
        }
    }
    return crc;
}

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

}  // namespace

CutCheck flacCut(int fd, off_t audio, off_t fileSize) {
    const std::vector<unsigned char> head = bytesAt(fd, audio, 8 + 18);
    if (head.empty() || std::memcmp(head.data(), "fLaC", 4) != 0 || (head[4] & 0x7F) != 0) {
        return std::nullopt;
    }
    const unsigned char* info = &head[8];
    const std::int64_t fixedBlock = info[2] << 8 | info[3];
    const std::int64_t rate = std::int64_t{info[10]} << 12 | info[11] << 4 | info[12] >> 4;
    const std::int64_t total = std::int64_t{info[13] & 0x0F} << 32 | bigEndian32(&info[14]);
    if (total == 0 || rate == 0) {
        return std::nullopt;
    }
    // An ID3v1 tag may follow the audio.
    off_t end = fileSize;
    if (const auto tag = bytesAt(fd, fileSize - 128, 3);
        fileSize - 128 > audio && !tag.empty() && std::memcmp(tag.data(), "TAG", 3) == 0) {
        end -= 128;
    }
    constexpr off_t kTail = off_t{1} << 20;  // far more than a frame of any usual encoder
    const off_t from = std::max(audio + 8 + 34, end - kTail);
    const std::vector<unsigned char> tail =
        bytesAt(fd, from, static_cast<std::size_t>(std::max<off_t>(end - from, 0)));
    std::optional<std::int64_t> partial;  // where the last frame cut short starts
    // The last frame's header is among the last few that look like one (a chance match of
    // sync code and CRC-8 inside audio is rare); past them a whole file isn't found.
    constexpr int kHeadersTried = 8;
    int tried = 0;
    for (std::size_t at = tail.size() < 2 ? 0 : tail.size() - 2;
         at-- > 0 && tried < kHeadersTried;) {
        const auto frame = flacFrameHeader(&tail[at], tail.size() - at, fixedBlock);
        if (!frame || frame->first + frame->second > total) {
            continue;
        }
        ++tried;
        const std::size_t size = tail.size() - at;
        if (flacCrc16(&tail[at], size - 2) == (tail[tail.size() - 2] << 8 | tail.back())) {
            const std::int64_t present = frame->first + frame->second;
            return present < total
                       ? CutCheck(cutText(framesToMs(total, rate), framesToMs(present, rate)))
                       : std::nullopt;
        }
        if (!partial) {
            partial = frame->first;
        }
    }
    return partial ? CutCheck(cutText(framesToMs(total, rate), framesToMs(*partial, rate)))
                   : std::nullopt;
}

}  // namespace kalmero::audio
