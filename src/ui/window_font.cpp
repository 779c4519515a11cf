#include "ui/window_font.h"

#include <QFontDatabase>
#include <QStringList>

namespace kalmero {

namespace {

const QString kTahoma = QStringLiteral("Tahoma");

bool loadTahoma() {
    if (QFontDatabase::hasFamily(kTahoma)) {
        return true;
    }
    // Only the regular face: fontconfig reads no characters from that package's bold file,
    // so bold text would come out in another font. Bold is drawn from the regular face.
    const int id =
        QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"));
    return id >= 0 && QFontDatabase::applicationFontFamilies(id).contains(kTahoma);
}

}  // namespace

QFont windowFont() {
    static const bool haveTahoma = loadTahoma();
    QFont font =
        haveTahoma ? QFont(kTahoma) : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(11);
    return font;
}

}  // namespace kalmero
