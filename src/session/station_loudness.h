#pragma once

#include "session/loudness_run.h"

namespace kalmero {

// Loudness measured on every core through the station's shared cache of measurings (made
// once for the process, by whichever thread first measures). Every session uses it, so the
// window and the batch command on one account decode a file once between them (the night's
// service keeps its own, XDG_CACHE_HOME of its cache folder).
LoudnessTools stationLoudnessTools();

}  // namespace kalmero
