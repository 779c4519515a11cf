#include "ui/translations.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>
#include <QTranslator>

namespace kalmero {
namespace {

// Qt's own words in the file dialog and message boxes come out Polish, as the window's do.
// The rest of the run keeps the English texts and the locale it started with.
TEST(Translations, QtDialogsSpeakPolish) {
    const QLocale before;
    installPolishTranslations(*qApp);

    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Anuluj"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "File &name:"),
              QStringLiteral("Nazwa &pliku:"));
    EXPECT_EQ(QLocale().toString(2.5), QStringLiteral("2,5"));

    for (QTranslator* translator : qApp->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    QLocale::setDefault(before);
}

}  // namespace
}  // namespace kalmero
