#pragma once

#include <QDialog>
#include <QFileIconProvider>
#include <QTimer>
#include <functional>
#include <string>

class QFileSystemModel;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace kalmero {

class OperatorDialogs;

// Keeps the folder chosen (Windows-1250 bytes, ending in "/"); throws FileError when it
// can't be stored.
using FolderStore = std::function<void(const std::string& folderCp1250)>;

// "Zmień folder": a tree of the computer's folders; OK stores the selected folder, ending
// in "/", and shows it in the edit it was opened for.
class TFZmienFolder : public QDialog {
    Q_OBJECT
public:
    // `tag` is the setting's (1 playlists, 2 advert lists, 3 results, 4 the break sound), kept
    // on the label; `edit` shows that folder and must outlive the chooser; `store` keeps it.
    TFZmienFolder(int tag, QLineEdit* edit, FolderStore store, OperatorDialogs& dialogs,
                  QWidget* parent = nullptr);

    // Shows `folder` (UTF-8) in the label and, when it names an existing folder, opens the
    // tree down to it and selects it.
    void positionAt(const QString& folder);

    // On every change of the selected folder: its path, with a trailing "/", in the label.
    void ShellTreeView1Change();
    // OK: stores the label's folder unless it is empty or no existing folder, then closes.
    // A failed write is reported and the chooser stays open with nothing changed.
    void BitBtn1Click();

    QString chosenFolder() const;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Opens the tree down to the folder asked for and selects it, as far as it is read.
    void revealPending();

    QString m_pending;  // the folder positionAt asked for, until the operator moves
    QTimer m_reveal;    // brings it back into view once the rows that came have settled
    QLineEdit* m_edit;
    FolderStore m_store;
    OperatorDialogs& m_dialogs;
    QFileIconProvider m_icons;  // the style's folder pictures, also without an icon theme
    QFileSystemModel* m_model;
    QTreeView* m_tree;
    QLabel* m_label;
    QPushButton* m_ok;
};

// Opens the chooser modally for the folder of `tag`, starting at the text of `edit`.
void openFolderChooser(QWidget* parent, int tag, QLineEdit* edit, OperatorDialogs& dialogs,
                       FolderStore store);

}  // namespace kalmero
