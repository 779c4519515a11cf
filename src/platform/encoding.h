#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kalmero {

// Windows-1250 bytes to UTF-8, for showing file text to a person or opening a path. Bytes
// that Windows-1250 leaves undefined become U+FFFD; never fails.
std::string cp1250ToUtf8(std::string_view bytes);

// UTF-8 to Windows-1250, for storing text a person typed. nullopt when the text is not
// valid UTF-8 or holds a character Windows-1250 can't represent.
std::optional<std::string> utf8ToCp1250(std::string_view text);

// A UTF-8 path as Windows-1250 bytes for storing in a record or the configuration, or the
// bytes unchanged when they don't convert (so nothing is lost).
std::string pathToCp1250(std::string_view path);

}  // namespace kalmero
