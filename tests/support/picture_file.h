#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "model/file_error.h"
#include "platform/file_io.h"
#include "session/picture_kind.h"
#include "ui/day_picture.h"

namespace kalmero::test {

// Writes the picture to `path` as PNG or PDF by its extension (case ignored) through the
// program's one file writer, as the session writes a day's picture. Throws
// std::runtime_error when the extension is neither or the file can't be written.
inline void writePictureFile(const DayPicture& picture, const QString& path) {
    const std::string file = path.toStdString();
    const std::optional<PictureKind> kind = pictureKindOf(file);
    if (!kind) {
        throw std::runtime_error("Nieznany rodzaj pliku \"" + file +
                                 "\": obraz zapisuje się jako .png lub .pdf.");
    }
    const QByteArray bytes = renderPicture(picture, *kind);
    try {
        writeFileAtomically(file, std::string_view(bytes.constData(), bytes.size()));
    } catch (const FileError& error) {
        throw std::runtime_error(error.what());
    }
}

}  // namespace kalmero::test
