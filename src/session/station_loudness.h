#pragma once

#include "session/loudness_run.h"

namespace kalmero {

// Loudness measured on every core through the station's shared cache of measurings (opened
// once, by whichever thread first measures, and kept for the tools' life). Every session
// uses it, so the window and the night decode a file once between them.
LoudnessTools stationLoudnessTools();

}  // namespace kalmero
