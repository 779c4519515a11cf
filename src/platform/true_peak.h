#pragma once

#include <cstddef>
#include <vector>

namespace kalmero {

// The true peak of interleaved float audio (ITU-R BS.1770 annex 2): the largest magnitude
// of the samples and of the signal between them, found by oversampling 4 times below
// 96 kHz and twice below 192 kHz, the signal taken as silent before its first sample and
// after its last, so that a burst at either end counts whole.
//
// The oversampling is two halving steps, each a half-band filter (every other weight 0):
// the first, 67 taps with a Kaiser window (beta 5), holds the passband to 0.45 fs within
// -0.010/+0.016 dB and keeps images from 0.55 fs on 54.5 dB down; the second, from twice
// to 4 times, needs only 15 taps (beta 4: within 0.015 dB, 54.8 dB down) as the first left
// nothing between 0.45 fs and 1.55 fs. Together they hold 0.45 fs within 0.05 dB, against
// the 2.2 dB a plain 49-tap filter loses there, at 25 multiplications per sample (each
// weight multiplies the sum of the two samples it weighs alike) where one filter as good
// would take about 90. Against an ideal interpolator at the same 4 times, 200 clipped MP3
// spots read 0.018 dB under to 0.014 dB over (bench_true_peak_bench).
//
// Each block of up to kBlockFrames frames is oversampled only when it could raise the peak
// found so far. An oversampled value is a weighted sum of the samples within the filters'
// reach, so it can't exceed the largest of them times the sum of its weights' magnitudes:
// gain(), the largest such sum over the phases of the two steps taken as one filter at 4
// times the rate, the halfway phase's 2.56 (8.2 dB), the same for twice. A block whose
// samples, with those within reach of its values, all lie further below the peak so far
// than that can't raise it and is passed over without changing the answer. Loud, dense
// audio is oversampled nearly whole; the rest mostly not.
class TruePeakMeter {
public:
    static constexpr std::size_t kBlockFrames = 512;

    // A meter for `channels` interleaved channels at `rate` Hz; no oversampling from
    // 192 kHz on, where the samples are dense enough.
    TruePeakMeter(unsigned channels, unsigned long rate);

    void take(const float* frames, std::size_t count);

    // The largest magnitude over all channels of the frames taken so far and of the signal
    // ringing on after the last of them, linear (1.0 is full scale); 0 for silence.
    double peak() const;
    // The bound on an oversampled value over the samples it is made of.
    double gain() const { return m_gain; }
    // Frames oversampled so far, for seeing the passing over at work.
    std::size_t framesOversampled() const { return m_oversampled; }

private:
    void takeBlock(const float* frames, std::size_t count);
    // The largest magnitude between the samples of `span`: kept samples, then `count` more.
    float betweenPeak(const float* span, std::size_t count, std::vector<float>& halves) const;

    unsigned m_channels;
    unsigned m_factor;
    // Samples kept before a block: those its values reach back to, and those the values
    // after the last sample of the block before it wait for.
    std::size_t m_kept = 0;
    double m_gain = 1.0;
    // Per channel, the kept samples and then the block's, one after another.
    std::vector<std::vector<float>> m_work;
    std::vector<float> m_halves;
    double m_peak = 0;
    std::size_t m_oversampled = 0;
};

}  // namespace kalmero
