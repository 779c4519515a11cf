#include "formats/text_lines.h"

#include <algorithm>

namespace kalmero {

std::size_t forEachLine(std::string_view text,
                        const std::function<void(std::string_view)>& onLine) {
    return visitLines(text, onLine);
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    visitLines(text, [&lines](std::string_view line) { lines.push_back(line); });
    return lines;
}

std::size_t countLines(std::string_view text) {
    return visitLines(text, [](std::string_view) {});
}

std::string_view cutAtNul(std::string_view text) {
    const auto nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

bool breaksLine(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool isBlankText(std::string_view text, Blanks blanks) {
    return std::all_of(text.begin(), text.end(), [blanks](char c) { return isBlank(c, blanks); });
}

}  // namespace kalmero
