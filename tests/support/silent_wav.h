#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>

namespace kalmero::test {

// The bytes of a mono 16-bit PCM WAV file of `frames` frames at `rate` Hz, each frame's
// sample given by `sample(frame)`.
template <typename Sample>
std::string monoWav(std::uint32_t rate, std::uint32_t frames, Sample sample) {
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
    for (std::uint32_t frame = 0; frame < frames; ++frame) {
        u16(static_cast<std::uint16_t>(sample(frame)));
    }
    return bytes;
}

// The bytes of a silent mono 16-bit PCM WAV file of `frames` frames at `rate` Hz.
inline std::string silentWav(std::uint32_t rate, std::uint32_t frames) {
    return monoWav(rate, frames, [](std::uint32_t) { return std::int16_t{0}; });
}

// A spot that airs: a 1 kHz tone at -20 dBFS (-20 LUFS as it airs on two channels), as a
// mono 16-bit PCM WAV file of `frames` frames at `rate` Hz.
inline std::string toneWav(std::uint32_t rate, std::uint32_t frames) {
    return monoWav(rate, frames, [rate](std::uint32_t frame) {
        const double phase = 2 * std::numbers::pi * 1000 * static_cast<double>(frame) / rate;
        return static_cast<std::int16_t>(std::lround(3277 * std::sin(phase)));
    });
}

}  // namespace kalmero::test
