#include "ui/matrix_editor.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "formats/konfiguracja_file.h"
#include "formats/matryca.h"
#include "session/disk_files.h"
#include "ui_fixture.h"

namespace kalmero::test {
namespace {

class MatrixEditorTest : public FormTest {
public:
    TFMatryca& editor() {
        if (!m_editor) {
            m_editor = std::make_unique<TFMatryca>(ownSession(), dialogs);
            m_editor->FormShow();
            m_editor->show();
        }
        return *m_editor;
    }
    MatrixCell* cell(const char* name) {
        auto* found = editor().findChild<MatrixCell*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    std::unique_ptr<TFMatryca> m_editor;
};

TEST_F(MatrixEditorTest, GridIsBuiltWithItsNamesPlacesAndStates) {
    writeBytes(files().matrix, std::string("10000000000000001\r\n") +
                                   "0\r\n0\r\n0\r\n0\r\n0\r\n00000000010000000\r\n");
    EXPECT_TRUE(cell("ts00")->isOn());
    EXPECT_TRUE(cell("ts016")->isOn());
    EXPECT_TRUE(cell("ts69")->isOn());
    EXPECT_FALSE(cell("ts01")->isOn());
    EXPECT_EQ(cell("ts69")->geometry(), QRect(25 + 25 * 9, 25 + 25 * 6, 25, 25));
    auto* hour = editor().findChild<QLabel*>(QStringLiteral("lbg16"));
    ASSERT_NE(hour, nullptr);
    EXPECT_EQ(hour->text(), QStringLiteral("22"));
    EXPECT_EQ(hour->pos(), QPoint(32 + 25 * 16, 10));
    auto* day = editor().findChild<QLabel*>(QStringLiteral("lbd2"));
    ASSERT_NE(day, nullptr);
    EXPECT_EQ(day->text(), QStringLiteral("śr"));
    EXPECT_EQ(day->pos(), QPoint(10, 32 + 25 * 2));
}

TEST_F(MatrixEditorTest, EveryButtonTogglesACellAndTheFileChangesAtOnce) {
    // Longer and extra lines are the operator's: a click keeps them.
    writeBytes(files().matrix,
               "00000000000000000xyz\r\n00000000000000000\r\n00000000000000000\r\n"
               "00000000000000000\r\n00000000000000000\r\n00000000000000000\r\n"
               "00000000000000000\r\nextra\r\n");
    QTest::mouseClick(cell("ts312"), Qt::LeftButton);
    EXPECT_EQ(readMatrixLines(files().matrix)[3], "00000000000010000");
    EXPECT_EQ(readMatrixLines(files().matrix)[0], "00000000000000000xyz");
    EXPECT_EQ(readMatrixLines(files().matrix).size(), 8u);

    QTest::mouseClick(cell("ts312"), Qt::RightButton);
    EXPECT_FALSE(cell("ts312")->isOn());
    EXPECT_EQ(readMatrixLines(files().matrix)[3], "00000000000000000");
    QTest::mouseClick(cell("ts00"), Qt::MiddleButton);
    EXPECT_TRUE(cell("ts00")->isOn());

    // Closing writes exactly the grid: seven lines of seventeen.
    editor().findChild<QAbstractButton*>(QStringLiteral("BitBtn1"))->click();
    EXPECT_EQ(readBytes(files().matrix), matrixFileText(editor().grid()));
    EXPECT_EQ(readBytes(files().matrix).size(), 7u * 19u);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MatrixEditorTest, MissingFileOpensAsAnEmptyWeekAndAClickCreatesIt) {
    EXPECT_FALSE(cell("ts00")->isOn());
    QTest::mouseClick(cell("ts16"), Qt::LeftButton);
    const auto lines = readMatrixLines(files().matrix);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[1], "00000010000000000");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MatrixEditorTest, BreakSoundKeysAreReadOnOpeningAndWrittenOnClosing) {
    writeBytes(files().ini, "[Foldery]\r\nFolderPlikBreak=/dzwieki/\r\n[Break]\r\nCzyDzwiek=0\r\n");
    auto* sound = editor().findChild<QCheckBox*>(QStringLiteral("CheckBox1"));
    auto* path = editor().findChild<QLineEdit*>(QStringLiteral("Edit1"));
    EXPECT_EQ(ownSession().settings().breakSound.path, "/dzwieki/");
    EXPECT_EQ(path->text(), QStringLiteral("/dzwieki/"));
    EXPECT_FALSE(path->isEnabled());

    sound->click();
    EXPECT_TRUE(path->isEnabled());
    path->setText(QStringLiteral("/dźwięki/"));
    editor().close();  // the close box
    EXPECT_TRUE(ownSession().settings().breakSound.on);
    EXPECT_EQ(ownSession().settings().breakSound.path, "/d\x9Fwi\xEAki/");
    EXPECT_TRUE(iniReadBool(files().ini, "Break", "CzyDzwiek", false));
    EXPECT_EQ(iniReadString(files().ini, "Foldery", "FolderPlikBreak"), "/d\x9Fwi\xEAki/");
    EXPECT_EQ(readBytes(files().matrix).size(), 7u * 19u);
}

}  // namespace
}  // namespace kalmero::test
