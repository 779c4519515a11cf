#pragma once

#include <string>

namespace kalmero {

// Whether two paths name one file: the same device and inode when both exist, else the
// same path once the folder part is resolved (a file not there yet, reached two ways).
bool sameFile(const std::string& a, const std::string& b);

// A text equal for two paths that a write would put in one place: the links at the name
// followed, then the device and inode of the folder and the name in it; the absolute,
// normalised spelling where the folder is not there.
std::string resolvedFileKey(const std::string& path);

}  // namespace kalmero
