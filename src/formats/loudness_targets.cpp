#include "formats/loudness_targets.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string>

#include "formats/ini_document.h"

namespace kalmero {

namespace {

constexpr std::string_view kKontrola = "Kontrola";

// The whole value as a decimal number; an operator on a Polish system may well type a
// comma for the point.
std::optional<double> parseDecimal(std::string text) {
    if (!text.empty() && text.front() == '+') {
        text.erase(0, 1);
    }
    for (char& c : text) {
        if (c == ',') {
            c = '.';
        }
    }
    double number = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number, std::chars_format::fixed);
    if (text.empty() || error != std::errc{} || stop != end || !std::isfinite(number)) {
        return std::nullopt;
    }
    return number;
}

void readTarget(const IniDocument& ini, std::string_view key, double least, double most,
                double& target) {
    const std::optional<std::string> text = ini.value(kKontrola, key);
    const std::optional<double> number = text ? parseDecimal(*text) : std::nullopt;
    if (number && *number >= least && *number <= most) {
        target = *number;
    }
}

}  // namespace

LoudnessTargets parseLoudnessTargets(std::string_view iniBytes) {
    return parseLoudnessTargets(IniDocument{std::string(iniBytes)});
}

LoudnessTargets parseLoudnessTargets(const IniDocument& ini) {
    LoudnessTargets targets;
    readTarget(ini, "MaxKrotkoterminowaLUFS", -70, 0, targets.maxShortTermLufs);
    readTarget(ini, "MaxSzczytDBTP", -70, 0, targets.maxTruePeakDbtp);
    readTarget(ini, "RoznicaLU", 0, 70, targets.aboveMedianLu);
    readTarget(ini, "MaxNadProgramLU", 0, 70, targets.maxAboveProgrammeLu);
    // Whole minutes, from a song's worth to the three hours a programme block may span.
    double minutes = targets.programmeWindowMinutes;
    readTarget(ini, "OknoProgramuMinuty", 1, kMostProgrammeWindowMinutes, minutes);
    if (minutes == std::floor(minutes)) {
        targets.programmeWindowMinutes = static_cast<int>(minutes);
    }
    readTarget(ini, "MaxCiszaSekundy", 0, 3'600, targets.maxSilenceSeconds);
    return targets;
}

}  // namespace kalmero
