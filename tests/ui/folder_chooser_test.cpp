#include "ui/folder_chooser.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QTreeView>

#include "formats/konfiguracja_file.h"
#include "session/disk_files.h"
#include "ui_fixture.h"

namespace kalmero::test {
namespace {

class FolderChooserTest : public FormTest {
public:
    FolderStore storeIn(Folder folder) {
        return
            [this, folder](const std::string& chosen) { ownSession().storeFolder(folder, chosen); };
    }
    const std::string& ownFolder(Folder folder) { return ownSession().settings().folder(folder); }

    QLineEdit edit;
};

TEST_F(FolderChooserTest, OkStoresTheFolderWithItsTrailingSlashEverywhere) {
    const QString chosen = m_tmp.path() + QStringLiteral("/Reklamy źródło");
    ASSERT_TRUE(QDir().mkpath(chosen));
    TFZmienFolder chooser(2, &edit, storeIn(Folder::AdvertLists), dialogs);
    chooser.positionAt(chosen);
    EXPECT_EQ(chooser.chosenFolder(), chosen + QLatin1Char('/'));
    EXPECT_EQ(chooser.findChild<QLabel*>(QStringLiteral("Label1"))->property("tag").toInt(), 2);

    chooser.BitBtn1Click();
    const std::string stored = m_tmp.path().toStdString() +
                               "/Reklamy \x9F"
                               "r\xF3"
                               "d\xB3o/";
    EXPECT_EQ(ownFolder(Folder::AdvertLists), stored);
    EXPECT_EQ(iniReadString(files().ini, "Foldery", "FolderLST"), stored);
    EXPECT_EQ(edit.text(), chosen + QLatin1Char('/'));
    EXPECT_EQ(chooser.result(), QDialog::Accepted);
}

TEST_F(FolderChooserTest, TheRootKeepsItsOneSlash) {
    TFZmienFolder chooser(3, &edit, storeIn(Folder::Results), dialogs);
    chooser.positionAt(QStringLiteral("/"));
    EXPECT_EQ(chooser.chosenFolder(), QStringLiteral("/"));
}

TEST_F(FolderChooserTest, NothingIsStoredForAnEmptyOrVanishedFolder) {
    for (const QString& start : {QString(), m_tmp.path() + QStringLiteral("/gone")}) {
        TFZmienFolder chooser(1, &edit, storeIn(Folder::Playlists), dialogs);
        chooser.positionAt(start);
        EXPECT_EQ(chooser.chosenFolder(), start) << "the opener's text stays in the label";
        chooser.BitBtn1Click();
        EXPECT_EQ(ownFolder(Folder::Playlists), "");
        EXPECT_FALSE(iniReadString(files().ini, "Foldery", "FolderMIX").has_value());
        EXPECT_EQ(edit.text(), QString());
    }
}

TEST_F(FolderChooserTest, OkRightAfterOpeningFromAnEmptyEditStoresNothing) {
    form();
    QString shown = QStringLiteral("not looked at");
    whenModalOpens([&] {
        auto* chooser = qobject_cast<TFZmienFolder*>(QApplication::activeModalWidget());
        ASSERT_NE(chooser, nullptr);
        // As on a desktop, the window becomes active and hands out its focus.
        chooser->activateWindow();
        QCoreApplication::processEvents();
        shown = chooser->chosenFolder();
        chooser->findChild<QAbstractButton*>(QStringLiteral("BitBtn1"))->click();
    });
    form().LabeledEdit1Click(1);
    EXPECT_EQ(shown, QString());
    EXPECT_EQ(formSettings().folder(Folder::Playlists), "");
    EXPECT_FALSE(iniReadString(files().ini, "Foldery", "FolderMIX").has_value());
}

TEST_F(FolderChooserTest, FolderEditClickOpensTheChooserForItsTag) {
    const QString chosen = m_tmp.path() + QStringLiteral("/wyniki");
    ASSERT_TRUE(QDir().mkpath(chosen));
    form();
    whenModalOpens([&] {
        auto* chooser = qobject_cast<TFZmienFolder*>(QApplication::activeModalWidget());
        ASSERT_NE(chooser, nullptr);
        chooser->positionAt(chosen);
        chooser->findChild<QAbstractButton*>(QStringLiteral("BitBtn1"))->click();
    });
    form().LabeledEdit1Click(3);
    EXPECT_EQ(control<QLineEdit>("LabeledEdit3")->text(), chosen + QLatin1Char('/'));
    EXPECT_EQ(formSettings().folder(Folder::Results), chosen.toStdString() + "/");
}

}  // namespace
}  // namespace kalmero::test
