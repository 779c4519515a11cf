// The day's picture as a module the batch command loads only when asked for a picture, so
// that its nights don't carry Qt's libraries (and their memory) for nothing.
#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>

#include "compiler/day_report.h"
#include "ui/day_picture.h"

extern "C" __attribute__((visibility("default"))) int kalmeroWriteDayPicture(
    const char* path, const kalmero::Lista* result, const std::vector<kalmero::AdvertBlock>* blocks,
    const kalmero::DayChecks* checks, const kalmero::DayTitle* title, char* error,
    std::size_t errorSize) {
    try {
        // Started for the picture alone and ended with it: a Qt application left to the
        // process's exit would be torn down after the libraries it stands on.
        std::unique_ptr<QGuiApplication> app;
        if (QGuiApplication::instance() == nullptr) {
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            static int argc = 1;
            static char name[] = "kalmero-batch";
            static char* argv[] = {name, nullptr};
            app = std::make_unique<QGuiApplication>(argc, argv);
        }
        kalmero::writePictureFile(
            kalmero::DayPicture(*result, *blocks, *checks,
                                title != nullptr ? *title : kalmero::DayTitle{}),
            QString::fromUtf8(path));
        return 0;
    } catch (const std::exception& e) {
        std::strncpy(error, e.what(), errorSize - 1);
        error[errorSize - 1] = '\0';
        return 1;
    }
}
