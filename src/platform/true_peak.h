#pragma once

#include <cstddef>
#include <vector>

namespace kalmero {

// The true peak of interleaved float audio (ITU-R BS.1770 annex 2): the largest magnitude
// of the samples and of the signal between them, found by oversampling 4 times below
// 96 kHz and twice below 192 kHz, the signal taken as silent before its first sample and
// after its last, so that a burst at either end counts whole.
//
// The oversampling is two halving steps, each a half-band filter (every other weight 0).
// Clipped audio is dense up to 0.5 fs and its peaks between samples are made there, so the
// first step, 511 taps with a Kaiser window (beta 4), passes all but the band's last
// hundredth; the second, from twice to 4 times, needs only 15 taps (beta 4) as the first
// left nothing between 0.51 fs and 1.49 fs. Together they hold the response within
// -0.015/+0.051 dB to 0.49 fs (-0.035/+0.076 dB to 0.495 fs), are 6 dB down at 0.5 fs as
// every interpolator of sampled audio is, and keep images from 0.51 fs 49 dB down. Against
// an ideal interpolator at the same 4 times, hard-clipped white noise read up to 1.5 dB
// under with a first step of 67 taps (flat to 0.45 fs, 3.4 dB down at 0.49 fs) and reads
// within 0.05 dB with this one; clipped MP3 spots within 0.02 dB (bench_true_peak_bench).
// Each weight multiplies the sum of the two samples it weighs alike: 136 multiplications a
// sample.
//
// Each block of up to kBlockFrames frames is oversampled only when it could raise the peak
// found so far. An oversampled value is a weighted sum of the samples within the filters'
// reach, so it can't exceed the largest of them times the sum of its weights' magnitudes:
// gain(), the largest such sum over the phases of the two steps taken as one filter at 4
// times the rate, the halfway phase's 3.93 (11.9 dB), the same for twice. The long filter's
// value less the one a 67-tap first step (beta 5) gives weighs the samples by a difference
// d that is all but nil below 0.44 fs, so it is also the halved steps between successive
// samples weighed by q, d's running sums doubled, plus d's sum, 0.0006, times one sample;
// q's magnitudes sum to 1.39, and the steps of most audio are far smaller than its samples.
// So a channel's block is passed over when the largest of its samples and of those within
// reach of its values, A, and the largest step among them, S, show that the long filter's
// values can't reach the peak so far: 3.93 A, or 2.56 A + 1.39 S + 0.0006 A, under it.
// Else the short filter (25 multiplications a sample) oversamples it, and the long one runs
// only where the short one's largest value plus 1.39 S + 0.0006 A reaches the peak (all
// with allowance for the float sums' rounding). None of this changes the answer. Dense,
// clipped audio is oversampled by both filters nearly whole; music mostly by the short one
// where it is loud and the long one only near its peaks (4% of the benchmark's spots).
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
    // Frames oversampled by the long filter so far, for seeing the passing over at work.
    std::size_t framesOversampled() const { return m_oversampled; }

private:
    void takeBlock(const float* frames, std::size_t count);
    // The largest magnitude between the samples of `span`: kept samples, then `count` more.
    float betweenPeak(const float* span, std::size_t count, const float* weights, std::size_t pairs,
                      std::vector<float>& halves) const;

    unsigned m_channels;
    unsigned m_factor;
    // Samples kept before a block: those its values reach back to, and those the values
    // after the last sample of the block before it wait for.
    std::size_t m_kept = 0;
    double m_gain = 1.0;
    // The bound on a value of the long first step's less that of the short one's: these
    // times the largest step between samples and the largest sample.
    double m_slope = 0;
    double m_coarseGain = 1.0;
    double m_slack = 0;
    // Per channel, the kept samples and then the block's, one after another.
    std::vector<std::vector<float>> m_work;
    // Per channel, the largest magnitude of the samples the block's values are made of.
    std::vector<float> m_reach;
    std::vector<float> m_halves;
    double m_peak = 0;
    std::size_t m_oversampled = 0;
};

}  // namespace kalmero
