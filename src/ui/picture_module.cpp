// The day's picture as a module the batch command loads only when asked for a picture, so
// that its nights don't carry Qt's libraries (and their memory) for nothing. It draws only:
// the bytes go back to the session, which writes them with the program's one file writer.
#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <string>

#include "compiler/day_report.h"
#include "session/picture_abi.h"
#include "ui/day_picture.h"

namespace {

// A private runtime folder for Qt when the environment names none (a night's service, a
// shell without a login session): Qt would otherwise say so on every picture and make one
// of its own under /tmp. Removed, and the variable cleared, when the picture is done.
class RuntimeFolder {
public:
    RuntimeFolder() {
        if (std::getenv("XDG_RUNTIME_DIR") != nullptr) {
            return;
        }
        const char* temporary = std::getenv("TMPDIR");
        m_path = std::string(temporary != nullptr && *temporary == '/' ? temporary : "/tmp") +
                 "/kalmero-runtime-XXXXXX";
        if (::mkdtemp(m_path.data()) == nullptr) {  // made 0700
            m_path.clear();
            return;
        }
        ::setenv("XDG_RUNTIME_DIR", m_path.c_str(), 1);
    }
    ~RuntimeFolder() {
        if (!m_path.empty()) {
            ::unsetenv("XDG_RUNTIME_DIR");
            ::rmdir(m_path.c_str());
        }
    }
    RuntimeFolder(const RuntimeFolder&) = delete;
    RuntimeFolder& operator=(const RuntimeFolder&) = delete;

private:
    std::string m_path;
};

}  // namespace

// Asked for by the batch command before anything else: a module of another build is refused.
extern "C" __attribute__((visibility("default"))) const char* kalmeroPictureAbi() {
    static const std::string stamp = kalmero::pictureAbiStamp();
    return stamp.c_str();
}

extern "C" __attribute__((visibility("default"))) int kalmeroRenderDayPicture(
    int kind, const kalmero::Lista* result, const std::vector<kalmero::AdvertBlock>* blocks,
    const kalmero::DayChecks* checks, const std::vector<kalmero::RecordMark>* louderThanProgramme,
    const kalmero::DayTitle* title, std::string* bytes, char* error, std::size_t errorSize) {
    try {
        // Started for the picture alone and ended with it: a Qt application left to the
        // process's exit would be torn down after the libraries it stands on.
        std::unique_ptr<RuntimeFolder> runtime;
        std::unique_ptr<QGuiApplication> app;
        if (QGuiApplication::instance() == nullptr) {
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            runtime = std::make_unique<RuntimeFolder>();
            static int argc = 1;
            static char name[] = "kalmero-batch";
            static char* argv[] = {name, nullptr};
            app = std::make_unique<QGuiApplication>(argc, argv);
        }
        const QByteArray drawn = kalmero::renderPicture(
            kalmero::DayPicture(*result, *blocks, *checks,
                                title != nullptr ? *title : kalmero::DayTitle{},
                                *louderThanProgramme),
            static_cast<kalmero::PictureKind>(kind));
        bytes->assign(drawn.constData(), static_cast<std::size_t>(drawn.size()));
        return 0;
    } catch (const std::exception& e) {
        std::strncpy(error, e.what(), errorSize - 1);
        error[errorSize - 1] = '\0';
        return 1;
    }
}
