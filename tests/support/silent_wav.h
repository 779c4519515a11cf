#pragma once

#include <cstdint>
#include <string>

namespace kalmero::test {

// The bytes of a silent mono 16-bit PCM WAV file of `frames` frames at `rate` Hz.
inline std::string silentWav(std::uint32_t rate, std::uint32_t frames) {
    const std::uint32_t data = frames * 2;
    std::string bytes = "RIFF";
    auto u32 = [&bytes](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
        }
    };
    auto u16 = [&bytes](std::uint16_t v) {
        bytes += static_cast<char>(v & 0xFF);
        bytes += static_cast<char>(v >> 8);
    };
    u32(36 + data);
    bytes += "WAVEfmt ";
    u32(16);
    u16(1);  // PCM
    u16(1);  // mono
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    bytes += "data";
    u32(data);
    bytes.append(data, '\0');
    return bytes;
}

}  // namespace kalmero::test
