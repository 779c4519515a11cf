// Makes the sample advert spots in examples/spoty/: short mono MP3 jingles synthesised
// from tones, chords, chirps and noise, so the sample day needs no audio from elsewhere.
// Usage: kalmero_make_spots [folder]   (default: examples/spoty)
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/audio_writer.h"

namespace {

constexpr int kRate = 22'050;
constexpr double kPi = 3.14159265358979323846;

double midiToHz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

class Track {
public:
    explicit Track(double seconds) : m_samples(static_cast<std::size_t>(seconds * kRate)) {}

    // A note with a few harmonics and a soft attack and release.
    void note(double start, double length, int midi, float level, int harmonics = 3) {
        const double hz = midiToHz(midi);
        addShaped(start, length, level, [&](double t) {
            double value = 0;
            for (int h = 1; h <= harmonics; ++h) {
                value += std::sin(2 * kPi * hz * h * t) / (h * h);
            }
            return value;
        });
    }

    void chord(double start, double length, std::initializer_list<int> notes, float level) {
        for (const int n : notes) {
            note(start, length, n, level / static_cast<float>(notes.size()), 4);
        }
    }

    // A tone sliding from one pitch to another.
    void chirp(double start, double length, double fromHz, double toHz, float level) {
        addShaped(start, length, level, [&](double t) {
            return std::sin(2 * kPi * (fromHz * t + (toHz - fromHz) * t * t / (2 * length)));
        });
    }

    // A drum: a falling sine for the body, a little noise for the skin.
    void drum(double start, double bodyHz, float noise, float level) {
        addShaped(start, 0.25, level, [&](double t) {
            return std::sin(2 * kPi * bodyHz * t * (1.0 - t)) * std::exp(-t * 18) +
                   noise * nextNoise() * std::exp(-t * 30);
        });
    }

    // The samples scaled so that the loudest one is at 80 % of full scale.
    std::vector<float> normalised() const {
        float peak = 0;
        for (const float s : m_samples) {
            peak = std::max(peak, std::abs(s));
        }
        std::vector<float> out = m_samples;
        for (float& s : out) {
            s = peak > 0 ? s * 0.8f / peak : 0;
        }
        return out;
    }
    double seconds() const { return static_cast<double>(m_samples.size()) / kRate; }

private:
    template <typename Wave>
    void addShaped(double start, double length, float level, Wave wave) {
        const auto first = static_cast<std::size_t>(start * kRate);
        const auto count = static_cast<std::size_t>(length * kRate);
        const double fade = std::min(0.02, length / 4);
        for (std::size_t i = 0; i < count && first + i < m_samples.size(); ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double envelope = std::min({1.0, t / fade, (length - t) / fade});
            m_samples[first + i] += static_cast<float>(level * envelope * wave(t));
        }
    }

    // A fixed-seed generator, so the files come out the same on every machine.
    double nextNoise() {
        m_seed = m_seed * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(m_seed >> 11) / static_cast<double>(1ULL << 53) * 2 - 1;
    }

    std::vector<float> m_samples;
    std::uint64_t m_seed = 2024;
};

// A tarantella over a steady beat.
Track pizzeria() {
    Track t(15);
    const int melody[] = {76, 74, 72, 74, 76, 76, 76, 74, 74, 74, 76, 79, 79};
    for (int bar = 0; bar < 2; ++bar) {
        for (int i = 0; i < 13; ++i) {
            t.note(0.5 + bar * 6.5 + i * 0.45, 0.4, melody[i], 0.35f);
        }
    }
    for (double b = 0; b < 14; b += 0.9) {
        t.drum(b, 90, 0.2f, 0.5f);
        t.chord(b + 0.45, 0.4, {57, 60, 64}, 0.3f);
    }
    t.chord(13.6, 1.3, {60, 64, 67, 72}, 0.5f);
    return t;
}

// Slow warm chords for a furniture shop.
Track salonMeblowy() {
    Track t(20);
    const std::initializer_list<int> chords[] = {
        {48, 55, 64, 67}, {45, 52, 60, 64}, {41, 48, 57, 60}, {43, 50, 59, 62}};
    for (int i = 0; i < 5; ++i) {
        t.chord(i * 4.0, 3.9, chords[i % 4], 0.55f);
    }
    return t;
}

// Bright bells for a bakery.
Track piekarnia() {
    Track t(10);
    const int bells[] = {84, 88, 91, 96, 91, 88, 84, 79};
    for (int i = 0; i < 16; ++i) {
        t.note(i * 0.55, 0.9, bells[i % 8], 0.3f, 6);
    }
    t.chord(8.8, 1.2, {72, 76, 79, 84}, 0.4f);
    return t;
}

// Engine-like chirps and a workshop rhythm for a garage.
Track warsztat() {
    Track t(12);
    for (double s = 0; s < 11; s += 1.5) {
        t.chirp(s, 0.7, 120, 480, 0.35f);
        t.drum(s + 0.75, 70, 0.6f, 0.5f);
        t.drum(s + 1.1, 140, 0.8f, 0.35f);
    }
    t.chord(11, 1.0, {40, 47, 52}, 0.5f);
    return t;
}

// A calm two-tone chime for a chemist's.
Track apteka() {
    Track t(8);
    for (int i = 0; i < 4; ++i) {
        t.note(i * 1.8, 1.6, 79, 0.3f, 2);
        t.note(i * 1.8 + 0.6, 1.0, 74, 0.25f, 2);
    }
    return t;
}

// A brass-like fanfare for a cinema.
Track kino() {
    Track t(30);
    const int fanfare[] = {60, 67, 72, 72, 76, 79, 76, 72, 67, 72, 79, 84};
    for (int round = 0; round < 3; ++round) {
        const double base = round * 9.5;
        for (int i = 0; i < 12; ++i) {
            t.note(base + i * 0.6, 0.55, fanfare[i] + round * 2, 0.4f, 7);
        }
        t.chord(base + 7.3, 2.0, {48 + round * 2, 55 + round * 2, 64 + round * 2}, 0.5f);
        for (double d = base; d < base + 9; d += 0.6) {
            t.drum(d, 60, 0.3f, 0.3f);
        }
    }
    t.chord(28.5, 1.4, {53, 60, 65, 69}, 0.6f);
    return t;
}

// Rising sweeps over pads for a travel agency.
Track biuroPodrozy() {
    Track t(25);
    for (int i = 0; i < 6; ++i) {
        t.chord(i * 4.0, 4.2, {50 + i, 57 + i, 62 + i}, 0.4f);
        t.chirp(i * 4.0 + 1, 2.5, 400, 1200, 0.12f);
    }
    t.note(24, 1.0, 86, 0.3f, 5);
    return t;
}

// A short bookshop ident.
Track ksiegarnia() {
    Track t(5);
    const int phrase[] = {67, 71, 74, 79, 78, 79};
    for (int i = 0; i < 6; ++i) {
        t.note(i * 0.5, 0.45, phrase[i], 0.35f, 3);
    }
    t.chord(3.1, 1.8, {55, 62, 67, 71}, 0.45f);
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path folder = argc > 1 ? argv[1] : "examples/spoty";
    const std::pair<const char*, Track> spots[] = {
        {"pizzeria.mp3", pizzeria()},
        {"salon_meblowy.mp3", salonMeblowy()},
        {"piekarnia.mp3", piekarnia()},
        {"warsztat.mp3", warsztat()},
        {"apteka.mp3", apteka()},
        {"kino.mp3", kino()},
        {"biuro_podrozy.mp3", biuroPodrozy()},
        {"ksi\xC4\x99garnia.mp3", ksiegarnia()},  // a Polish letter in the file name
    };
    try {
        std::filesystem::create_directories(folder);
        for (const auto& [name, track] : spots) {
            const std::string path = (folder / name).string();
            kalmero::writeAudioFile(path, kalmero::AudioKind::Mp3, kRate, track.normalised(), 0.1);
            std::printf("%s  %.1f s\n", path.c_str(), track.seconds());
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
