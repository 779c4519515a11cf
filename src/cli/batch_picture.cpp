#include "cli/batch_picture.h"

#include <cstdlib>
#include <memory>
#include <stdexcept>

#ifdef KALMERO_PICTURE
#include <QGuiApplication>

#include "ui/day_picture.h"
#endif

namespace kalmero {

void writeDayPicture(const std::string& path, const Lista& result,
                     const std::vector<AdvertBlock>& blocks, const DayChecks& checks) {
#ifdef KALMERO_PICTURE
    // Started for the picture alone, and only once however many days are drawn.
    static std::unique_ptr<QGuiApplication> app;
    if (!app && QGuiApplication::instance() == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "kalmero-batch";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    writePictureFile(DayPicture(result, blocks, checks), QString::fromStdString(path));
#else
    (void)result;
    (void)blocks;
    (void)checks;
    throw std::runtime_error("this build draws no pictures (Qt was missing): " + path);
#endif
}

}  // namespace kalmero
