#pragma once

#include "session/loudness_run.h"

namespace kalmero {

// Loudness measured on every core through the station's shared cache of measurings (opened
// once, by whichever thread first measures, and kept for the tools' life). Every session
// uses it, so the window and the batch command on one account decode a file once between
// them (the night's service keeps its own, XDG_CACHE_HOME of its cache folder).
LoudnessTools stationLoudnessTools();

}  // namespace kalmero
