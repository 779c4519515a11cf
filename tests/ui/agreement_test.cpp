// The window and the batch command, given the same configuration file, break matrix and
// sample day, write the same bytes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <filesystem>
#include <string>

#include "support/run_program.h"
#include "support/temp_folder.h"
#include "ui_fixture.h"

namespace kalmero::test {
namespace {

struct AgreementCase {
    int mode;
    bool fade;
    bool sound;  // from the configuration
    int weekday;
    int seconds;
    bool soundInEditor = false;  // turned on in the matrix editor between loading and compiling
};

const std::string kEditorSound = "/edytor/sygna\xC5\x82.mp3";

// Runs the test in another folder than the examples', as a window started from the desktop
// menu runs in the home folder: the advert list names its spots relative to its own folder.
class Elsewhere {
public:
    explicit Elsewhere(const std::string& folder) : m_previous(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~Elsewhere() { std::filesystem::current_path(m_previous); }
    Elsewhere(const Elsewhere&) = delete;
    Elsewhere& operator=(const Elsewhere&) = delete;

private:
    std::filesystem::path m_previous;
};

TEST(Agreement, WindowAndBatchWriteTheSameDay) {
    // clang-format off
    const AgreementCase cases[] = {
        {0, false, false, 0, 10},  {0, true, true, 3, 0},     {0, false, true, 0, 3600},
        {1, false, false, 0, 3600}, {1, true, false, 3, 10},  {1, true, true, 0, 0},
        {1, false, true, 3, 3600},  {1, true, true, 3, 10},   {2, false, false, 3, 10},
        {2, true, true, 0, 3600},   {2, false, true, 3, 0},   {0, true, false, 3, 3600},
    };
    // clang-format on
    const TempFolder home;
    const Elsewhere elsewhere(home.path());
    const std::string examples = std::string(KALMERO_EXAMPLES) + "/";
    for (const AgreementCase& c : cases) {
        const std::string row = std::to_string(c.mode) + (c.fade ? " fade" : "") +
                                (c.sound ? " sound" : "") + (c.soundInEditor ? " editor" : "") +
                                " day " + std::to_string(c.weekday) + " " +
                                std::to_string(c.seconds) + " s";
        SCOPED_TRACE(row);
        TempFolder folder;
        const SessionFiles files{
            folder.write("kalmero.ini", "[Foldery]\r\nFolderWynikowy=" + folder.path() +
                                            "\r\nFolderPlikBreak=/some/sound.mp3\r\n"
                                            "[Break]\r\nStart=" +
                                            std::to_string(c.mode) +
                                            "\r\nFade=" + (c.fade ? "1" : "0") +
                                            "\r\nTime=" + std::to_string(c.seconds) +
                                            "\r\nCzyDzwiek=" + (c.sound ? "1" : "0") + "\r\n"),
            folder.write("matryca.dat",
                         "01111111111111111\r\n"
                         "00000000000000000\r\n"
                         "00000000000000000\r\n"
                         "10000010000100001\r\n"
                         "00000000000000000\r\n"
                         "00000000000000000\r\n"
                         "00000000000000000\r\n")};

        FakeDialogs dialogs;
        dialogs.answers = {QString::fromStdString(examples + "dzien.mix"),
                           QString::fromStdString(examples + "reklamy.lst")};
        MeasureCacheOnDemand cache(folder.path() + "/spoty.sqlite");
        TForm1 form(files, dialogs, stationTools(cache));
        form.FormCreate();
        form.findChild<QAbstractButton*>(QStringLiteral("BitBtn4"))->click();
        form.findChild<QAbstractButton*>(QStringLiteral("BitBtn5"))->click();
        if (c.soundInEditor) {
            whenModalOpens([] {
                QWidget* editor = QApplication::activeModalWidget();
                ASSERT_NE(editor, nullptr);
                editor->findChild<QAbstractButton*>(QStringLiteral("CheckBox1"))->setChecked(true);
                editor->findChild<QLineEdit*>(QStringLiteral("Edit1"))
                    ->setText(QString::fromStdString(kEditorSound));
                editor->findChild<QAbstractButton*>(QStringLiteral("BitBtn1"))->click();
            });
            form.findChild<QAbstractButton*>(QStringLiteral("BitBtn2"))->click();
        }
        form.findChild<QComboBox*>(QStringLiteral("ComboBox1"))->setCurrentIndex(c.weekday);
        form.findChild<QAbstractButton*>(QStringLiteral("BitBtn3"))->click();
        form.findChild<QLineEdit*>(QStringLiteral("LabeledEdit6"))->setText(QStringLiteral("okno"));
        form.findChild<QAbstractButton*>(QStringLiteral("BitBtn1"))->click();
        ASSERT_EQ(dialogs.messages.size(), 1u) << "only the saved notice";
        ASSERT_EQ(form.session().lists().ListaLST.size(), 17u);
        EXPECT_TRUE(form.session().unmeasuredSpots().empty());

        const auto batch =
            runProgram({KALMERO_BATCH, "--config", files.ini, "--matrix", files.matrix, "--mix",
                        examples + "dzien.mix", "--lst", examples + "reklamy.lst", "--weekday",
                        std::to_string(c.weekday), "--out", folder / "batch.mix"},
                       folder.path(), home.path());
        // A day with spots not aired once is written by both, and the batch says so.
        ASSERT_EQ(batch.exitCode, form.session().unaccountedSpots().empty() ? 0 : 3) << batch.err;
        const std::string window = readBytes(folder / "okno.mix");
        ASSERT_FALSE(window.empty());
        // Compared whole, so that a difference doesn't print two days of playlist.
        EXPECT_TRUE(window == readBytes(folder / "batch.mix"));
        if (c.mode != 2) {
            const std::string soundLine =
                c.soundInEditor ? "Adr=/edytor/sygna\xB3.mp3\r\n" : "Adr=/some/sound.mp3\r\n";
            EXPECT_NE(window.find(c.sound || c.soundInEditor ? soundLine : "Typ=BRK\r\n"),
                      std::string::npos);
        }
    }
}

// The window asks before saving exactly the days the batch command writes with exit 3, and
// both name the same count.
TEST(Agreement, WindowAndBatchGiveTheSameVerdict) {
    const std::string examples = std::string(KALMERO_EXAMPLES) + "/";
    const std::string spot = examples + "spoty/pizzeria.mp3";
    // An existing file named by a 248-byte line: slashes the file system reads as one.
    const std::string name = "spoty/pizzeria.mp3";
    const std::string padded =
        examples + std::string(248 - examples.size() - name.size(), '/') + name;
    struct VerdictCase {
        const char* what;
        std::string lst;
        bool accounted;
    };
    const VerdictCase cases[] = {
        {"a spot aired once", "07:15:00\r\n" + spot + "\r\n", true},
        {"a Windows path and no map", "07:15:00\r\nC:\\Radio\\pizzeria.mp3\r\n", false},
        {"a booking lost to a blank line",
         "07:15:00\r\n" + spot + "\r\n\r\n08:15:00\r\n" + spot + "\r\n", false},
        {"a path the field keeps cut", "07:15:00\r\n" + padded + "\r\n", false},
    };
    const TempFolder home;
    for (const VerdictCase& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const SessionFiles files{
            folder.write("kalmero.ini", "[Foldery]\r\nFolderWynikowy=" + folder.path() +
                                            "\r\n[Break]\r\nStart=2\r\n"),
            folder.write("matryca.dat", std::string(7 * 19, '0'))};
        const std::string lst = folder.write("reklamy.lst", c.lst);
        FakeDialogs dialogs;
        dialogs.answers = {QString::fromStdString(examples + "dzien.mix"),
                           QString::fromStdString(lst)};
        MeasureCacheOnDemand cache(folder.path() + "/spoty.sqlite");
        TForm1 form(files, dialogs, stationTools(cache));
        form.FormCreate();
        form.findChild<QAbstractButton*>(QStringLiteral("BitBtn4"))->click();
        form.findChild<QAbstractButton*>(QStringLiteral("BitBtn5"))->click();
        form.findChild<QAbstractButton*>(QStringLiteral("BitBtn3"))->click();
        form.findChild<QLineEdit*>(QStringLiteral("LabeledEdit6"))->setText(QStringLiteral("okno"));
        form.findChild<QAbstractButton*>(QStringLiteral("BitBtn1"))->click();
        EXPECT_EQ(dialogs.questions.empty(), c.accounted);

        const auto batch =
            runProgram({KALMERO_BATCH, "--config", files.ini, "--matrix", files.matrix, "--mix",
                        examples + "dzien.mix", "--lst", lst, "--out", folder / "batch.mix"},
                       folder.path(), home.path());
        EXPECT_EQ(batch.exitCode, c.accounted ? 0 : 3) << batch.err;
        if (!c.accounted) {
            EXPECT_NE(batch.err.find(form.session().verdictText(0)), std::string::npos)
                << batch.err;
        }
        EXPECT_TRUE(readBytes(folder / "okno.mix") == readBytes(folder / "batch.mix"));
    }
}

}  // namespace
}  // namespace kalmero::test
