#include "ui/operator_dialogs.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QGridLayout>
#include <QKeyEvent>
#include <QSpacerItem>

#include "ui/translations.h"

namespace kalmero {

std::optional<QString> QtOperatorDialogs::openFile(QWidget* parent, const QString& folder,
                                                   const QString& filter) {
    QFileDialog dialog(parent, QStringLiteral("Wybierz pliki..."), folder, filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    fitFileDialogColumns(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

void QtOperatorDialogs::message(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                const QString& text) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    // The box is as wide as its text; a short text would cut its title ("Info…acja").
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int titleWidth = box.fontMetrics().horizontalAdvance(title) + 160;
        grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    box.exec();
}

QString errorMessageText(const QString& what) {
    if (!what.isEmpty() && what.back() > QLatin1Char('.')) {
        return what + QLatin1Char('.');
    }
    return what;
}

void showCommandError(OperatorDialogs& dialogs, QWidget* parent, const char* what) {
    dialogs.message(parent, QMessageBox::Critical, QStringLiteral("Kalmero"),
                    errorMessageText(QString::fromUtf8(what)));
}

bool pressFocusedButton(QWidget* window, const QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        return false;
    }
    auto* button = qobject_cast<QAbstractButton*>(window->focusWidget());
    if (button == nullptr || !button->isEnabled()) {
        return false;
    }
    button->animateClick();
    return true;
}

}  // namespace kalmero
