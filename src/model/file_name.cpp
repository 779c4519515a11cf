#include "model/file_name.h"

namespace kalmero {

std::string_view audioFileTitle(std::string_view path) {
    const auto separator = path.find_last_of("\\/:");
    std::string_view name = separator == std::string_view::npos ? path : path.substr(separator + 1);
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

}  // namespace kalmero
