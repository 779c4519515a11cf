#pragma once

#include <string_view>

#include "model/spot_loudness.h"

namespace kalmero {

// The loudness targets in section Kontrola of kalmero.ini's bytes (Windows-1250): keys
// MaxKrotkoterminowaLUFS and MaxSzczytDBTP (-70 .. 0), RoznicaLU (0 .. 70) and
// MaxCiszaSekundy (0 .. 3600), decimals with a dot or a comma. A key that is missing, not a number or out of its range keeps its
// default; any bytes give targets.
LoudnessTargets parseLoudnessTargets(std::string_view iniBytes);

}  // namespace kalmero
