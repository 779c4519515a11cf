#pragma once

#include <QFont>

namespace kalmero {

// Tahoma at 11 pixels, the font all three windows are laid out for. Debian's fonts-wine
// keeps its Tahoma outside the system font folders, so it is loaded from there; without
// it the system's sans serif at the same size stands in.
QFont windowFont();

}  // namespace kalmero
