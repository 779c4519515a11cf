#pragma once

#include <string>
#include <vector>

#include "session/session.h"

namespace kalmero {

// Draws the compiled day with the window's drawing code, loaded as a module when the first
// picture is asked for, on Qt's offscreen platform so that no display is needed. Throws
// FileError with the reason when the picture can't be drawn or this build has no drawing
// code.
class PictureModule : public DayPictureWriter {
public:
    std::string renderDayPicture(PictureKind kind, const Lista& result,
                                 const std::vector<AdvertBlock>& blocks, const DayChecks& checks,
                                 const DayTitle& title) override;
};

}  // namespace kalmero
