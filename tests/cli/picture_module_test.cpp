// The batch command's picture module is checked when loaded: one of another build is refused
// with why, before it draws anything; the program's own draws.
#include <gtest/gtest.h>

#include <string>

#include "cli/batch_picture.h"
#include "model/file_error.h"

namespace kalmero {
namespace {

std::string refusalOf(PictureModule& module) {
    try {
        module.renderDayPicture(PictureKind::Png, {}, {}, {}, {}, {});
    } catch (const FileError& error) {
        return error.what();
    }
    return {};
}

TEST(PictureModuleLoad, AModuleOfAnotherBuildIsRefused) {
    const struct {
        const char* name;
        std::string path;
        std::string says;
    } cases[] = {
        {"another version", KALMERO_STALE_PICTURE, "(moduł: 1 0/0/0/0/0/0 stale; program: "},
        {"no version at all", KALMERO_UNSTAMPED_PICTURE, "(moduł: brak wersji; program: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Found first, it is refused rather than passed over for the next.
        PictureModule module({c.path, "/nonexistent/kalmero-picture.so"});
        const std::string refusal = refusalOf(module);
        EXPECT_EQ(
            refusal.rfind(
                "moduł rysujący obraz dnia " + c.path + " pochodzi z innej wersji programu ", 0),
            0U)
            << refusal;
        EXPECT_NE(refusal.find(c.says + pictureAbiStamp() + ")"), std::string::npos) << refusal;
        EXPECT_NE(refusal.find("zainstaluj pakiet kalmero ponownie"), std::string::npos);
    }
}

TEST(PictureModuleLoad, TheFirstModuleThereIsTaken) {
    PictureModule none({"/nonexistent/a.so", "/nonexistent/b.so"});
    const std::string refusal = refusalOf(none);
    EXPECT_EQ(refusal.rfind("nie można narysować obrazu dnia: brak modułu rysującego; ", 0), 0U)
        << refusal;
    EXPECT_NE(refusal.find("/nonexistent/b.so"), std::string::npos) << refusal;
#ifdef KALMERO_PICTURE_MODULE
    PictureModule own({"/nonexistent/a.so", KALMERO_PICTURE_MODULE, KALMERO_STALE_PICTURE});
    const std::string png = own.renderDayPicture(PictureKind::Png, {}, {}, {}, {}, {});
    EXPECT_EQ(png.substr(0, 4), "\x89PNG");
#endif
}

}  // namespace
}  // namespace kalmero
