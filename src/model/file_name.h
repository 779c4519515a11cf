#pragma once

#include <string_view>

namespace kalmero {

// The name of an audio file as records show it: the text of a path after its last "\",
// "/" or ":" (paths come from Windows machines as well as ours), less its last extension
// (from the last "." of that name on). Bytes in, bytes out; a view into `path`.
std::string_view audioFileTitle(std::string_view path);

}  // namespace kalmero
