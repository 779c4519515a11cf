// The program's start: builds the session's lists and settings, checks the audio decoder
// and hands everything to the main window.
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QStyleFactory>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "platform/audio_length.h"
#include "platform/file_io.h"
#include "platform/measure_cache.h"
#include "platform/program_folder.h"
#include "ui/main_window.h"
#include "ui/operator_dialogs.h"
#include "ui/translations.h"
#include "ui/window_font.h"

namespace {

constexpr const char* kUsage =
    "Usage: kalmero [Qt options]\n"
    "Opens the window that merges a day's playlist (MIX) with its advert list (LST).\n"
    "Settings are kept in kalmero.ini and matryca.dat in the settings folder.\n"
    "For unattended runs use kalmero-batch (kalmero-batch --help).\n";

bool set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

}  // namespace

int main(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    // Qt aborts when it finds no display to open; say why instead.
    if (!set("QT_QPA_PLATFORM") && !set("DISPLAY") && !set("WAYLAND_DISPLAY")) {
        std::fputs(
            "kalmero: brak ekranu (nie ustawiono DISPLAY ani WAYLAND_DISPLAY); okno "
            "programu wymaga sesji graficznej. Do pracy bez ekranu służy kalmero-batch.\n",
            stderr);
        return 1;
    }
    kalmero::preferPolishSystemDates();
    QApplication app(argc, argv);
    kalmero::installTemporaryCleanup();
    kalmero::installPolishTranslations(app);
    QApplication::setApplicationName(QStringLiteral("Kalmero"));
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(style);
    }
    QApplication::setFont(kalmero::windowFont());

    const kalmero::DecoderInfo decoder = kalmero::decoderInfo();
    if (!decoder.readsMpegAudio) {
        QMessageBox::critical(
            nullptr, QStringLiteral("Niewłaściwy dekoder audio"),
            QStringLiteral("Załadowany dekoder audio (%1) nie odczytuje plików MPEG audio "
                           "(wymagana jest biblioteka libmpg123)")
                .arg(QString::fromStdString(decoder.description)));
        return 1;
    }

    kalmero::SettingsLocation settings;
    try {
        settings = kalmero::settingsLocation();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QStringLiteral("Błąd"), QString::fromUtf8(error.what()));
        return 1;
    }
    kalmero::QtOperatorDialogs dialogs;
    // The program's tools, made here and handed down: the window's sessions measure through
    // this one cache.
    kalmero::MeasureCacheOnDemand cache;
    kalmero::TForm1 window(kalmero::SessionFiles::inFolder(settings.folder), dialogs,
                           kalmero::stationTools(cache));
    window.FormCreate();
    // The user's settings name their folder in the why already; the portable ones don't.
    window.showSettingsNote(QString::fromStdString(
        settings.portable ? settings.why + ": " + settings.folder : settings.why));

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
    window.show();
    return QApplication::exec();
}
