#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/loudness_check.h"
#include "model/lists.h"
#include "model/spot_loudness.h"
#include "platform/copy_maker.h"
#include "session/cp1250_text.h"

namespace kalmero {

// After each spot file measured: files done and their total. May be called from other
// threads, one call at a time.
using LoudnessSteps = std::function<void(std::size_t done, std::size_t total)>;

// What measuring a list's spot files gave: per file asked, its figures (nullopt when a
// cancel left it unmeasured), and why the shared cache of measurings was bypassed or made
// anew (Polish, UTF-8; empty when it wasn't).
struct LoudnessMeasuring {
    std::vector<std::optional<SpotLoudness>> spots;
    std::string warning;
};

// Measures spot files named by Windows-1250 paths, stopping soon once `cancel` (may be null)
// turns true. Never throws for a bad file or cache.
using LoudnessMeasurer =
    std::function<LoudnessMeasuring(const std::vector<std::string>& pathsCp1250,
                                    const LoudnessSteps& steps, const std::atomic<bool>* cancel)>;

// The platform's loudness tools.
// Makes or finds one lowered copy of a spot (makeCorrectedCopy with the station's cache).
using CopyMakerTool = std::function<CopyMade(const CopyRequest&)>;

struct LoudnessTools {
    LoudnessMeasurer measure;
    // The measurer's cache file (UTF-8), which no output may name; empty when there is none.
    std::string cacheFile = {};
    // Lowered copies of loud spots; without it nothing is corrected.
    CopyMakerTool correct = {};
};

// The distinct files of a day to measure: which one each spot plays, and which one each
// playlist item the spots' blocks are compared with.
struct LoudnessPlan {
    std::vector<std::string> files;   // Windows-1250 paths, each file once
    std::vector<std::size_t> fileOf;  // per ListaLST record, an index into `files`
    // Per ListaMIX record, an index into `files`; files.size() for an item without a file
    // or not programme (an advert, a news break). Empty when the day has no spots.
    std::vector<std::size_t> itemFileOf;

    friend bool operator==(const LoudnessPlan&, const LoudnessPlan&) = default;
};

// The plan for `spots`: each spot's local file (`localPaths[i]`, UTF-8, through `encode`)
// when the measurer found one, else its path line; a spot without a path line is left out
// (fileOf holds files.size() for it). `localPaths` may be shorter than `spots`.
LoudnessPlan planLoudness(const Lista& spots, const std::vector<std::string>& localPaths,
                          const Cp1250Encoder& encode);

// Adds the playlist's programme items to `plan`, each by `localPaths[i]` (UTF-8, through
// `encode`; "" for an item whose file wasn't found). A file already planned, as a spot or
// an item, is measured once.
void planProgramme(LoudnessPlan& plan, const Lista& playlist,
                   const std::vector<std::string>& localPaths, const Cp1250Encoder& encode);

// The columns the placement report's CSV gains, after the others.
inline constexpr std::string_view kLoudnessHeader =
    "integrated (LUFS),max short-term (LUFS),true peak (dBTP),loudness reason";

// A day's loudness: each advert spot's figures and its standing against the targets, the
// relative target taken over the day's distinct files.
class DayLoudness {
public:
    DayLoudness() = default;
    DayLoudness(const LoudnessPlan& plan, const LoudnessMeasuring& measured,
                const LoudnessTargets& targets);

    // Whether figures were delivered for the list (all of them, or what a cancel left).
    bool delivered() const { return !m_fileOf.empty(); }
    // Spot `i`'s figures; null when not measured.
    const SpotLoudness* spot(std::size_t i) const;
    // Spot `i`'s verdict; a verdict with nothing to say when not measured.
    const LoudnessVerdict& verdict(std::size_t i) const;
    // ListaMIX record `i`'s figures; null when it has no file or wasn't measured.
    const SpotLoudness* item(std::size_t i) const;
    // The median of the integrated loudness of the day's spot files, each once.
    std::optional<double> median() const { return m_median; }
    // ListaLST indexes of the spots above a target, in list order.
    std::vector<std::size_t> loudSpots() const;
    // Why the shared cache was not used as it should have been (UTF-8); empty otherwise.
    const std::string& warning() const { return m_warning; }

    // Per spot in list order, the cells under kLoudnessHeader ready to follow a comma:
    // figures with a dot and one decimal, empty when not measured, then the reason (made
    // Windows-1250 with `encode`, as the rest of the CSV).
    std::vector<std::string> csvCells(std::size_t spotCount, const Cp1250Encoder& encode) const;
    // The batch summary's lines (UTF-8): each file above a target, by its first spot, with
    // its figures and why, then the silent ones, then those measured with a problem (a
    // decoded length differing from the header's, a file that can't be decoded) or with
    // silence at their start or end; "" when none. `decode` makes the spots' titles UTF-8.
    std::string summary(const Lista& spots,
                        const std::function<std::string(std::string_view)>& decode) const;

private:
    std::vector<std::optional<SpotLoudness>> m_files;
    std::vector<LoudnessVerdict> m_verdicts;  // per file
    std::vector<std::size_t> m_fileOf;
    std::vector<std::size_t> m_itemFileOf;
    std::optional<double> m_median;
    std::string m_warning;
};

// A spot's three figures as a person reads them: "-14.2 LUFS, maks. krótkoterminowa
// -9.8 LUFS, szczyt -0.4 dBTP", a missing one as "—".
std::string loudnessFiguresText(const SpotLoudness& spot);

}  // namespace kalmero
