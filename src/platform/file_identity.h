#pragma once

#include <string>

namespace kalmero {

// Whether two paths name one file: the same device and inode when both exist, else the
// same path once the folder part is resolved (a file not there yet, reached two ways).
bool sameFile(const std::string& a, const std::string& b);

}  // namespace kalmero
