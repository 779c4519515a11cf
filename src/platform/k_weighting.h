#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace kalmero {

// ITU-R BS.1770's K-weighting of interleaved float audio and its channels' weighted sum of
// squares: what a loudness meter's 100 ms energies and gating blocks are made of. The
// channels in WAV order: one (a mono spot, counted as it airs on both channels of a stereo
// station), L R, L R C, L R Ls Rs, L R C Ls Rs, then L R C LFE Ls Rs and more left out.
class KWeighting {
public:
    // The filters for `channels` channels at `rate` Hz (above 0).
    KWeighting(unsigned channels, long rate);

    // Filters `count` frames and returns their channels' weighted sum of squares.
    double take(const float* frames, std::size_t count);

private:
    // One second-order stage, rearranged so that its state waits on one multiplication less.
    struct Stage {
        double b0 = 0;
        double c1 = 0;
        double c2 = 0;
        double a1 = 0;
        double a2 = 0;
    };
    // A channel's two stages' state.
    using State = std::array<double, 4>;

    // One sample through both stages: a channel's double, or a vector of channels' doubles.
    template <typename T>
    T weighted(T x, std::array<T, 4>& state) const;
    double takeStereo(const float* frames, std::size_t count);

    Stage m_shelf;
    Stage m_highPass;
    std::vector<double> m_weights;
    std::vector<State> m_states;
};

}  // namespace kalmero
