#pragma once

#include <cstddef>
#include <vector>

namespace kalmero {

// The true peak of interleaved float audio (ITU-R BS.1770 annex 2): the largest magnitude
// of the samples and of the signal between them, found by oversampling 4 times below
// 96 kHz and twice below 192 kHz with a 49-tap Hann-windowed sinc, the same filter and the
// same answer as libebur128's, at a fraction of its work.
//
// Each block of up to kBlockFrames frames is oversampled only when it could raise the peak
// found so far. An oversampled value is a weighted sum of the sample and the ones before
// it within the filter's reach, so it can't exceed the largest of them times the sum of
// its phase's weights' magnitudes: at most 1.864 (5.41 dB) for 4 times, 2.307 (7.26 dB) for
// twice. A block whose samples, with those before it in reach, all lie further below the
// peak so far than that can't raise it and is passed over; the answer is the same to the
// last bit. Loud, dense audio is oversampled nearly whole; the rest mostly not.
class TruePeakMeter {
public:
    static constexpr std::size_t kBlockFrames = 512;

    // A meter for `channels` interleaved channels at `rate` Hz; no oversampling from
    // 192 kHz on, where the samples are dense enough.
    TruePeakMeter(unsigned channels, unsigned long rate);

    void take(const float* frames, std::size_t count);

    // The largest magnitude over all channels, linear (1.0 is full scale); 0 for silence.
    double peak() const { return m_peak; }
    // The bound on an oversampled value over the samples it is made of.
    double gain() const { return m_gain; }
    // Frames oversampled so far, for seeing the passing over at work.
    std::size_t framesOversampled() const { return m_oversampled; }

private:
    // One output phase: the weights and how many frames back each one's sample lies.
    struct Phase {
        std::vector<float> weights;
        std::vector<std::size_t> back;
    };

    void takeBlock(const float* frames, std::size_t count);
    float oversampledPeak(const float* history, std::size_t count) const;

    unsigned m_channels;
    std::vector<Phase> m_phases;
    // How many frames before a block its oversampled values reach back.
    std::size_t m_reach = 0;
    double m_gain = 1.0;
    // Per channel, the last m_reach samples and then the block's, one after another.
    std::vector<std::vector<float>> m_work;
    double m_peak = 0;
    std::size_t m_oversampled = 0;
};

}  // namespace kalmero
