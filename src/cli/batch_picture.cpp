#include "cli/batch_picture.h"

#include <dlfcn.h>

#include <array>

#include "model/file_error.h"
#include "platform/program_folder.h"

#ifndef KALMERO_MODULES_FROM_PROGRAM
#define KALMERO_MODULES_FROM_PROGRAM "../lib/kalmero/"
#endif

namespace kalmero {

namespace {

using RenderDayPicture = int (*)(int, const Lista*, const std::vector<AdvertBlock>*,
                                 const DayChecks*, const DayTitle*, std::string*, char*,
                                 std::size_t);

constexpr const char* kModule = "kalmero-picture.so";

// The drawing module: beside the program in the build tree, in the library folder when
// installed.
RenderDayPicture loadModule() {
    static RenderDayPicture render = nullptr;
    if (render != nullptr) {
        return render;
    }
    const std::string folder = programFolder();
    std::string reasons;
    for (const std::string& path :
         {folder + kModule, folder + KALMERO_MODULES_FROM_PROGRAM + kModule}) {
        void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr) {
            reasons += std::string("; ") + ::dlerror();
            continue;
        }
        render = reinterpret_cast<RenderDayPicture>(::dlsym(module, "kalmeroRenderDayPicture"));
        if (render != nullptr) {
            return render;
        }
    }
    throw FileError("cannot draw the day's picture: no drawing module" + reasons);
}

}  // namespace

std::string PictureModule::renderDayPicture(PictureKind kind, const Lista& result,
                                            const std::vector<AdvertBlock>& blocks,
                                            const DayChecks& checks, const DayTitle& title) {
    const RenderDayPicture render = loadModule();
    std::array<char, 1024> error{};
    std::string bytes;
    if (render(static_cast<int>(kind), &result, &blocks, &checks, &title, &bytes, error.data(),
               error.size()) != 0) {
        throw FileError(error.data());
    }
    return bytes;
}

}  // namespace kalmero
