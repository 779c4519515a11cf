#pragma once

#include <string>
#include <vector>

#include "session/picture_abi.h"
#include "session/session.h"

namespace kalmero {

// Draws the compiled day with the window's drawing code, loaded as a module when the first
// picture is asked for, on Qt's offscreen platform so that no display is needed. Throws
// FileError with the reason when the picture can't be drawn, this build has no drawing code,
// or the module found is of another build (refused before it draws anything).
class PictureModule : public DayPictureWriter {
public:
    // The module installed with the program, else the one beside it (the build tree).
    PictureModule();
    // The first of `candidates` (paths) there is.
    explicit PictureModule(std::vector<std::string> candidates);

    std::string renderDayPicture(PictureKind kind, const Lista& result,
                                 const std::vector<AdvertBlock>& blocks, const DayChecks& checks,
                                 const std::vector<RecordMark>& louderThanProgramme,
                                 const DayTitle& title) override;

private:
    std::vector<std::string> m_candidates;
    RenderDayPicture m_render = nullptr;
};

}  // namespace kalmero
