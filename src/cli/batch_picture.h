#pragma once

#include <string>
#include <vector>

#include "compiler/day_report.h"
#include "model/lists.h"

namespace kalmero {

// Draws the compiled day to `path` (.png or .pdf) with the window's drawing code, on Qt's
// offscreen platform so that no display is needed; its header names the day by `title`. Throws
// std::runtime_error with the reason when the picture can't be written or this build has no drawing
// code.
void writeDayPicture(const std::string& path, const Lista& result,
                     const std::vector<AdvertBlock>& blocks, const DayChecks& checks,
                     const DayTitle& title = {});

}  // namespace kalmero
