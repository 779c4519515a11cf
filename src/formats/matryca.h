#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kalmero {

inline constexpr int kMatrixDays = 7;
inline constexpr int kMatrixHours = 17;  // 06:00 .. 22:00
inline constexpr int kFirstMatrixHour = 6;

using MatrixGrid = std::array<std::array<bool, kMatrixHours>, kMatrixDays>;

// "matryca.dat" in the given folder (which ends in "/").
std::string matrycaPath(const std::string& programFolder);

// The matrix text's lines (CR LF, LF or CR ends), bytes as stored.
std::vector<std::string> parseMatrixLines(std::string_view bytes);

// The file text of `lines`, each ended by CR LF.
std::string matrixLinesText(const std::vector<std::string>& lines);

// Lines made whole for the editor: at least 7 lines, each at least 17 characters, the
// missing places filled with "0". Longer lines and extra lines are kept.
std::vector<std::string> padMatrixLines(std::vector<std::string> lines);

// The grid as the editor shows it: a cell is on where its character is "1".
MatrixGrid gridFromLines(const std::vector<std::string>& lines);

// The whole save: 7 lines of 17 "0"/"1" characters, CR LF after each (133 bytes).
std::string matrixFileText(const MatrixGrid& grid);

// The one-cell update of the file's lines: the week's seven lines padded as padMatrixLines
// does (lines after them kept as they are), character `hourIndex` of line `day` set to "1"
// or "0".
std::vector<std::string> withMatrixCell(std::vector<std::string> lines, int day, int hourIndex,
                                        bool on);

}  // namespace kalmero
