#include "platform/true_peak.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kalmero {

namespace {

constexpr unsigned kTaps = 49;
// Weights smaller than this are left out, as libebur128 leaves them.
constexpr double kAlmostZero = 0.000001;
// Outputs computed side by side: a length the compiler turns into vector instructions.
constexpr std::size_t kLanes = 8;

unsigned factorFor(unsigned long rate) {
    if (rate < 96'000) {
        return 4;
    }
    return rate < 192'000 ? 2 : 1;
}

float magnitude(const float* samples, std::size_t count) {
    float most = 0;
    for (std::size_t i = 0; i < count; ++i) {
        most = std::max(most, std::fabs(samples[i]));
    }
    return most;
}

}  // namespace

TruePeakMeter::TruePeakMeter(unsigned channels, unsigned long rate)
    : m_channels(std::max(1U, channels)) {
    const unsigned factor = factorFor(rate);
    if (factor > 1) {
        m_phases.resize(factor);
        for (unsigned j = 0; j < kTaps; ++j) {
            const double m = static_cast<double>(j) - static_cast<double>(kTaps - 1) / 2.0;
            double weight = 1.0;
            if (std::fabs(m) > kAlmostZero) {
                weight = std::sin(m * M_PI / factor) / (m * M_PI / factor);
            }
            weight *= 0.5 * (1 - std::cos(2 * M_PI * j / (kTaps - 1)));
            if (std::fabs(weight) > kAlmostZero) {
                Phase& phase = m_phases[j % factor];
                phase.weights.push_back(static_cast<float>(weight));
                phase.back.push_back(j / factor);
                m_reach = std::max<std::size_t>(m_reach, j / factor);
            }
        }
        // A phase that only delays the samples gives the samples themselves, which the
        // sample peak already holds.
        std::erase_if(m_phases, [](const Phase& phase) {
            return phase.weights.size() == 1 && phase.weights[0] == 1.0F;
        });
        for (const Phase& phase : m_phases) {
            double sum = 0;
            for (const float weight : phase.weights) {
                sum += std::fabs(weight);
            }
            m_gain = std::max(m_gain, sum);
        }
    }
    m_work.assign(m_channels, std::vector<float>(m_reach, 0.0F));
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
        work.resize(m_reach + count);
        for (std::size_t i = 0; i < count; ++i) {
            work[m_reach + i] = frames[i * m_channels + c];
        }
        spanPeak = std::max(spanPeak, magnitude(work.data(), work.size()));
    }
    m_peak = std::max(m_peak, static_cast<double>(spanPeak));
    if (!m_phases.empty() && m_gain * spanPeak > m_peak) {
        for (const std::vector<float>& work : m_work) {
            m_peak = std::max(m_peak, static_cast<double>(oversampledPeak(work.data(), count)));
        }
        m_oversampled += count;
    }
    for (std::vector<float>& work : m_work) {
        std::copy(work.end() - static_cast<std::ptrdiff_t>(m_reach), work.end(), work.begin());
        work.resize(m_reach);
    }
}

// `span` holds m_reach samples before the block's `count`.
float TruePeakMeter::oversampledPeak(const float* span, std::size_t count) const {
    const float* block = span + m_reach;
    std::array<float, kLanes> most{};
    for (const Phase& phase : m_phases) {
        const std::size_t taps = phase.weights.size();
        std::size_t i = 0;
        for (; i + kLanes <= count; i += kLanes) {
            std::array<float, kLanes> sum{};
            for (std::size_t t = 0; t < taps; ++t) {
                const float weight = phase.weights[t];
                const float* from = block + i - phase.back[t];
                for (std::size_t k = 0; k < kLanes; ++k) {
                    sum[k] += weight * from[k];
                }
            }
            for (std::size_t k = 0; k < kLanes; ++k) {
                most[k] = std::max(most[k], std::fabs(sum[k]));
            }
        }
        for (; i < count; ++i) {
            float sum = 0;
            for (std::size_t t = 0; t < taps; ++t) {
                sum += phase.weights[t] * block[i - phase.back[t]];
            }
            most[0] = std::max(most[0], std::fabs(sum));
        }
    }
    return *std::max_element(most.begin(), most.end());
}

}  // namespace kalmero
