#pragma once

#include <QCoreApplication>

namespace kalmero {

// Makes Qt's own texts (file dialog, message box buttons) Polish, like the window's, and
// sets the Polish locale as the default. The translator is owned by `app`. Without Qt's
// Polish catalogue installed the texts stay English; nothing fails.
void installPolishTranslations(QCoreApplication& app);

}  // namespace kalmero
