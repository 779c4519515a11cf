// The program's start: builds the session's lists and settings, checks the audio decoder
// and hands everything to the main window.
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QStyleFactory>
#include <exception>

#include "platform/audio_length.h"
#include "platform/file_io.h"
#include "platform/program_folder.h"
#include "ui/main_window.h"
#include "ui/operator_dialogs.h"
#include "ui/translations.h"
#include "ui/window_font.h"

int main(int argc, char* argv[]) {
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
    kalmero::TForm1 window(kalmero::SessionFiles::inFolder(settings.folder), dialogs);
    window.FormCreate();
    window.showSettingsNote(QString::fromStdString(settings.why + ": " + settings.folder));

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
    window.show();
    return QApplication::exec();
}
