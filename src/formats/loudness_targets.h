#pragma once

#include <string_view>

#include "formats/ini_document.h"
#include "model/spot_loudness.h"

namespace kalmero {

// The loudness targets in section Kontrola of kalmero.ini's bytes (Windows-1250): keys
// MaxKrotkoterminowaLUFS and MaxSzczytDBTP (-70 .. 0) and RoznicaLU (0 .. 70), decimals
// with a dot or a comma, and the comparison of advert blocks with the programme:
// MaxNadProgramLU (0 .. 70) and OknoProgramuMinuty (whole minutes, 1 ..
// kMostProgrammeWindowMinutes); MaxCiszaSekundy (0 .. 3600), the longest silence at a
// spot's start or end. A key that is missing, not a number or out of its range keeps its
// default; any bytes give targets.
inline constexpr int kMostProgrammeWindowMinutes = 180;

LoudnessTargets parseLoudnessTargets(std::string_view iniBytes);
LoudnessTargets parseLoudnessTargets(const IniDocument& ini);

}  // namespace kalmero
