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
constexpr std::size_t kFinePairs = 128;  // 511 taps
constexpr double kFineBeta = 4.0;
// The short first step that finds where the fine one can't raise the peak.
constexpr std::size_t kCoarsePairs = 17;  // 67 taps
constexpr double kCoarseBeta = 5.0;
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

const std::array<float, kFinePairs>& fineWeights() {
    static const std::array<float, kFinePairs> weights = halfBand<kFinePairs>(kFineBeta);
    return weights;
}

const std::array<float, kCoarsePairs>& coarseWeights() {
    static const std::array<float, kCoarsePairs> weights = halfBand<kCoarsePairs>(kCoarseBeta);
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

// Half the largest step between successive samples, found as magnitude() finds its largest.
KALMERO_WIDE_CLONES float steepest(const float* samples, std::size_t count) {
    std::array<std::uint32_t, kLanes> top{};
    std::size_t i = 1;
    for (; i + kLanes <= count; i += kLanes) {
        for (std::size_t l = 0; l < kLanes; ++l) {
            const float step = samples[i + l] - samples[i + l - 1];
            top[l] = std::max(top[l], std::bit_cast<std::uint32_t>(step) & 0x7fff'ffffU);
        }
    }
    for (; i < count; ++i) {
        top[0] = std::max(top[0],
                          std::bit_cast<std::uint32_t>(samples[i] - samples[i - 1]) & 0x7fff'ffffU);
    }
    return std::bit_cast<float>(*std::max_element(top.begin(), top.end())) / 2;
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

// The oversampling by `factor` taken as one filter, by phase but the samples' own (which
// holds one weight of 1): each phase's weights on successive samples. Its first step weighs
// samples by `first` at the odd distances and by `centre` at none.
std::vector<std::vector<double>> phaseWeights(const std::vector<double>& first, double centre,
                                              unsigned factor) {
    const auto spread = [](const std::vector<double>& weights, double middle, std::size_t step) {
        const std::size_t reach = (2 * weights.size() - 1) * step;
        std::vector<double> taps(2 * reach + 1);
        taps[reach] = middle;
        for (std::size_t k = 0; k < weights.size(); ++k) {
            taps[reach - (2 * k + 1) * step] = weights[k];
            taps[reach + (2 * k + 1) * step] = weights[k];
        }
        return taps;
    };
    std::vector<double> both = spread(first, centre, factor / 2);
    if (factor == 4) {
        const std::vector<double> a = both;
        const std::vector<double> b =
            spread({secondWeights().begin(), secondWeights().end()}, 1, 1);
        both.assign(a.size() + b.size() - 1, 0.0);
        for (std::size_t i = 0; i < a.size(); ++i) {
            for (std::size_t k = 0; k < b.size(); ++k) {
                both[i + k] += a[i] * b[k];
            }
        }
    }
    std::vector<std::vector<double>> phases(factor);
    for (std::size_t i = 0; i < both.size(); ++i) {
        phases[i % factor].push_back(both[i]);
    }
    phases.erase(phases.begin() + static_cast<std::ptrdiff_t>(((both.size() - 1) / 2) % factor));
    return phases;
}

double magnitudeSum(const std::vector<double>& weights) {
    double sum = 0;
    for (const double weight : weights) {
        sum += std::fabs(weight);
    }
    return sum;
}

}  // namespace

TruePeakMeter::TruePeakMeter(unsigned channels, unsigned long rate)
    : m_channels(std::max(1U, channels)), m_factor(factorFor(rate)) {
    if (m_factor > 1) {
        const std::vector<double> fine(fineWeights().begin(), fineWeights().end());
        const std::vector<double> coarse(coarseWeights().begin(), coarseWeights().end());
        // A value can't exceed the largest sample it is made of times its phase's sum of
        // weights' magnitudes, far under the product of the steps' sums.
        const auto gain = [this](const std::vector<double>& first) {
            double most = 0;
            for (const std::vector<double>& phase : phaseWeights(first, 1, m_factor)) {
                most = std::max(most, magnitudeSum(phase));
            }
            return most;
        };
        m_gain = gain(fine);
        m_coarseGain = gain(coarse);
        // The long filter's value less the short one's weighs the samples by d, which is q
        // weighing the halved steps between them and r the last: d[k] = (q[k] - q[k-1]) / 2,
        // r = d's sum. As d is all but nil below 0.44 fs, q's magnitudes sum to about d's
        // while the steps of most audio are far smaller than its samples.
        std::vector<double> apart = fine;
        for (std::size_t k = 0; k < coarse.size(); ++k) {
            apart[k] -= coarse[k];
        }
        for (const std::vector<double>& phase : phaseWeights(apart, 0, m_factor)) {
            double sum = 0;
            double slope = 0;
            for (std::size_t k = 0; k + 1 < phase.size(); ++k) {
                sum += phase[k];
                slope += 2 * std::fabs(sum);
            }
            m_slope = std::max(m_slope, slope * kRounding);
            m_slack = std::max(m_slack, std::fabs(sum + phase.back()));
        }
        // Both sums' rounding.
        m_slack += (kRounding - 1) * (m_gain + m_coarseGain);
        m_kept = 2 * kFinePairs - 1 + (m_factor == 4 ? kSecondPairs : 0);
    }
    m_work.assign(m_channels, std::vector<float>(m_kept, 0.0F));
    m_reach.assign(m_channels, 0.0F);
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
        m_reach[c] = magnitude(work.data(), work.size());
        spanPeak = std::max(spanPeak, m_reach[c]);
    }
    m_peak = std::max(m_peak, static_cast<double>(spanPeak));
    bool oversampled = false;
    for (unsigned c = 0; m_factor > 1 && c < m_channels; ++c) {
        // The long filter's values lie within m_slope times the largest step and m_slack
        // times the largest sample of the short one's: where even the most those could be,
        // or else the short one's values found, stay under the peak so far, the long one
        // isn't needed.
        const std::vector<float>& work = m_work[c];
        const double reach = m_reach[c];
        if (m_gain * kRounding * reach <= m_peak) {
            continue;
        }
        const double apart = m_slope * steepest(work.data(), work.size()) + m_slack * reach;
        if (m_coarseGain * reach + apart <= m_peak ||
            betweenPeak(work.data(), count, coarseWeights().data(), kCoarsePairs, m_halves) +
                    apart <=
                m_peak) {
            continue;
        }
        m_peak =
            std::max(m_peak, static_cast<double>(betweenPeak(
                                 work.data(), count, fineWeights().data(), kFinePairs, m_halves)));
        oversampled = true;
    }
    m_oversampled += oversampled ? count : 0;
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
            peak =
                std::max(peak, static_cast<double>(betweenPeak(
                                   span.data(), m_kept, fineWeights().data(), kFinePairs, halves)));
        }
    }
    return peak;
}

// `span` holds m_kept samples before the block's `count`. The block answers for the values
// after its samples but the last kSecondPairs / 2 + kFinePairs (what those values wait
// for), and after as many of the block before it; a shorter first step, `pairs` of
// `weights`, finds the same values less exactly.
float TruePeakMeter::betweenPeak(const float* span, std::size_t count, const float* weights,
                                 std::size_t pairs, std::vector<float>& halves) const {
    const float* first = span + kFinePairs - 1;
    if (m_factor == 2) {
        halves.resize(count);
        return halfway(first, weights, pairs, count, halves.data());
    }
    assert(m_factor == 4);
    halves.resize(count + kSecondPairs);
    const float halfPeak = halfway(first, weights, pairs, count + kSecondPairs, halves.data());
    constexpr std::size_t kLead = kSecondPairs / 2;
    const float quarterPeak =
        quarters(first + kLead, halves.data() + kLead, secondWeights().data(), kSecondPairs, count);
    return std::max(halfPeak, quarterPeak);
}

}  // namespace kalmero
