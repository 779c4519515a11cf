#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kalmero {

// Windows-1250 bytes to UTF-8: a folder setting to a path the file system takes, the report
// to the text a person's spreadsheet opens.
using Cp1250Decoder = std::function<std::string(std::string_view cp1250)>;

// UTF-8 to Windows-1250, bytes that don't convert kept as they are: a measuring problem and
// the local path tried, for the placement report's Windows-1250 text.
using Cp1250Encoder = std::function<std::string(std::string_view utf8)>;

}  // namespace kalmero
