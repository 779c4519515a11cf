#pragma once

#include <string>
#include <vector>

#include "compiler/day_report.h"
#include "model/lists.h"

namespace kalmero {

// The batch command and its picture module hand each other C++ objects (the result list,
// the advert blocks, the day's checks, the blocks louder than their programme and the title, a
// string for the bytes): only a module built from the same sources by the same compiler may touch
// them. Raise the version whenever the drawing entry or a type it is handed changes; the stamp also
// carries the types' sizes and the compiler, so that a change nobody thought of is caught as well.
inline constexpr int kPictureAbiVersion = 2;

// The names the module exports (extern "C"): its stamp, then the drawing entry.
inline constexpr const char* kPictureAbiSymbol = "kalmeroPictureAbi";
inline constexpr const char* kRenderDayPictureSymbol = "kalmeroRenderDayPicture";

// const char* kalmeroPictureAbi(): the module's pictureAbiStamp().
using PictureAbiStamp = const char* (*)();
// Draws `kind` into `bytes`; 0 when drawn, else 1 with the reason in `error` (NUL-ended).
using RenderDayPicture = int (*)(int kind, const Lista* result,
                                 const std::vector<AdvertBlock>* blocks, const DayChecks* checks,
                                 const std::vector<RecordMark>* louderThanProgramme,
                                 const DayTitle* title, std::string* bytes, char* error,
                                 std::size_t errorSize);

// This build's stamp: "<version> <sizes of the types handed over> <compiler>".
inline std::string pictureAbiStamp() {
    return std::to_string(kPictureAbiVersion) + " " + std::to_string(sizeof(TPozycja)) + "/" +
           std::to_string(sizeof(Lista)) + "/" + std::to_string(sizeof(AdvertBlock)) + "/" +
           std::to_string(sizeof(DayChecks)) + "/" + std::to_string(sizeof(RecordMark)) + "/" +
           std::to_string(sizeof(DayTitle)) + "/" + std::to_string(sizeof(std::string)) + " " +
           __VERSION__;
}

}  // namespace kalmero
