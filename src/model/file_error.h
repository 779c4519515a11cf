#pragma once

#include <stdexcept>
#include <string>

namespace kalmero {

// A file that could not be opened, read or written. what() is the text the operator sees
// (UTF-8), e.g. `Nie można otworzyć pliku "/x/a.mix": nie ma takiego pliku ani katalogu`.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace kalmero
