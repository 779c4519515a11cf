#include "session/corrections.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "compiler/compiler.h"
#include "compiler/loudness_check.h"
#include "compiler/loudness_gain.h"
#include "compiler/placement_report.h"
#include "formats/lst_file.h"

namespace kalmero {

namespace {

int tenths(double gainDb) { return static_cast<int>(std::lround(gainDb * 10)); }

// The most a block a step or two over its limit after encoding is lowered further.
constexpr double kMostFurtherDb = 3.0;

// Where a path's last component starts, for Windows ("\", ":") and local ("/") paths alike.
std::size_t nameStart(std::string_view path) {
    const std::size_t slash = path.find_last_of("\\/:");
    return slash == std::string_view::npos ? 0 : slash + 1;
}

std::string joined(std::string_view folder, std::string_view name, char separator) {
    std::string path(folder);
    if (!path.empty() && path.back() != '\\' && path.back() != '/') {
        path += separator;
    }
    return path + std::string(name);
}

// The blocks of the day with a programme figure, by their spots in the advert list.
std::vector<BlockToLower> blocksToLower(const DayToCorrect& day) {
    std::vector<BlockToLower> blocks;
    for (const BlockAgainstProgramme& comparison : day.programme) {
        BlockToLower block{{}, comparison.programmeLufs};
        for (const std::size_t r : comparison.spots) {
            if (r < day.origins.size() && day.origins[r] < day.spots.size()) {
                block.spots.push_back(day.origins[r]);
            }
        }
        blocks.push_back(std::move(block));
    }
    return blocks;
}

std::string withComma(double figure) {
    std::string text = formatLoudnessFigure(figure);
    std::replace(text.begin(), text.end(), '.', ',');
    return text;
}

std::string copyFailureText(CopyFailure failure) {
    switch (failure) {
        case CopyFailure::SourceUnreadable:
            return "nie można odczytać oryginału";
        case CopyFailure::Unsupported:
            return "tego formatu nie da się zapisać";
        case CopyFailure::Encoding:
            return "koder odmówił";
        case CopyFailure::NameTaken:
            return "nazwa kopii zajęta, nic nie nadpisano";
        case CopyFailure::Writing:
            return "nie można zapisać kopii";
        case CopyFailure::None:
            break;
    }
    return {};
}

}  // namespace

std::string correctedName(std::string_view name, double gainDb) {
    const std::size_t dot = name.find_last_of('.');
    const std::string_view stem = dot == std::string_view::npos ? name : name.substr(0, dot);
    const std::string_view extension =
        dot == std::string_view::npos ? std::string_view() : name.substr(dot);
    return std::string(stem) + ".-" + formatLoudnessFigure(gainDb) + "dB" + std::string(extension);
}

std::vector<SpotCorrection> correctDay(const DayToCorrect& day, const CopyMakerTool& make,
                                       const std::function<std::string(std::string_view)>& decode) {
    const std::size_t count = day.spots.size();
    std::vector<const SpotLoudness*> figures(count, nullptr);
    for (std::size_t i = 0; i < count; ++i) {
        if (i < day.measures.size() && !day.measures[i].localPath.empty()) {
            figures[i] = day.loudness.spot(i);
        }
    }
    const std::vector<BlockToLower> blocks = blocksToLower(day);
    const std::optional<double> median = day.loudness.median();
    const std::vector<double> gains = attenuations(figures, blocks, median, day.targets);
    const std::string folder = decode(day.settings.folder);

    std::vector<SpotCorrection> corrections(count);
    std::vector<const SpotLoudness*> lowered(count, nullptr);
    // One copy per file and gain, however many bookings air it.
    std::map<std::pair<std::string, int>, CopyMade> made;
    // Spot i's copy at `gainDb`, made or found, and whether it may air.
    const auto correctAt = [&](std::size_t i, double gainDb) {
        SpotCorrection& correction = corrections[i];
        correction = SpotCorrection{};
        correction.gainDb = gains[i];
        lowered[i] = nullptr;
        const std::string& local = day.measures[i].localPath;
        const std::string_view line = day.spots[i].value(Field::Adr);
        const auto lineFor = [&](double gain) {
            const std::string name = correctedName(line.substr(nameStart(line)), gain);
            return day.settings.playoutFolder.empty()
                       ? std::string(line.substr(0, nameStart(line))) + name
                       : joined(day.settings.playoutFolder, name, '\\');
        };
        const auto targetFor = [&folder, local](double gain) {
            const std::string name =
                correctedName(std::string_view(local).substr(nameStart(local)), gain);
            return folder.empty() ? local.substr(0, nameStart(local)) + name
                                  : joined(folder, name, '/');
        };
        // A line the field can't hold would air the original's cut name: nothing is made.
        const std::string firstLine = lineFor(gainDb);
        if (firstLine.size() > kLstPathKept) {
            correction.problem = CorrectionProblem::PathTooLong;
            correction.lineLength = firstLine.size();
            return;
        }
        auto copy = made.find({local, tenths(gainDb)});
        if (copy == made.end()) {
            CopyRequest request{local, gainDb, targetFor, [&](const SpotLoudness& measured) {
                                    return attenuationNeeded(measured, median, day.targets);
                                }};
            copy = made.emplace(std::make_pair(local, tenths(gainDb)), make(request)).first;
        }
        const CopyMade& result = copy->second;
        if (result.written.failure != CopyFailure::None) {
            correction.problem = CorrectionProblem::CopyNotMade;
            correction.copyFailure = result.written.failure;
            correction.reason = result.written.reason;
            return;
        }
        correction.copy = result.target;
        correction.copyGainDb = result.gainDb;
        correction.copyLine = lineFor(result.gainDb);
        correction.reused = result.reused;
        const SpotLoudness& copyFigures = *result.loudness;
        correction.copyMs = copyFigures.decodedMs;
        if (!copyFigures.problem.empty() || copyFigures.decodedMs <= 0) {
            correction.problem = CorrectionProblem::CopyNotMeasured;
            correction.reason = copyFigures.problem;
        } else if (const double short_ = attenuationNeeded(copyFigures, median, day.targets);
                   short_ > 0) {
            correction.problem = CorrectionProblem::CopyStillLoud;
            correction.stillShortDb = short_;
        } else if (correction.copyLine.size() > kLstPathKept) {
            correction.problem = CorrectionProblem::PathTooLong;
            correction.lineLength = correction.copyLine.size();
        } else {
            correction.used = true;
            lowered[i] = &copyFigures;
        }
    };
    for (std::size_t i = 0; i < count; ++i) {
        corrections[i].gainDb = gains[i];
        if (gains[i] > 0) {
            correctAt(i, gains[i]);
        }
    }
    // Each block as it would air with the copies that passed. An encoder may leave it a step
    // or two over: its copies are made once more, lowered by that much more; over its limit
    // still, it airs as it was.
    const auto above = [&](const BlockToLower& block) {
        std::vector<const SpotLoudness*> aired = figures;
        for (const std::size_t s : block.spots) {
            if (lowered[s] != nullptr) {
                aired[s] = lowered[s];
            }
        }
        return aboveProgramme(aired, block);
    };
    const double limit = day.targets.maxAboveProgrammeLu + 1e-6;
    for (const BlockToLower& block : blocks) {
        std::optional<double> over = above(block);
        if (!over || *over <= limit) {
            continue;
        }
        if (const double further = std::ceil((*over - limit) * 10) / 10;
            further <= kMostFurtherDb) {
            for (const std::size_t s : block.spots) {
                if (corrections[s].used) {
                    correctAt(s, corrections[s].copyGainDb + further);
                }
            }
            over = above(block);
        }
        if (!over || *over <= limit) {
            continue;
        }
        for (const std::size_t s : block.spots) {
            if (corrections[s].gainDb > 0 && corrections[s].problem == CorrectionProblem::None) {
                corrections[s].used = false;
                corrections[s].problem = CorrectionProblem::BlockStillLoud;
                corrections[s].blockAboveLu = over;
            }
        }
    }
    return corrections;
}

void airCopies(const std::vector<SpotCorrection>& corrections, Lista& spots,
               std::vector<SpotMeasure>& measures) {
    for (std::size_t i = 0; i < corrections.size() && i < spots.size(); ++i) {
        const SpotCorrection& correction = corrections[i];
        if (!correction.used) {
            continue;
        }
        playOtherFile(spots[i], correction.copyLine, correction.copyMs);
        if (i < measures.size()) {
            measures[i].ms = correction.copyMs;
            measures[i].localPath = correction.copy;
        }
    }
}

std::string correctionText(const SpotCorrection& correction) {
    const std::string name =
        std::string(std::string_view(correction.copy).substr(nameStart(correction.copy)));
    switch (correction.problem) {
        case CorrectionProblem::None:
            if (!correction.used) {
                return {};
            }
            return "obniżony o " + withComma(correction.copyGainDb) + " dB: " + name +
                   (correction.reused ? " (kopia z poprzedniego przebiegu)" : "");
        case CorrectionProblem::CopyNotMade:
            return "nie poprawiony (potrzeba -" + withComma(correction.gainDb) +
                   " dB): " + copyFailureText(correction.copyFailure) +
                   (correction.reason.empty() ? "" : " (" + correction.reason + ")");
        case CorrectionProblem::CopyNotMeasured:
            return "nie poprawiony: kopii " + name + " nie można zmierzyć (" + correction.reason +
                   ")";
        case CorrectionProblem::CopyStillLoud:
            return "nie poprawiony: kopia " + name + " wciąż za głośna o " +
                   withComma(correction.stillShortDb) + " dB";
        case CorrectionProblem::BlockStillLoud:
            return "nie poprawiony: blok z kopiami wciąż głośniejszy od programu o " +
                   withComma(correction.blockAboveLu.value_or(0)) + " LU";
        case CorrectionProblem::PathTooLong:
            return "nie poprawiony: ścieżka kopii miałaby " +
                   std::to_string(correction.lineLength) + " bajtów, pole mieści " +
                   std::to_string(kLstPathKept);
    }
    return {};
}

std::string correctionSummary(const std::vector<SpotCorrection>& corrections, const Lista& spots,
                              const std::function<std::string(std::string_view)>& decode) {
    std::string corrected;
    std::string left;
    std::size_t correctedCount = 0;
    std::size_t leftCount = 0;
    for (std::size_t i = 0; i < corrections.size() && i < spots.size(); ++i) {
        const std::string text = correctionText(corrections[i]);
        if (text.empty()) {
            continue;
        }
        const std::string line = "  Spot " + decode(spots[i].value(Field::Emi)) + " " +
                                 decode(spots[i].value(Field::Tyt)) + ": " + text + "\n";
        (corrections[i].used ? corrected : left) += line;
        ++(corrections[i].used ? correctedCount : leftCount);
    }
    std::string text;
    if (correctedCount > 0) {
        text += "Poprawione spoty: " + std::to_string(correctedCount) + "\n" + corrected;
    }
    if (leftCount > 0) {
        text += "Spoty niepoprawione: " + std::to_string(leftCount) + "\n" + left;
    }
    return text;
}

std::vector<std::string> correctionCells(const std::vector<SpotCorrection>& corrections,
                                         std::size_t spotCount, const Cp1250Encoder& encode) {
    std::vector<std::string> cells(spotCount, ",,");
    for (std::size_t i = 0; i < corrections.size() && i < spotCount; ++i) {
        const SpotCorrection& correction = corrections[i];
        if (correction.used) {
            cells[i] = "-" + formatLoudnessFigure(correction.copyGainDb) + "," +
                       PlacementReport::csvField(correction.copyLine) + ",";
        } else if (correction.gainDb > 0) {
            cells[i] = ",," + PlacementReport::csvField(encode(correctionText(correction)));
        }
    }
    return cells;
}

}  // namespace kalmero
