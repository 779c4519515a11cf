#pragma once

#include "session/loudness_run.h"

namespace kalmero {

// Loudness measured on every core through the station's shared cache of measurings
// (opened when first needed, kept for the tools' life), paths converted for the session.
// Both front ends use it, so the window and the batch command on one account decode a spot
// once between them (the night's service keeps its own, XDG_CACHE_HOME of its cache folder).
LoudnessTools stationLoudnessTools();

}  // namespace kalmero
