#pragma once

#include <string>

namespace kalmero {

// The folder of the running executable, ending in "/" (read from /proc/self/exe).
// Falls back to the current folder, "./", when the link can't be read.
std::string programFolder();

}  // namespace kalmero
