#include "platform/ogg_pages.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace kalmero::audio {

namespace {

std::uint32_t oggCrc(const unsigned char* bytes, std::size_t size) {
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        // The checksum's own field counts as zeros.
        crc ^= (i >= 22 && i < 26 ? 0U : std::uint32_t{bytes[i]}) << 24;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000'0000) != 0 ? (crc << 1) ^ 0x04C1'1DB7 : crc << 1;
        }
    }
    return crc;
}

}  // namespace

std::optional<Reading> lengthOfOggFlac(int fd, off_t fileSize) {
    unsigned char page[27 + 255 + 51];
    const ssize_t got = ::pread(fd, page, sizeof page, 0);
    if (got < 27 || std::memcmp(page, "OggS", 4) != 0) {
        return std::nullopt;
    }
    // The packet follows the page header and its segment table; 0x7F "FLAC", the mapping's
    // version and header count, "fLaC", a metadata block header, then STREAMINFO.
    const std::size_t packet = 27 + std::size_t{page[26]};
    const unsigned char* p = page + packet;
    if (packet + 51 > static_cast<std::size_t>(got) || std::memcmp(p, "\177FLAC", 5) != 0 ||
        std::memcmp(p + 9, "fLaC", 4) != 0 || (p[13] & 0x7F) != 0) {
        return std::nullopt;
    }
    const unsigned char* info = p + 17;
    const std::int64_t rate = std::int64_t{info[10]} << 12 | info[11] << 4 | info[12] >> 4;
    const std::int64_t frames = std::int64_t{info[13] & 0x0F} << 32 | std::int64_t{info[14]} << 24 |
                                info[15] << 16 | info[16] << 8 | info[17];
    if (frames == 0) {
        return failed(kLengthOpen);
    }
    return Reading{frames, rate, mostCompressedFrames(fileSize), {}};
}

CutCheck oggCut(int fd, off_t fileSize) {
    constexpr off_t kLargestPage = 27 + 255 + 255 * 255;
    const off_t from = std::max<off_t>(0, fileSize - 2 * kLargestPage);
    const std::vector<unsigned char> tail =
        bytesAt(fd, from, static_cast<std::size_t>(fileSize - from));
    for (std::size_t at = tail.size() < 27 ? 0 : tail.size() - 27 + 1; at-- > 0;) {
        const unsigned char* page = &tail[at];
        if (std::memcmp(page, "OggS", 4) != 0 || page[4] != 0) {
            continue;
        }
        std::size_t size = 27 + std::size_t{page[26]};
        if (at + size > tail.size()) {
            return std::string(kCutShort) + ": strumień Ogg bez ostatniej strony";
        }
        for (std::size_t segment = 0; segment < page[26]; ++segment) {
            size += page[27 + segment];
        }
        if (at + size > tail.size()) {
            return std::string(kCutShort) + ": strumień Ogg bez ostatniej strony";
        }
        if (oggCrc(page, size) != littleEndian32(page + 22)) {
            continue;  // "OggS" within a packet
        }
        return (page[5] & 0x04) != 0
                   ? std::nullopt
                   : CutCheck(std::string(kCutShort) + ": strumień Ogg bez ostatniej strony");
    }
    return std::nullopt;
}

}  // namespace kalmero::audio
