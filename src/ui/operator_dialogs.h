#pragma once

#include <QMessageBox>
#include <QString>
#include <optional>

class QKeyEvent;
class QWidget;

namespace kalmero {

// The modal questions the window puts to the operator: the open dialog and the one-button
// message boxes. The tests put their own answers in its place.
class OperatorDialogs {
public:
    virtual ~OperatorDialogs() = default;

    // Shows the single-file open dialog "Wybierz pliki..." in `folder` (empty: the current
    // folder) with one filter such as "Pliki playlist (*.mix)"; the chosen file's full
    // path, or nullopt when the operator cancels.
    virtual std::optional<QString> openFile(QWidget* parent, const QString& folder,
                                            const QString& filter) = 0;
    // A modal box with a single OK button.
    virtual void message(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                         const QString& text) = 0;
};

// The real dialogs of the desktop.
class QtOperatorDialogs : public OperatorDialogs {
public:
    std::optional<QString> openFile(QWidget* parent, const QString& folder,
                                    const QString& filter) override;
    void message(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                 const QString& text) override;
};

// The text of a failure as the operator sees it: a full stop is added when the text ends
// in a character that sorts after ".".
QString errorMessageText(const QString& what);

// The top-level report of a failed command: a box titled "Kalmero" with the error icon.
void showCommandError(OperatorDialogs& dialogs, QWidget* parent, const char* what);

// Enter or Return on the focused button of `window` presses it, as Space does: outside a
// dialog a button passes Enter on to its window. True when it was pressed.
bool pressFocusedButton(QWidget* window, const QKeyEvent* event);

}  // namespace kalmero
