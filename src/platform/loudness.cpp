#include "platform/loudness.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "model/bs1770.h"
#include "platform/k_weighting.h"
#include "platform/spot_decoding.h"
#include "platform/true_peak.h"

namespace kalmero {

namespace {

constexpr const char* kCantMeter = "nie można zmierzyć głośności tego formatu dźwięku";
// The formats a meter takes: as many channels as any container holds, and rates from where
// the K-weighting's shelf (1.7 kHz) still lies under half the rate to far past any studio's.
constexpr int kMostChannels = 64;
constexpr long kLowestRate = 4'000;
constexpr long kHighestRate = 2'822'400;

// Short-term loudness is sampled every kEnergyBlockMs over kShortTermBlocks blocks (3 s).
constexpr std::size_t kShortTermBlocks = 30;
// A sample's magnitude at kSilenceDbfs.
const float kSilenceLevel = static_cast<float>(std::pow(10.0, kSilenceDbfs / 20));

// A meter figure, or none for the -inf of silence.
std::optional<double> figure(double value) {
    return std::isfinite(value) ? std::optional(value) : std::nullopt;
}

// K-weights decoded audio into 100 ms energies, and samples the short-term loudness at the
// end of each, as a meter's display does.
class LoudnessMeter final : public SampleSink {
public:
    explicit LoudnessMeter(const std::atomic<bool>* cancel) : m_cancel(cancel) {}

    bool start(int channels, long rate) override {
        if (rate < kLowestRate || rate > kHighestRate || channels <= 0 ||
            channels > kMostChannels || m_weighting) {
            m_refused = true;
            return false;
        }
        m_channels = static_cast<unsigned>(channels);
        m_rate = rate;
        m_weighting.emplace(m_channels, rate);
        m_truePeak.emplace(m_channels, static_cast<unsigned long>(rate));
        m_step = std::max<std::size_t>(1, static_cast<std::size_t>(rate * kEnergyBlockMs / 1000));
        m_untilSample = m_step;
        return true;
    }

    bool take(const float* frames, std::size_t count) override {
        if (m_cancel != nullptr && m_cancel->load(std::memory_order_relaxed)) {
            return false;
        }
        m_truePeak->take(frames, count);
        findSound(frames, count);
        while (count > 0) {
            const std::size_t part = std::min(count, m_untilSample);
            m_blockSquares += m_weighting->take(frames, part);
            frames += part * m_channels;
            count -= part;
            m_untilSample -= part;
            if (m_untilSample == 0) {
                sampleShortTerm(m_blockSquares / static_cast<double>(m_step));
                m_blockSquares = 0;
                m_untilSample = m_step;
            }
        }
        return true;
    }

    // Short-term loudness is that of the last 3 s: the sum of the last thirty 100 ms blocks'
    // energies, kept running. The blocks before the start are silence, as in a meter's own
    // window.
    void sampleShortTerm(double energy) {
        m_energies.push_back(static_cast<float>(energy));
        double& oldest = m_blockEnergies[m_nextBlock];
        m_windowEnergy += energy - oldest;
        oldest = energy;
        m_nextBlock = (m_nextBlock + 1) % m_blockEnergies.size();
        if (m_windowEnergy > 0) {
            const double shortTerm =
                loudnessOf(m_windowEnergy / static_cast<double>(m_blockEnergies.size()));
            m_maxShortTerm = std::max(m_maxShortTerm, shortTerm);
        }
    }

    // Notes the first and the last frame with a sample at or above the silence level. Loud
    // audio stops both searches at once; silence costs one look at each sample.
    void findSound(const float* frames, std::size_t count) {
        const std::size_t samples = count * m_channels;
        const auto loud = [](float sample) { return std::fabs(sample) >= kSilenceLevel; };
        if (!m_firstSound) {
            const float* first = std::find_if(frames, frames + samples, loud);
            if (first != frames + samples) {
                m_firstSound = m_framesSeen + static_cast<std::size_t>(first - frames) / m_channels;
            }
        }
        if (m_firstSound) {
            const auto last = std::find_if(std::make_reverse_iterator(frames + samples),
                                           std::make_reverse_iterator(frames), loud);
            if (last.base() != frames) {
                m_lastSound =
                    m_framesSeen + static_cast<std::size_t>(last.base() - 1 - frames) / m_channels;
            }
        }
        m_framesSeen += count;
    }

    // Whether the meter itself couldn't take the audio.
    bool refused() const { return m_refused; }

    void fillFigures(SpotLoudness& loudness) {
        loudness.blockEnergies = std::move(m_energies);
        loudness.integratedLufs = gatedLoudness(loudness.blockEnergies);
        loudness.maxShortTermLufs = figure(m_maxShortTerm);
        loudness.truePeakDbtp = figure(20 * std::log10(m_truePeak ? m_truePeak->peak() : 0.0));
        const auto ms = [&](std::size_t frames) {
            return framesToMs(static_cast<std::int64_t>(frames), m_rate);
        };
        loudness.leadingSilenceMs = ms(m_firstSound.value_or(m_framesSeen));
        loudness.trailingSilenceMs =
            ms(m_firstSound ? m_framesSeen - m_lastSound - 1 : m_framesSeen);
    }

private:
    const std::atomic<bool>* m_cancel;
    std::optional<KWeighting> m_weighting;
    unsigned m_channels = 0;
    std::optional<TruePeakMeter> m_truePeak;
    long m_rate = 0;
    std::size_t m_framesSeen = 0;
    std::optional<std::size_t> m_firstSound;
    std::size_t m_lastSound = 0;
    std::size_t m_step = 1;
    std::size_t m_untilSample = 1;
    double m_blockSquares = 0;
    std::array<double, kShortTermBlocks> m_blockEnergies{};
    std::size_t m_nextBlock = 0;
    double m_windowEnergy = 0;
    std::vector<float> m_energies;
    double m_maxShortTerm = -std::numeric_limits<double>::infinity();
    bool m_refused = false;
};

}  // namespace

MeasuredSpot measureLoudness(std::string_view pathCp1250, const LoudnessSettings& settings) {
    LoudnessMeter meter(settings.cancel);
    const DecodedSpot decoded =
        decodeSpot(pathCp1250, meter, settings.header, settings.decodeLimit);
    MeasuredSpot measured;
    SpotLoudness& loudness = measured.loudness;
    loudness.header = decoded.header;
    if (decoded.file) {
        measured.identity = identityOf(pathCp1250, *decoded.file);
    }
    // A refusal of the meter's is the format's, the same every time.
    measured.lasting = measured.identity && (!decoded.cut || meter.refused());
    if (meter.refused()) {
        loudness.problem = kCantMeter;
        return measured;
    }
    if (!decoded.problem.empty()) {
        loudness.problem = decoded.problem;
        return measured;
    }
    loudness.decodedMs = framesToMs(decoded.frames, decoded.rate);
    meter.fillFigures(loudness);
    loudness.problem = lengthDisagreement(loudness.header.ms, loudness.decodedMs);
    return measured;
}

}  // namespace kalmero
