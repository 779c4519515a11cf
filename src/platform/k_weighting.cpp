#include "platform/k_weighting.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kalmero {

namespace {

// BS.1770's surround channels weigh 1.41 (+1.5 dB).
constexpr double kSurround = 1.41;

// The weight of channel `c` of `channels`, as BS.1770 sums them.
double weightOf(unsigned c, unsigned channels) {
    switch (channels) {
        case 1:
            return 2;
        case 4:
            return c >= 2 ? kSurround : 1;
        case 5:
            return c >= 3 ? kSurround : 1;
        default: {
            constexpr std::array<double, 6> kFivePointOne{1, 1, 1, 0, kSurround, kSurround};
            return c < kFivePointOne.size() ? kFivePointOne[c] : 0;
        }
    }
}

// Both channels' state side by side, for the vector unit.
using Pair = double __attribute__((vector_size(16)));

}  // namespace

KWeighting::KWeighting(unsigned channels, long rate) : m_states(channels, State{}) {
    const double fs = static_cast<double>(rate);
    // A stage's transposed direct form with the output's dependence folded into the state:
    // y = b0 x + s0; s0' = (b1 - a1 b0) x + s1 - a1 s0; s1' = (b2 - a2 b0) x - a2 s0.
    const auto folded = [](double b0, double b1, double b2, double a1, double a2) {
        return Stage{b0, b1 - a1 * b0, b2 - a2 * b0, a1, a2};
    };
    // The head's acoustic effect: a high shelf of +4 dB above about 1.7 kHz.
    {
        const double f0 = 1681.974450955533;
        const double gainDb = 3.999843853973347;
        const double q = 0.7071752369554196;
        const double k = std::tan(std::numbers::pi * f0 / fs);
        const double vh = std::pow(10.0, gainDb / 20);
        const double vb = std::pow(vh, 0.4996667741545416);
        const double a0 = 1 + k / q + k * k;
        m_shelf =
            folded((vh + vb * k / q + k * k) / a0, 2 * (k * k - vh) / a0,
                   (vh - vb * k / q + k * k) / a0, 2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0);
    }
    // The revised low-frequency B curve: a high pass at about 38 Hz.
    {
        const double f0 = 38.13547087602444;
        const double q = 0.5003270373238773;
        const double k = std::tan(std::numbers::pi * f0 / fs);
        const double a0 = 1 + k / q + k * k;
        m_highPass = folded(1, -2, 1, 2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0);
    }
    for (unsigned c = 0; c < channels; ++c) {
        m_weights.push_back(weightOf(c, channels));
    }
}

template <typename T>
T KWeighting::weighted(T x, std::array<T, 4>& state) const {
    auto& [s0, s1, u0, u1] = state;
    const Stage& a = m_shelf;
    const Stage& b = m_highPass;
    const T y = a.b0 * x + s0;
    const T next = a.c1 * x + s1 - a.a1 * s0;
    s1 = a.c2 * x - a.a2 * s0;
    s0 = next;
    const T z = b.b0 * y + u0;
    const T after = b.c1 * y + u1 - b.a1 * u0;
    u1 = b.c2 * y - b.a2 * u0;
    u0 = after;
    return z;
}

double KWeighting::take(const float* frames, std::size_t count) {
    const std::size_t channels = m_states.size();
    if (channels == 2) {
        return takeStereo(frames, count);
    }
    double sum = 0;
    for (std::size_t c = 0; c < channels; ++c) {
        if (m_weights[c] == 0) {
            continue;
        }
        State state = m_states[c];
        double squares = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const double z = weighted(static_cast<double>(frames[i * channels + c]), state);
            squares += z * z;
        }
        m_states[c] = state;
        sum += m_weights[c] * squares;
    }
    return sum;
}

// Stereo, nearly every spot: both channels at once, their two chains of dependent steps
// overlapping.
double KWeighting::takeStereo(const float* frames, std::size_t count) {
    std::array<Pair, 4> state{};
    for (std::size_t k = 0; k < state.size(); ++k) {
        state[k] = Pair{m_states[0][k], m_states[1][k]};
    }
    Pair squares{};
    for (std::size_t i = 0; i < count; ++i) {
        const Pair z = weighted(Pair{frames[2 * i], frames[2 * i + 1]}, state);
        squares += z * z;
    }
    for (std::size_t k = 0; k < state.size(); ++k) {
        m_states[0][k] = state[k][0];
        m_states[1][k] = state[k][1];
    }
    return m_weights[0] * squares[0] + m_weights[1] * squares[1];
}

}  // namespace kalmero
