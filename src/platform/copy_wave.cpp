#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/copy_codecs.h"

namespace kalmero {

namespace {

static_assert(std::endian::native == std::endian::little, "WAV samples are read in place");

constexpr std::uint16_t kPcm = 1;
constexpr std::uint16_t kFloat = 3;
constexpr std::uint16_t kExtensible = 0xFFFE;
constexpr std::uint32_t kRf64Size = 0xFFFFFFFF;

std::uint64_t little(const unsigned char* p, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = value << 8 | p[i];
    }
    return value;
}

// Where the samples lie and how they are stored.
struct WaveLayout {
    std::uint64_t dataOffset = 0;
    std::uint64_t dataSize = 0;
    std::uint16_t format = 0;  // kPcm or kFloat; extensible files by their subformat
    int channels = 0;
    int sampleBytes = 0;  // of one channel's sample as stored
    int validBits = 0;
    bool hasFormat = false;
    bool hasData = false;
};

bool readAt(int fd, std::uint64_t offset, unsigned char* into, std::size_t size) {
    return ::pread(fd, into, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
}

void readFormat(int fd, std::uint64_t offset, std::uint32_t size, WaveLayout& layout) {
    std::array<unsigned char, 40> fmt{};
    const std::size_t wanted = std::min<std::size_t>(size, fmt.size());
    if (wanted < 16 || !readAt(fd, offset, fmt.data(), wanted)) {
        return;
    }
    layout.format = static_cast<std::uint16_t>(little(&fmt[0], 2));
    layout.channels = static_cast<int>(little(&fmt[2], 2));
    const int blockAlign = static_cast<int>(little(&fmt[12], 2));
    layout.validBits = static_cast<int>(little(&fmt[14], 2));
    if (layout.format == kExtensible && wanted >= 26) {
        layout.validBits = static_cast<int>(little(&fmt[18], 2));
        layout.format = static_cast<std::uint16_t>(little(&fmt[24], 2));
    }
    layout.sampleBytes = layout.channels > 0 ? blockAlign / layout.channels : 0;
    layout.hasFormat = layout.channels > 0 && layout.sampleBytes > 0 &&
                       layout.sampleBytes * layout.channels == blockAlign;
}

WaveLayout layoutOf(int fd, std::uint64_t fileSize) {
    WaveLayout layout;
    std::array<unsigned char, 12> riff{};
    if (!readAt(fd, 0, riff.data(), riff.size())) {
        return layout;
    }
    const bool rf64 = std::memcmp(riff.data(), "RIFF", 4) != 0;
    std::uint64_t rf64DataSize = 0;
    std::uint64_t at = 12;
    while (at + 8 <= fileSize && !layout.hasData) {
        std::array<unsigned char, 8> header{};
        if (!readAt(fd, at, header.data(), header.size())) {
            break;
        }
        const auto size = static_cast<std::uint32_t>(little(&header[4], 4));
        const std::string_view id(reinterpret_cast<const char*>(header.data()), 4);
        if (id == "ds64") {
            std::array<unsigned char, 16> sizes{};
            if (readAt(fd, at + 8, sizes.data(), sizes.size())) {
                rf64DataSize = little(&sizes[8], 8);
            }
        } else if (id == "fmt ") {
            readFormat(fd, at + 8, size, layout);
        } else if (id == "data") {
            layout.dataOffset = at + 8;
            layout.dataSize = rf64 && size == kRf64Size ? rf64DataSize : size;
            layout.dataSize = std::min(layout.dataSize, fileSize - layout.dataOffset);
            layout.hasData = true;
        }
        at += 8 + std::uint64_t{size} + (size & 1U);
    }
    return layout;
}

// Lowers one stored sample in place, rounding to the nearest step of its valid bits.
class SampleScaler {
public:
    SampleScaler(const WaveLayout& layout, double factor) : m_layout(layout), m_factor(factor) {
        const int bits = layout.sampleBytes * 8;
        m_shift = layout.validBits > 0 && layout.validBits < bits ? bits - layout.validBits : 0;
    }

    bool supported() const {
        const int bytes = m_layout.sampleBytes;
        return m_layout.format == kPcm ? bytes >= 1 && bytes <= 4
                                       : m_layout.format == kFloat && (bytes == 4 || bytes == 8);
    }

    void scale(unsigned char* samples, std::size_t count) const {
        switch (m_layout.format == kFloat ? -m_layout.sampleBytes : m_layout.sampleBytes) {
            case -4:
                return scaleFloats<float>(samples, count);
            case -8:
                return scaleFloats<double>(samples, count);
            case 1:
                return scaleUnsigned8(samples, count);
            case 2:
                return scaleIntegers<2>(samples, count);
            case 3:
                return scaleIntegers<3>(samples, count);
            default:
                return scaleIntegers<4>(samples, count);
        }
    }

private:
    // To the nearest integer, halves away from zero: a cast, where lrint is a library call.
    static std::int32_t rounded(double value) {
        return static_cast<std::int32_t>(value + (value < 0 ? -0.5 : 0.5));
    }

    // 8-bit WAV is unsigned, its silence at 128.
    void scaleUnsigned8(unsigned char* samples, std::size_t count) const {
        for (std::size_t i = 0; i < count; ++i) {
            const double value = static_cast<double>(samples[i]) - 128;
            samples[i] = static_cast<unsigned char>(rounded(value * m_factor) + 128);
        }
    }

    // Signed little-endian integers of `Bytes`, the top byte's sign carried by the shift.
    template <int Bytes>
    void scaleIntegers(unsigned char* samples, std::size_t count) const {
        constexpr int kUnused = 32 - 8 * Bytes;
        for (std::size_t i = 0; i < count; ++i, samples += Bytes) {
            std::uint32_t raw = 0;
            for (int b = 0; b < Bytes; ++b) {
                raw |= std::uint32_t{samples[b]} << (8 * b);
            }
            const auto value = static_cast<std::int32_t>(raw << kUnused) >> kUnused;
            raw = static_cast<std::uint32_t>(
                rounded(static_cast<double>(value >> m_shift) * m_factor) << m_shift);
            for (int b = 0; b < Bytes; ++b) {
                samples[b] = static_cast<unsigned char>(raw >> (8 * b));
            }
        }
    }

    template <typename T>
    void scaleFloats(unsigned char* samples, std::size_t count) const {
        for (std::size_t i = 0; i < count; ++i) {
            T value{};
            std::memcpy(&value, samples + i * sizeof(T), sizeof(T));
            value = static_cast<T>(value * m_factor);
            std::memcpy(samples + i * sizeof(T), &value, sizeof(T));
        }
    }

    const WaveLayout& m_layout;
    double m_factor;
    int m_shift = 0;
};

}  // namespace

CopyWritten copyWave(int fd, const struct stat& info, double factor, AtomicFileWriter& out) {
    const auto fileSize = static_cast<std::uint64_t>(info.st_size);
    const WaveLayout layout = layoutOf(fd, fileSize);
    const SampleScaler scaler(layout, factor);
    if (!layout.hasFormat || !layout.hasData) {
        return {CopyFailure::SourceUnreadable, "brak opisu formatu lub próbek WAV"};
    }
    if (!scaler.supported()) {
        return {CopyFailure::Unsupported, "kodek WAV inny niż PCM"};
    }
    const std::uint64_t frameBytes = static_cast<std::uint64_t>(layout.sampleBytes) *
                                     static_cast<std::uint64_t>(layout.channels);
    const std::uint64_t samplesEnd = layout.dataOffset + layout.dataSize / frameBytes * frameBytes;
    // Whole frames at a time, so that no sample is split between two reads.
    std::string buffer(kCopyChunkFrames * frameBytes, '\0');
    auto* bytes = reinterpret_cast<unsigned char*>(buffer.data());
    std::uint64_t at = 0;
    while (at < fileSize) {
        const std::uint64_t boundary = at < layout.dataOffset ? layout.dataOffset
                                       : at < samplesEnd      ? samplesEnd
                                                              : fileSize;
        const std::size_t wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), boundary - at));
        if (!readAt(fd, at, bytes, wanted)) {
            return {CopyFailure::SourceUnreadable, "plik skończył się w trakcie czytania"};
        }
        if (at >= layout.dataOffset && at < samplesEnd) {
            scaler.scale(bytes, wanted / static_cast<std::size_t>(layout.sampleBytes));
        }
        out.append(std::string_view(buffer.data(), wanted));
        at += wanted;
    }
    return {};
}

}  // namespace kalmero
