#pragma once

#include <QCoreApplication>

class QFileDialog;

namespace kalmero {

// Makes Qt's own texts (file dialog, message box buttons) Polish, like the window's, and
// sets the Polish locale as the default. The translator is owned by `app`. Without Qt's
// Polish catalogue installed the texts stay English; nothing fails.
void installPolishTranslations(QCoreApplication& app);

// Makes the dates Qt writes in the system's locale (the file dialog's "Data modyfikacji")
// Polish, also where the machine's locale is C. To be called before the QApplication is
// made; the environment is left as it was, so the C library keeps the machine's locale.
void preferPolishSystemDates();

// Gives the file dialog's list columns the width of their texts (Polish names, types and
// dates are longer than Qt's defaults allow); uses Qt's own dialog, whose columns can be set.
void fitFileDialogColumns(QFileDialog& dialog);

}  // namespace kalmero
