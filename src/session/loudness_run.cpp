#include "session/loudness_run.h"

#include <array>
#include <limits>
#include <unordered_map>
#include <utility>

#include "compiler/placement_report.h"
#include "compiler/programme_check.h"

namespace kalmero {

namespace {

const LoudnessVerdict kNoVerdict;
constexpr std::size_t kNoFile = std::numeric_limits<std::size_t>::max();

std::string figureOrDash(std::optional<double> figure) {
    const std::string text = formatLoudnessFigure(figure);
    return text.empty() ? "—" : text;
}

}  // namespace

LoudnessPlan planLoudness(const Lista& spots, const std::vector<std::string>& localPaths,
                          const Cp1250Encoder& encode) {
    LoudnessPlan plan;
    plan.fileOf.reserve(spots.size());
    std::unordered_map<std::string, std::size_t> known;
    for (std::size_t i = 0; i < spots.size(); ++i) {
        std::string file = std::string(spots[i].value(Field::Adr));
        if (i < localPaths.size() && !localPaths[i].empty()) {
            file = encode ? encode(localPaths[i]) : localPaths[i];
        }
        if (file.empty()) {
            plan.fileOf.push_back(kNoFile);
            continue;
        }
        const auto [where, added] = known.emplace(std::move(file), plan.files.size());
        if (added) {
            plan.files.push_back(where->first);
        }
        plan.fileOf.push_back(where->second);
    }
    // Spots without a file point past the list of files, whatever its final size.
    for (std::size_t& file : plan.fileOf) {
        file = file == kNoFile ? plan.files.size() : file;
    }
    return plan;
}

void planProgramme(LoudnessPlan& plan, const Lista& playlist,
                   const std::vector<std::string>& localPaths, const Cp1250Encoder& encode) {
    const std::size_t spotFiles = plan.files.size();
    std::unordered_map<std::string, std::size_t> known;
    for (std::size_t f = 0; f < spotFiles; ++f) {
        known.emplace(plan.files[f], f);
    }
    std::vector<std::size_t> itemFileOf;
    itemFileOf.reserve(playlist.size());
    for (std::size_t i = 0; i < playlist.size(); ++i) {
        if (i >= localPaths.size() || localPaths[i].empty() || !isProgrammeItem(playlist[i])) {
            itemFileOf.push_back(kNoFile);
            continue;
        }
        std::string file = encode ? encode(localPaths[i]) : localPaths[i];
        const auto [where, added] = known.emplace(std::move(file), plan.files.size());
        if (added) {
            plan.files.push_back(where->first);
        }
        itemFileOf.push_back(where->second);
    }
    for (std::size_t& file : itemFileOf) {
        file = file == kNoFile ? plan.files.size() : file;
    }
    // The spots' "no file" points past the files too, whatever their final number.
    for (std::size_t& file : plan.fileOf) {
        file = file == spotFiles ? plan.files.size() : file;
    }
    plan.itemFileOf = std::move(itemFileOf);
}

DayLoudness::DayLoudness(const LoudnessPlan& plan, const LoudnessMeasuring& measured,
                         const LoudnessTargets& targets)
    : m_files(measured.spots),
      m_fileOf(plan.fileOf),
      m_itemFileOf(plan.itemFileOf),
      m_warning(measured.warning) {
    m_files.resize(plan.files.size());
    // The day's median is that of its spots' files, each counted once however often it airs;
    // the programme's songs are no spots.
    std::vector<bool> spotFile(m_files.size(), false);
    for (const std::size_t f : m_fileOf) {
        if (f < spotFile.size()) {
            spotFile[f] = true;
        }
    }
    std::vector<SpotLoudness> known;
    std::vector<std::size_t> knownFile;
    for (std::size_t f = 0; f < m_files.size(); ++f) {
        if (m_files[f] && spotFile[f]) {
            known.push_back(*m_files[f]);
            knownFile.push_back(f);
        }
    }
    m_verdicts.resize(m_files.size());
    m_median = medianIntegratedLufs(known);
    std::vector<LoudnessVerdict> verdicts = checkLoudness(known, targets);
    for (std::size_t k = 0; k < verdicts.size(); ++k) {
        m_verdicts[knownFile[k]] = std::move(verdicts[k]);
    }
}

const SpotLoudness* DayLoudness::spot(std::size_t i) const {
    if (i >= m_fileOf.size() || m_fileOf[i] >= m_files.size() || !m_files[m_fileOf[i]]) {
        return nullptr;
    }
    return &*m_files[m_fileOf[i]];
}

const SpotLoudness* DayLoudness::item(std::size_t i) const {
    if (i >= m_itemFileOf.size() || m_itemFileOf[i] >= m_files.size() ||
        !m_files[m_itemFileOf[i]]) {
        return nullptr;
    }
    return &*m_files[m_itemFileOf[i]];
}

const LoudnessVerdict& DayLoudness::verdict(std::size_t i) const {
    return spot(i) == nullptr ? kNoVerdict : m_verdicts[m_fileOf[i]];
}

std::vector<std::size_t> DayLoudness::loudSpots() const {
    std::vector<std::size_t> loud;
    for (std::size_t i = 0; i < m_fileOf.size(); ++i) {
        if (verdict(i).tooLoud) {
            loud.push_back(i);
        }
    }
    return loud;
}

std::vector<std::string> DayLoudness::csvCells(std::size_t spotCount,
                                               const Cp1250Encoder& encode) const {
    std::vector<std::string> cells;
    cells.reserve(spotCount);
    for (std::size_t i = 0; i < spotCount; ++i) {
        const SpotLoudness* figures = spot(i);
        if (figures == nullptr) {
            cells.emplace_back(",,,");
            continue;
        }
        const std::string& reason = verdict(i).reason;
        cells.push_back(formatLoudnessFigure(figures->integratedLufs) + "," +
                        formatLoudnessFigure(figures->maxShortTermLufs) + "," +
                        formatLoudnessFigure(figures->truePeakDbtp) + "," +
                        PlacementReport::csvField(encode ? encode(reason) : reason));
    }
    return cells;
}

std::string DayLoudness::summary(const Lista& spots,
                                 const std::function<std::string(std::string_view)>& decode) const {
    // Each file once, by its first spot: a loud file airing all day is one thing to mend.
    // Loud files first, then silent ones (dead air), then the rest: a measuring problem, or
    // silence at a spot's start or end.
    const std::array<const char*, 3> headings = {
        "Spoty za głośne: ", "Spoty bez dźwięku (cisza, nie do nadania): ",
        "Spoty z problemem pomiaru głośności albo z ciszą na początku lub końcu: "};
    std::array<std::string, 3> lines;
    std::array<std::size_t, 3> counts{};
    std::vector<bool> named(m_files.size(), false);
    for (std::size_t i = 0; i < m_fileOf.size() && i < spots.size(); ++i) {
        const SpotLoudness* figures = spot(i);
        if (figures == nullptr || named[m_fileOf[i]] || verdict(i).reason.empty()) {
            continue;
        }
        named[m_fileOf[i]] = true;
        const std::size_t kind = verdict(i).tooLoud ? 0 : verdict(i).silent ? 1 : 2;
        if (++counts[kind] > PlacementReport::kSummaryLines) {
            continue;
        }
        const TPozycja& record = spots[i];
        const auto text = [&](Field field) {
            const std::string_view value = record.value(field);
            return decode ? decode(value) : std::string(value);
        };
        lines[kind] += "  " + text(Field::Emi) + "  " + text(Field::Tyt) + "  " +
                       loudnessFiguresText(*figures) + "  (" + verdict(i).reason + ")\n";
    }
    std::string text;
    for (std::size_t kind = 0; kind < headings.size(); ++kind) {
        if (counts[kind] == 0) {
            continue;
        }
        text += headings[kind] + std::to_string(counts[kind]) + "\n" + lines[kind];
        if (counts[kind] > PlacementReport::kSummaryLines) {
            text += "  ... i " + std::to_string(counts[kind] - PlacementReport::kSummaryLines) +
                    " więcej\n";
        }
    }
    return text;
}

std::string loudnessFiguresText(const SpotLoudness& spot) {
    return figureOrDash(spot.integratedLufs) + " LUFS, maks. krótkoterminowa " +
           figureOrDash(spot.maxShortTermLufs) + " LUFS, szczyt " +
           figureOrDash(spot.truePeakDbtp) + " dBTP";
}

}  // namespace kalmero
