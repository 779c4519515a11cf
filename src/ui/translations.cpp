#include "ui/translations.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace kalmero {

void installPolishTranslations(QCoreApplication& app) {
    const QLocale polish(QLocale::Polish, QLocale::Poland);
    QLocale::setDefault(polish);

    auto* translator = new QTranslator(&app);
    if (translator->load(polish, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
    } else {
        delete translator;
    }
}

}  // namespace kalmero
