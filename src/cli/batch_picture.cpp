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

using WriteDayPicture = int (*)(const char*, const Lista*, const std::vector<AdvertBlock>*,
                                const DayChecks*, const DayTitle*, char*, std::size_t);

constexpr const char* kModule = "kalmero-picture.so";

// The drawing module: beside the program in the build tree, in the library folder when
// installed.
WriteDayPicture loadModule() {
    static WriteDayPicture write = nullptr;
    if (write != nullptr) {
        return write;
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
        write = reinterpret_cast<WriteDayPicture>(::dlsym(module, "kalmeroWriteDayPicture"));
        if (write != nullptr) {
            return write;
        }
    }
    throw FileError("cannot draw the day's picture: no drawing module" + reasons);
}

}  // namespace

void PictureModule::writeDayPicture(const std::string& path, const Lista& result,
                                    const std::vector<AdvertBlock>& blocks, const DayChecks& checks,
                                    const DayTitle& title) {
    const WriteDayPicture write = loadModule();
    std::array<char, 1024> error{};
    if (write(path.c_str(), &result, &blocks, &checks, &title, error.data(), error.size()) != 0) {
        throw FileError(error.data());
    }
}

}  // namespace kalmero
