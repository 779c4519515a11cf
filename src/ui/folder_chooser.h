#pragma once

#include <QDialog>
#include <QFileIconProvider>
#include <string>

#include "model/konfiguracja.h"

class QFileSystemModel;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace kalmero {

class OperatorDialogs;

// The folder settings the chooser stores, by the tag of its label: 1 FolderMIX,
// 2 FolderLST, 3 FolderWynikowy, 4 FolderPlikBreak.
std::string& folderSetting(Konfiguracja& konfiguracja, int tag);
const char* folderSettingKey(int tag);

// "Zmień folder": a tree of the computer's folders; OK stores the selected folder, ending
// in "/", in the configuration file, in Konfiguracja and in the edit that shows it.
class TFZmienFolder : public QDialog {
    Q_OBJECT
public:
    // `tag` 1..4 as for folderSetting; `edit` shows that folder and must outlive the chooser.
    TFZmienFolder(int tag, QLineEdit* edit, Konfiguracja& konfiguracja, std::string iniPath,
                  OperatorDialogs& dialogs, QWidget* parent = nullptr);

    // Shows `folder` (UTF-8) in the label and, when it names an existing folder, opens the
    // tree down to it and selects it.
    void positionAt(const QString& folder);

    // On every change of the selected folder: its path, with a trailing "/", in the label.
    void ShellTreeView1Change();
    // OK: stores the label's folder unless it is empty or no existing folder, then closes.
    // A failed write is reported and the chooser stays open with nothing changed.
    void BitBtn1Click();

    QString chosenFolder() const;

private:
    // Opens the tree down to the folder asked for and selects it, as far as it is read.
    void revealPending();

    QString m_pending;  // the folder positionAt asked for, until the tree has reached it
    int m_tag;
    QLineEdit* m_edit;
    Konfiguracja& m_konfiguracja;
    std::string m_iniPath;
    OperatorDialogs& m_dialogs;
    QFileIconProvider m_icons;  // the style's folder pictures, also without an icon theme
    QFileSystemModel* m_model;
    QTreeView* m_tree;
    QLabel* m_label;
    QPushButton* m_ok;
};

// Opens the chooser modally for the folder of `tag`, starting at the text of `edit`.
void openFolderChooser(QWidget* parent, int tag, QLineEdit* edit, Konfiguracja& konfiguracja,
                       const std::string& iniPath, OperatorDialogs& dialogs);

}  // namespace kalmero
