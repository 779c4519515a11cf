#include "formats/matryca.h"

#include "formats/text_lines.h"

namespace kalmero {

std::string matrycaPath(const std::string& programFolder) { return programFolder + "matryca.dat"; }

std::vector<std::string> parseMatrixLines(std::string_view bytes) {
    std::vector<std::string> lines;
    forEachLine(bytes, [&lines](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

std::string matrixLinesText(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::vector<std::string> padMatrixLines(std::vector<std::string> lines) {
    if (lines.size() < static_cast<std::size_t>(kMatrixDays)) {
        lines.resize(kMatrixDays);
    }
    for (auto& line : lines) {
        if (line.size() < static_cast<std::size_t>(kMatrixHours)) {
            line.resize(kMatrixHours, '0');
        }
    }
    return lines;
}

MatrixGrid gridFromLines(const std::vector<std::string>& lines) {
    MatrixGrid grid{};
    for (int day = 0; day < kMatrixDays && day < static_cast<int>(lines.size()); ++day) {
        const std::string& line = lines[static_cast<std::size_t>(day)];
        for (int hour = 0; hour < kMatrixHours && hour < static_cast<int>(line.size()); ++hour) {
            grid[day][hour] = line[static_cast<std::size_t>(hour)] == '1';
        }
    }
    return grid;
}

std::string matrixFileText(const MatrixGrid& grid) {
    std::string text;
    text.reserve(static_cast<std::size_t>(kMatrixDays) * (kMatrixHours + 2));
    for (const auto& day : grid) {
        for (const bool on : day) {
            text += on ? '1' : '0';
        }
        text += "\r\n";
    }
    return text;
}

std::vector<std::string> withMatrixCell(std::vector<std::string> lines, int day, int hourIndex,
                                        bool on) {
    // Only the week's seven lines are made whole: lines after them are someone else's and
    // stay as they are until the editor closes.
    if (lines.size() < static_cast<std::size_t>(kMatrixDays)) {
        lines.resize(kMatrixDays);
    }
    for (int d = 0; d < kMatrixDays; ++d) {
        std::string& line = lines[static_cast<std::size_t>(d)];
        if (line.size() < static_cast<std::size_t>(kMatrixHours)) {
            line.resize(kMatrixHours, '0');
        }
    }
    std::string& line = lines.at(static_cast<std::size_t>(day));
    line.at(static_cast<std::size_t>(hourIndex)) = on ? '1' : '0';
    return lines;
}

}  // namespace kalmero
