#include "cli/batch_picture.h"

#include <dlfcn.h>

#include <array>
#include <utility>

#include "model/file_error.h"
#include "platform/program_folder.h"
#include "session/picture_abi.h"

#ifndef KALMERO_MODULES_FROM_PROGRAM
#define KALMERO_MODULES_FROM_PROGRAM "../lib/kalmero/"
#endif

namespace kalmero {

namespace {

constexpr const char* kModule = "kalmero-picture.so";

// The drawing entry of the module at `path`; nullptr, with why added to `reasons`, when there
// is none to load. A module of another build is refused: drawing with it would hand it objects
// it doesn't know. Loaded for the process's life, as Qt expects of its libraries.
RenderDayPicture openModule(const std::string& path, std::string& reasons) {
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        reasons += std::string("; ") + ::dlerror();
        return nullptr;
    }
    const auto stamp = reinterpret_cast<PictureAbiStamp>(::dlsym(module, kPictureAbiSymbol));
    const std::string theirs = stamp != nullptr ? stamp() : "brak wersji";
    if (theirs != pictureAbiStamp()) {
        throw FileError("moduł rysujący obraz dnia " + path +
                        " pochodzi z innej wersji programu (moduł: " + theirs +
                        "; program: " + pictureAbiStamp() +
                        "); zainstaluj pakiet kalmero ponownie albo zbuduj program i moduł razem");
    }
    const auto render =
        reinterpret_cast<RenderDayPicture>(::dlsym(module, kRenderDayPictureSymbol));
    if (render == nullptr) {
        reasons += "; " + path + ": brak " + kRenderDayPictureSymbol;
    }
    return render;
}

}  // namespace

PictureModule::PictureModule()
    : PictureModule(
          {programFolder() + KALMERO_MODULES_FROM_PROGRAM + kModule, programFolder() + kModule}) {}

PictureModule::PictureModule(std::vector<std::string> candidates)
    : m_candidates(std::move(candidates)) {}

std::string PictureModule::renderDayPicture(PictureKind kind, const Lista& result,
                                            const std::vector<AdvertBlock>& blocks,
                                            const DayChecks& checks,
                                            const std::vector<RecordMark>& louderThanProgramme,
                                            const DayTitle& title) {
    std::string reasons;
    for (auto path = m_candidates.begin(); m_render == nullptr && path != m_candidates.end();
         ++path) {
        m_render = openModule(*path, reasons);
    }
    if (m_render == nullptr) {
        throw FileError("nie można narysować obrazu dnia: brak modułu rysującego" + reasons);
    }
    std::array<char, 1024> error{};
    std::string bytes;
    if (m_render(static_cast<int>(kind), &result, &blocks, &checks, &louderThanProgramme, &title,
                 &bytes, error.data(), error.size()) != 0) {
        throw FileError(error.data());
    }
    return bytes;
}

}  // namespace kalmero
