#include "platform/true_peak.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <numbers>

// The oversampling's loops, built twice: for the vector unit every x86-64 has and for the
// twice as wide one most have had since 2013, chosen when the program starts.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define KALMERO_WIDE_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define KALMERO_WIDE_CLONES
#endif

namespace kalmero {

namespace {

// Each half-band filter by its weights off the centre, at 1, 3, 5... steps of the doubled
// rate; the centre's is 1 and the rest 0.
constexpr std::size_t kFirstPairs = 17;  // 67 taps
constexpr double kFirstBeta = 5.0;
constexpr std::size_t kSecondPairs = 4;  // 15 taps
constexpr double kSecondBeta = 4.0;
static_assert(kSecondPairs % 2 == 0, "the second step takes its weights two at a time");
// Outputs computed side by side: a length the compiler turns into vector instructions.
constexpr std::size_t kLanes = 16;
// The float sums may round a hair over the exact bound.
constexpr double kRounding = 1.00001;

// The half-band windowed sinc's weights at the odd distances 1, 3, ... 2 * Pairs - 1.
template <std::size_t Pairs>
std::array<float, Pairs> halfBand(double beta) {
    std::array<float, Pairs> weights{};
    const double reach = 2.0 * Pairs - 1;
    for (std::size_t k = 0; k < Pairs; ++k) {
        const double m = 2.0 * static_cast<double>(k) + 1;
        const double x = m * std::numbers::pi / 2;
        const double edge = m / reach;
        const double window = std::cyl_bessel_i(0.0, beta * std::sqrt(1 - edge * edge)) /
                              std::cyl_bessel_i(0.0, beta);
        weights[k] = static_cast<float>(std::sin(x) / x * window);
    }
    return weights;
}

const std::array<float, kFirstPairs>& firstWeights() {
    static const std::array<float, kFirstPairs> weights = halfBand<kFirstPairs>(kFirstBeta);
    return weights;
}

const std::array<float, kSecondPairs>& secondWeights() {
    static const std::array<float, kSecondPairs> weights = halfBand<kSecondPairs>(kSecondBeta);
    return weights;
}

unsigned factorFor(unsigned long rate) {
    if (rate < 96'000) {
        return 4;
    }
    return rate < 192'000 ? 2 : 1;
}

// The magnitudes' order is that of their bits with the sign cleared, and integers' largest
// is found with vector instructions where floats' isn't (for the sake of NaN).
KALMERO_WIDE_CLONES float magnitude(const float* samples, std::size_t count) {
    std::array<std::uint32_t, kLanes> top{};
    std::size_t i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        for (std::size_t l = 0; l < kLanes; ++l) {
            top[l] = std::max(top[l], std::bit_cast<std::uint32_t>(samples[i + l]) & 0x7fff'ffffU);
        }
    }
    for (; i < count; ++i) {
        top[0] = std::max(top[0], std::bit_cast<std::uint32_t>(samples[i]) & 0x7fff'ffffU);
    }
    return std::bit_cast<float>(*std::max_element(top.begin(), top.end()));
}

template <typename Lanes>
float most(const Lanes& lanes) {
    return *std::max_element(lanes.begin(), lanes.end());
}

// Writes to halves[j] the value halfway between in[j] and in[j + 1], for j in [0, count),
// from in[j - pairs + 1] to in[j + pairs]; returns the largest magnitude among them.
KALMERO_WIDE_CLONES float halfway(const float* in, const float* weights, std::size_t pairs,
                                  std::size_t count, float* halves) {
    std::array<float, kLanes> top{};
    std::size_t j = 0;
    for (; j + kLanes <= count; j += kLanes) {
        std::array<float, kLanes> sum{};
        for (std::size_t k = 0; k < pairs; ++k) {
            const float weight = weights[k];
            const float* before = in + j - k;
            const float* after = in + j + 1 + k;
            for (std::size_t l = 0; l < kLanes; ++l) {
                sum[l] += weight * (before[l] + after[l]);
            }
        }
        for (std::size_t l = 0; l < kLanes; ++l) {
            halves[j + l] = sum[l];
            top[l] = std::max(top[l], std::fabs(sum[l]));
        }
    }
    for (; j < count; ++j) {
        float sum = 0;
        for (std::size_t k = 0; k < pairs; ++k) {
            sum += weights[k] * (in[j - k] + in[j + 1 + k]);
        }
        halves[j] = sum;
        top[0] = std::max(top[0], std::fabs(sum));
    }
    return most(top);
}

// The largest magnitude a quarter and three quarters of the way from x[j] to x[j + 1], for
// j in [0, count), given halves[j] halfway between them: the half-band filter's step from
// twice to 4 times, its even weights falling on samples and its odd ones on halves.
KALMERO_WIDE_CLONES float quarters(const float* x, const float* halves, const float* weights,
                                   std::size_t pairs, std::size_t count) {
    std::array<float, kLanes> top{};
    const auto lanes = [&](std::size_t j, std::size_t width) {
        std::array<float, kLanes> first{};
        std::array<float, kLanes> third{};
        for (std::size_t s = 0; s < pairs / 2; ++s) {
            const float even = weights[2 * s];
            const float odd = weights[2 * s + 1];
            const float* xBack = x + j - s;
            const float* xAhead = x + j + s + 1;
            const float* yBefore = halves + j - s - 1;
            const float* yBack = halves + j - s;
            const float* yAhead = halves + j + s;
            for (std::size_t l = 0; l < width; ++l) {
                first[l] += even * (xBack[l] + yAhead[l]) + odd * (yBefore[l] + xAhead[l]);
                third[l] += even * (yBack[l] + xAhead[l]) + odd * (xBack[l] + yAhead[l + 1]);
            }
        }
        for (std::size_t l = 0; l < width; ++l) {
            top[l] = std::max({top[l], std::fabs(first[l]), std::fabs(third[l])});
        }
    };
    std::size_t j = 0;
    for (; j + kLanes <= count; j += kLanes) {
        lanes(j, kLanes);
    }
    if (j < count) {
        lanes(j, count - j);
    }
    return most(top);
}

}  // namespace

TruePeakMeter::TruePeakMeter(unsigned channels, unsigned long rate)
    : m_channels(std::max(1U, channels)), m_factor(factorFor(rate)) {
    if (m_factor > 1) {
        const auto& first = firstWeights();
        double firstSum = 0;
        for (const float weight : first) {
            firstSum += 2 * std::fabs(weight);
        }
        m_gain = firstSum;
        m_kept = 2 * kFirstPairs - 1;
    }
    if (m_factor == 4) {
        // The two steps as one filter at 4 times the rate, by phase: a value's bound is the
        // sum of its own weights' magnitudes, far under the product of the steps' bounds.
        const auto& first = firstWeights();
        const auto& second = secondWeights();
        const auto spread = [](const auto& weights, std::size_t step) {
            const std::size_t reach = (2 * weights.size() - 1) * step;
            std::vector<double> taps(2 * reach + 1);
            taps[reach] = 1;
            for (std::size_t k = 0; k < weights.size(); ++k) {
                taps[reach - (2 * k + 1) * step] = weights[k];
                taps[reach + (2 * k + 1) * step] = weights[k];
            }
            return taps;
        };
        const std::vector<double> a = spread(first, 2);
        const std::vector<double> b = spread(second, 1);
        std::vector<double> both(a.size() + b.size() - 1);
        for (std::size_t i = 0; i < a.size(); ++i) {
            for (std::size_t k = 0; k < b.size(); ++k) {
                both[i + k] += a[i] * b[k];
            }
        }
        std::array<double, 4> phases{};
        for (std::size_t i = 0; i < both.size(); ++i) {
            phases[i % 4] += std::fabs(both[i]);
        }
        // The phase of the samples themselves holds one weight of 1 and is left out.
        const std::size_t samples = ((both.size() - 1) / 2) % 4;
        phases[samples] = 0;
        m_gain = most(phases);
        m_kept += kSecondPairs;
    }
    m_work.assign(m_channels, std::vector<float>(m_kept, 0.0F));
}

void TruePeakMeter::take(const float* frames, std::size_t count) {
    while (count > 0) {
        const std::size_t part = std::min(count, kBlockFrames);
        takeBlock(frames, part);
        frames += part * m_channels;
        count -= part;
    }
}

void TruePeakMeter::takeBlock(const float* frames, std::size_t count) {
    float spanPeak = 0;
    for (unsigned c = 0; c < m_channels; ++c) {
        std::vector<float>& work = m_work[c];
        work.resize(m_kept + count);
        for (std::size_t i = 0; i < count; ++i) {
            work[m_kept + i] = frames[i * m_channels + c];
        }
        spanPeak = std::max(spanPeak, magnitude(work.data(), work.size()));
    }
    m_peak = std::max(m_peak, static_cast<double>(spanPeak));
    if (m_factor > 1 && m_gain * kRounding * spanPeak > m_peak) {
        for (const std::vector<float>& work : m_work) {
            m_peak =
                std::max(m_peak, static_cast<double>(betweenPeak(work.data(), count, m_halves)));
        }
        m_oversampled += count;
    }
    for (std::vector<float>& work : m_work) {
        std::copy(work.end() - static_cast<std::ptrdiff_t>(m_kept), work.end(), work.begin());
        work.resize(m_kept);
    }
}

double TruePeakMeter::peak() const {
    if (m_factor == 1) {
        return m_peak;
    }
    // The values after the last sample wait for samples to come: silence, once it ended.
    double peak = m_peak;
    std::vector<float> span;
    std::vector<float> halves;
    for (const std::vector<float>& kept : m_work) {
        if (m_gain * kRounding * magnitude(kept.data(), m_kept) > peak) {
            span.assign(kept.begin(), kept.end());
            span.resize(2 * m_kept, 0.0F);
            peak = std::max(peak, static_cast<double>(betweenPeak(span.data(), m_kept, halves)));
        }
    }
    return peak;
}

// `span` holds m_kept samples before the block's `count`. The block answers for the values
// after its samples but the last kSecondPairs / 2 + kFirstPairs (what those values wait
// for), and after as many of the block before it.
float TruePeakMeter::betweenPeak(const float* span, std::size_t count,
                                 std::vector<float>& halves) const {
    const float* first = span + kFirstPairs - 1;
    if (m_factor == 2) {
        halves.resize(count);
        return halfway(first, firstWeights().data(), kFirstPairs, count, halves.data());
    }
    assert(m_factor == 4);
    halves.resize(count + kSecondPairs);
    const float halfPeak =
        halfway(first, firstWeights().data(), kFirstPairs, count + kSecondPairs, halves.data());
    constexpr std::size_t kLead = kSecondPairs / 2;
    const float quarterPeak =
        quarters(first + kLead, halves.data() + kLead, secondWeights().data(), kSecondPairs, count);
    return std::max(halfPeak, quarterPeak);
}

}  // namespace kalmero
