#pragma once

namespace kalmero {

// Exit codes of the batch command.
inline constexpr int kExitWritten = 0;
inline constexpr int kExitFileError = 1;
inline constexpr int kExitUsage = 2;
// Written, but a booked spot did not air exactly once with a measured length.
inline constexpr int kExitUnaccounted = 3;

// Runs the batch command on a command line: reads the playlist and the advert list,
// compiles with the settings of the command line over those of the configuration, writes
// the result atomically, and reports on stderr. Returns the exit code.
int runBatch(int argc, const char* const* argv);

}  // namespace kalmero
