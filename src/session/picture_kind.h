#pragma once

#include <optional>
#include <string_view>

namespace kalmero {

// The kinds of picture of a compiled day.
enum class PictureKind { Png, Pdf };

// The kind a picture file's extension asks for (case ignored); nullopt for any other.
inline std::optional<PictureKind> pictureKindOf(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view extension = path.substr(dot + 1);
    const auto is = [extension](std::string_view lower) {
        if (extension.size() != lower.size()) {
            return false;
        }
        for (std::size_t i = 0; i < lower.size(); ++i) {
            if ((extension[i] | 0x20) != lower[i]) {
                return false;
            }
        }
        return true;
    };
    if (is("png")) {
        return PictureKind::Png;
    }
    if (is("pdf")) {
        return PictureKind::Pdf;
    }
    return std::nullopt;
}

}  // namespace kalmero
