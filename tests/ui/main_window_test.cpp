#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHelpEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QToolTip>
#include <QTreeView>
#include <atomic>
#include <chrono>
#include <thread>

#include "formats/matryca.h"
#include "formats/mix_file.h"
#include "session/disk_files.h"
#include "ui/matrix_editor.h"
#include "ui/path_map_dialog.h"
#include "ui/radio_group.h"
#include "ui_fixture.h"

namespace kalmero::test {
namespace {

using testing::HasSubstr;

// Two items around noon: the noon break and the noon advert block both fall after the first.
const std::string kPlaylist =
    "WERSJA=2\r\nPOZYCJI=2\r\n"
    "Emi=11:58:00.000\r\nTyp=SND\r\nTrw=04:00.000\r\nMix=00:00.000\r\nNwK=04:00.000\r\n"
    "Tyt=Pierwsza\r\nWyk=Wykonawca\r\nKONIEC OPISU\r\n"
    "Emi=12:02:00.000\r\nTyp=JNG\r\nTrw=00:08.000\r\nMix=00:00.000\r\nNwK=00:08.000\r\n"
    "Tyt=Dzwonek\r\nWyk=Stacja\r\nKONIEC OPISU\r\n";
const std::string kAdverts = "12:00:00\r\n/nowhere/spot.wav\r\n";
const std::string kEveryHour = "11111111111111111\r\n";

QRadioButton* radioItem(TForm1& form, int index) {
    auto buttons =
        form.findChild<RadioGroup*>(QStringLiteral("RadioGroup1"))->findChildren<QRadioButton*>();
    return buttons.at(index);
}

TEST_F(FormTest, FirstRunShowsDefaultsAndStoresTheBreakLength) {
    form();
    for (const char* name : {"LabeledEdit1", "LabeledEdit2", "LabeledEdit3"}) {
        EXPECT_EQ(control<QLineEdit>(name)->text(), QString()) << name;
    }
    EXPECT_EQ(control<RadioGroup>("RadioGroup1")->itemIndex(), 0);
    EXPECT_FALSE(control<QCheckBox>("CheckBox1")->isChecked());
    EXPECT_FALSE(control<QCheckBox>("CheckBox1")->isEnabled());
    EXPECT_EQ(control<QLineEdit>("LabeledEdit7")->text(), QStringLiteral("10"));
    EXPECT_EQ(iniInt("Break", "Time"), 10);
    EXPECT_TRUE(dialogs.messages.empty());
}

struct StartupCase {
    const char* name;
    std::string ini;  // empty: no file at all
    int index;
    bool fade;
    bool fadeEnabled;
    QString seconds;
    std::string iniAfter;
    std::vector<std::string> handlers;  // the settings handlers that ran, in order
};

TEST_F(FormTest, StartUpPutsTheFileIntoTheControls) {
    // clang-format off
    const StartupCase cases[] = {
        {"first run, no file", "", 0, false, false, "10", "[Break]\r\nTime=10\r\n",
         {"LabeledEdit7Change"}},
        {"Start=1 enables the fade box", "[Break]\r\nStart=1\r\nTime=0\r\n", 1, false, true, "0",
         "[Break]\r\nStart=1\r\nTime=0\r\n", {"RadioGroup1Click"}},
        {"Start=7 is taken as 2 and written back", "[Break]\r\nStart=7\r\nTime=0\r\n", 2, false,
         false, "0", "[Break]\r\nStart=2\r\nTime=0\r\n", {"RadioGroup1Click"}},
        {"Start=-1 selects nothing and writes nothing", "[Break]\r\nStart=-1\r\nTime=0\r\n", -1,
         false, false, "0", "[Break]\r\nStart=-1\r\nTime=0\r\n", {}},
        {"Start=-9 likewise", "[Break]\r\nStart=-9\r\nTime=0\r\n", -1, false, false, "0",
         "[Break]\r\nStart=-9\r\nTime=0\r\n", {}},
        {"Start=-1 keeps the default length", "[Break]\r\nStart=-1\r\n", -1, false, false, "10",
         "[Break]\r\nStart=-1\r\nTime=10\r\n", {"LabeledEdit7Change"}},
        {"Time=-5 shows 0 and stores 0", "[Break]\r\nTime=-5\r\n", 0, false, false, "0",
         "[Break]\r\nTime=0\r\n", {"LabeledEdit7Change", "LabeledEdit7Change"}},
        {"Time above the largest break", "[Break]\r\nTime=99999999\r\n", 0, false, false,
         "2147483", "[Break]\r\nTime=2147483\r\n", {"LabeledEdit7Change"}},
        {"Time in hexadecimal is written back in decimal", "[Break]\r\nTime=$1E\r\n", 0, false,
         false, "30", "[Break]\r\nTime=30\r\n", {"LabeledEdit7Change"}},
        {"Time not a number reads as 10", "[Break]\r\nTime=ten\r\n", 0, false, false, "10",
         "[Break]\r\nTime=10\r\n", {"LabeledEdit7Change"}},
        {"Fade with mode 1", "[break]\r\nFADE=1\r\nstart=1\r\ntime=0\r\n", 1, true, true, "0",
         "[break]\r\nFADE=1\r\nstart=1\r\ntime=0\r\n", {"RadioGroup1Click", "CheckBox1Click"}},
        {"Fade=5 is written back as 1", "[Break]\r\nFade=5\r\nTime=0\r\n", 0, true, false, "0",
         "[Break]\r\nFade=1\r\nTime=0\r\n", {"CheckBox1Click"}},
        {"mode, fade and length together", "[Break]\r\nStart=1\r\nFade=1\r\nTime=25\r\n", 1, true,
         true, "25", "[Break]\r\nStart=1\r\nFade=1\r\nTime=25\r\n",
         {"RadioGroup1Click", "CheckBox1Click", "LabeledEdit7Change"}},
        {"Start=7 with Time=-5", "[Break]\r\nStart=7\r\nTime=-5\r\n", 2, false, false, "0",
         "[Break]\r\nStart=2\r\nTime=0\r\n",
         {"RadioGroup1Click", "LabeledEdit7Change", "LabeledEdit7Change"}},
    };
    // clang-format on
    for (const StartupCase& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(QString::fromStdString(files().ini));
        if (!c.ini.empty()) {
            writeBytes(files().ini, c.ini);
        }
        TForm1 window(files(), dialogs, stationTools(m_cache), [] { return SpotMeasurer{}; });
        auto* radio = window.findChild<RadioGroup*>(QStringLiteral("RadioGroup1"));
        auto* fade = window.findChild<QCheckBox*>(QStringLiteral("CheckBox1"));
        auto* seconds = window.findChild<QLineEdit*>(QStringLiteral("LabeledEdit7"));
        std::vector<std::string> handlers;
        // No item selected sends no click.
        QObject::connect(radio, &RadioGroup::itemIndexChanged, [&handlers](int index) {
            if (index >= 0) {
                handlers.emplace_back("RadioGroup1Click");
            }
        });
        QObject::connect(fade, &QCheckBox::toggled,
                         [&handlers] { handlers.emplace_back("CheckBox1Click"); });
        QObject::connect(seconds, &QLineEdit::textChanged,
                         [&handlers] { handlers.emplace_back("LabeledEdit7Change"); });
        window.FormCreate();
        EXPECT_EQ(radio->itemIndex(), c.index);
        EXPECT_EQ(fade->isChecked(), c.fade);
        EXPECT_EQ(fade->isEnabled(), c.fadeEnabled);
        EXPECT_EQ(seconds->text(), c.seconds);
        EXPECT_EQ(handlers, c.handlers);
        EXPECT_EQ(readBytes(files().ini), c.iniAfter);
        for (const char* name : {"LabeledEdit1", "LabeledEdit2", "LabeledEdit3"}) {
            EXPECT_EQ(window.findChild<QLineEdit*>(QString::fromLatin1(name))->text(), QString());
        }
        EXPECT_TRUE(dialogs.messages.empty());
    }
}

TEST_F(FormTest, StoredFolderIsShownDecodedAndAVanishedOneIsDropped) {
    const std::string polish = folder() + "Reklamy\xB9";  // "Reklamyą" in Windows-1250
    ASSERT_TRUE(QDir().mkpath(QString::fromUtf8(folder()) + QStringLiteral("Reklamyą")));
    writeBytes(files().ini,
               "[Foldery]\r\nFolderMIX=" + polish + "\r\nFolderLST=" + folder() + "gone/\r\n");
    form();
    EXPECT_EQ(control<QLineEdit>("LabeledEdit1")->text(),
              QString::fromUtf8(folder()) + QStringLiteral("Reklamyą"));
    EXPECT_EQ(formSettings().folder(Folder::Playlists), polish);
    EXPECT_EQ(control<QLineEdit>("LabeledEdit2")->text(), QString());
    EXPECT_EQ(formSettings().folder(Folder::AdvertLists), "");
}

TEST_F(FormTest, EachSettingWritesItsKeyAtOnce) {
    form();
    radioItem(form(), 1)->click();
    EXPECT_EQ(iniInt("Break", "Start"), 1);
    EXPECT_TRUE(control<QCheckBox>("CheckBox1")->isEnabled());

    control<QCheckBox>("CheckBox1")->click();
    EXPECT_EQ(iniInt("Break", "Fade"), 1);

    radioItem(form(), 2)->click();
    EXPECT_EQ(iniInt("Break", "Start"), 2);
    EXPECT_FALSE(control<QCheckBox>("CheckBox1")->isEnabled());
    EXPECT_TRUE(control<QCheckBox>("CheckBox1")->isChecked()) << "disabling keeps the tick";

    QLineEdit* seconds = control<QLineEdit>("LabeledEdit7");
    seconds->selectAll();
    QTest::keyClicks(seconds, QStringLiteral("45"));
    EXPECT_EQ(iniInt("Break", "Time"), 45);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(FormTest, BreakLengthTakesDigitsOnlyAndNeverPassesTheLongestBreak) {
    QLineEdit* seconds = control<QLineEdit>("LabeledEdit7");
    seconds->selectAll();
    QTest::keyClicks(seconds, QStringLiteral("4a-5 x"));
    EXPECT_EQ(seconds->text(), QStringLiteral("45"));

    seconds->setText(QStringLiteral("214748"));
    seconds->end(false);
    QTest::keyClicks(seconds, QStringLiteral("9"));
    EXPECT_EQ(seconds->text(), QStringLiteral("214748")) << "2147489 would pass the limit";
    QTest::keyClicks(seconds, QStringLiteral("3"));
    EXPECT_EQ(seconds->text(), QStringLiteral("2147483"));
    EXPECT_EQ(iniInt("Break", "Time"), 2147483);

    QTest::keyClick(seconds, Qt::Key_Backspace);
    EXPECT_EQ(seconds->text(), QStringLiteral("214748"));

    // Pasting goes through insert(), as typing does, but skips the key filter.
    seconds->selectAll();
    seconds->insert(QStringLiteral("99999999999"));
    EXPECT_EQ(seconds->text(), QStringLiteral("214748"));
    seconds->selectAll();
    seconds->insert(QStringLiteral("abc"));
    EXPECT_EQ(seconds->text(), QStringLiteral("0"));
    EXPECT_EQ(iniInt("Break", "Time"), 0);
}

TEST_F(FormTest, LoadCompileAndSaveThroughTheCommands) {
    writeBytes(path("dzien.mix"), kPlaylist);
    writeBytes(path("reklamy.lst"), kAdverts);
    writeBytes(files().matrix, kEveryHour + kEveryHour + kEveryHour + kEveryHour + kEveryHour +
                                   kEveryHour + kEveryHour);
    writeBytes(files().ini,
               "[Foldery]\r\nFolderMIX=" + folder() + "\r\nFolderWynikowy=" + folder() + "\r\n");
    form();

    dialogs.answers = {QString::fromStdString(path("dzien.mix")),
                       QString::fromStdString(path("reklamy.lst"))};
    control<QAbstractButton>("BitBtn4")->click();
    control<QAbstractButton>("BitBtn5")->click();
    ASSERT_EQ(dialogs.opens.size(), 2u);
    EXPECT_EQ(dialogs.opens[0].folder.toStdString(), folder());
    EXPECT_EQ(dialogs.opens[0].filter, QStringLiteral("Pliki playlist (*.mix)"));
    EXPECT_EQ(dialogs.opens[1].folder, QString()) << "no advert folder configured";
    EXPECT_EQ(dialogs.opens[1].filter, QStringLiteral("Pliki list reklamych (*.lst)"));
    EXPECT_EQ(control<QLineEdit>("LabeledEdit4")->text(), QStringLiteral("dzien"));
    EXPECT_EQ(control<QLineEdit>("LabeledEdit5")->text(), QStringLiteral("reklamy"));
    EXPECT_EQ(control<QLineEdit>("LabeledEdit6")->text(), QStringLiteral("reklamy"));
    EXPECT_EQ(control<QTreeView>("ListView1")->model()->rowCount(), 2);
    EXPECT_EQ(control<QTreeView>("ListView2")->model()->rowCount(), 1);
    EXPECT_EQ(control<QLabel>("Label1")->text(),
              QStringLiteral("Ładowanie pliku LST zakończone! Niezmierzone spoty: 1"));

    control<QAbstractButton>("BitBtn3")->click();
    ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text.toStdString();
    // The item, then the noon break and the advert after it, then the jingle.
    ASSERT_EQ(lists().ListaWynikowa.size(), 4u);
    EXPECT_EQ(lists().ListaWynikowa[1].line(Field::Typ), "Typ=BRK");
    EXPECT_EQ(control<QTreeView>("ListView3")->model()->rowCount(), 4);
    EXPECT_EQ(control<QLabel>("Label1")->text(), QStringLiteral("Kompilowanie list - gotowe!"));
    EXPECT_EQ(control<QProgressBar>("Gauge1")->value(), control<QProgressBar>("Gauge1")->maximum());

    control<QLineEdit>("LabeledEdit6")->setText(QStringLiteral("wynik dnia"));
    control<QAbstractButton>("BitBtn1")->click();
    const std::string saved = folder() + "wynik dnia.mix";
    EXPECT_EQ(readBytes(saved), mixText(lists().ListaWynikowa));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Informacja"));
    // The spot without a length was asked about first, and the confirmation says so.
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_TRUE(dialogs.questions[0].text.contains(QStringLiteral("1 z 1 zamówionych spotów")));
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(
        QStringLiteral("Nowa playlista %1 została zapisana, choć nie rozlicza wszystkich "
                       "zamówionych spotów: 1 z 1")
            .arg(QString::fromStdString(saved))))
        << dialogs.messages[0].text.toStdString();
    // Saved again under the same name: the message says the file was replaced.
    control<QAbstractButton>("BitBtn1")->click();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_TRUE(dialogs.messages[1].text.startsWith(
        QStringLiteral("Playlista %1 została zastąpiona nową, choć nie rozlicza")
            .arg(QString::fromStdString(saved))))
        << dialogs.messages[1].text.toStdString();
}

// A result the loaded lists or settings would no longer give is told, and not saved under
// the name a new list proposes; "Nie" to the question about its spots saves nothing either.
TEST_F(FormTest, AResultTheListsNoLongerGiveIsNotSaved) {
    writeBytes(path("dzien.mix"), kPlaylist);
    writeBytes(path("reklamy.lst"), kAdverts);
    writeBytes(path("inne.lst"), kAdverts);
    writeBytes(files().matrix, kEveryHour + kEveryHour + kEveryHour + kEveryHour + kEveryHour +
                                   kEveryHour + kEveryHour);
    writeBytes(files().ini, "[Foldery]\r\nFolderWynikowy=" + folder() + "\r\n");
    dialogs.answers = {QString::fromStdString(path("dzien.mix")),
                       QString::fromStdString(path("reklamy.lst")),
                       QString::fromStdString(path("inne.lst"))};
    control<QAbstractButton>("BitBtn4")->click();
    control<QAbstractButton>("BitBtn5")->click();
    control<QAbstractButton>("BitBtn3")->click();
    const QString stale = QStringLiteral("Wynik nie odpowiada wczytanym listom: naciśnij Przelicz");

    dialogs.askAnswers = {false};
    control<QAbstractButton>("BitBtn1")->click();
    EXPECT_EQ(dialogs.questions.size(), 1u);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(folder() + "reklamy.mix")));

    control<QAbstractButton>("BitBtn5")->click();
    EXPECT_TRUE(control<QLabel>("Label1")->text().contains(stale));
    EXPECT_EQ(control<QPushButton>("PlacementNotice")->text(), stale);
    control<QAbstractButton>("BitBtn1")->click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, stale);
    EXPECT_EQ(dialogs.questions.size(), 1u) << "a stale result is refused before any question";
    EXPECT_FALSE(QFile::exists(QString::fromStdString(folder() + "inne.mix")));

    // Compiled again it is current, until the weekday changes.
    control<QAbstractButton>("BitBtn3")->click();
    EXPECT_TRUE(form().session().resultCurrent());
    control<QComboBox>("ComboBox1")->setCurrentIndex(4);
    EXPECT_FALSE(form().session().resultCurrent());
    EXPECT_EQ(control<QPushButton>("PlacementNotice")->text(), stale);
}

// The status line tells how the last command ended, and nothing of an older one.
TEST_F(FormTest, TheStatusLineTellsTheLastCommandsEndAlone) {
    writeBytes(path("dzien.mix"), kPlaylist);
    writeBytes(path("reklamy.lst"), kAdverts);
    writeBytes(files().matrix, kEveryHour);  // Monday's line alone
    writeBytes(files().ini, "[Foldery]\r\nFolderWynikowy=" + folder() + "\r\n");
    dialogs.answers = {QString::fromStdString(path("dzien.mix")),
                       QString::fromStdString(path("reklamy.lst"))};
    control<QAbstractButton>("BitBtn4")->click();
    control<QAbstractButton>("BitBtn5")->click();
    const auto compileOn = [this](int weekday) {
        return [this, weekday] {
            control<QComboBox>("ComboBox1")->setCurrentIndex(weekday);
            control<QAbstractButton>("BitBtn3")->click();
        };
    };
    const auto save = [this](QString name, std::deque<bool> answers) {
        return [this, name, answers] {
            dialogs.askAnswers = answers;
            control<QLineEdit>("LabeledEdit6")->setText(name);
            control<QAbstractButton>("BitBtn1")->click();
        };
    };
    const QString notSaved = QStringLiteral("Nie zapisano wynikowego pliku MIX: ");
    struct Step {
        const char* what;
        std::function<void()> act;
        QString status;
        std::size_t questions;  // asked by the step
    };
    const Step steps[] = {
        {"compiled", compileOn(0), QStringLiteral("Kompilowanie list - gotowe!"), 0},
        {"a name of one no-break space", save(QString(QChar(0xA0)), {}),
         notSaved + QStringLiteral("Nazwa pliku wynikowego jest pusta!"), 0},
        {"\"Nie\" to the question", save(QStringLiteral("wynik"), {false}),
         notSaved + QStringLiteral("odpowiedź „Nie” — wynik nie rozlicza wszystkich zamówionych "
                                   "spotów."),
         1},
        {"saved", save(QStringLiteral("wynik"), {true}),
         QStringLiteral("Zapisywanie wynikowego pliku MIX - gotowe!"), 1},
        {"no Tuesday in the matrix", compileOn(1),
         // The result on screen stays, and is no longer what the controls would give.
         QStringLiteral("Nie skompilowano list: Matryca breaków \"%1\" nie ma wiersza dla dnia: "
                        "wtorek (w pliku: 1 wiersz) Wynik nie odpowiada wczytanym listom: "
                        "naciśnij Przelicz.")
             .arg(QString::fromStdString(files().matrix)),
         0},
        {"the old result no longer what the lists give", save(QStringLiteral("wynik"), {}),
         notSaved + QStringLiteral("Wynik nie odpowiada wczytanym listom: naciśnij Przelicz"), 0},
    };
    for (const Step& step : steps) {
        const std::size_t asked = dialogs.questions.size();
        step.act();
        EXPECT_EQ(control<QLabel>("Label1")->text().toStdString(), step.status.toStdString())
            << step.what;
        EXPECT_EQ(dialogs.questions.size() - asked, step.questions) << step.what;
    }
    EXPECT_EQ(QDir(QString::fromStdString(folder())).entryList({QStringLiteral("*.mix")}),
              (QStringList{QStringLiteral("dzien.mix"), QStringLiteral("wynik.mix")}));
}

TEST_F(FormTest, TheStatusTipTellsWhatTheStatusLineSaysNow) {
    writeBytes(path("dzien.mix"), kPlaylist);
    form().showSettingsNote(QStringLiteral("ustawienia w folderze programu: /x/"));
    form().show();
    auto* status = control<QLabel>("Label1");
    const auto tip = [&] {
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), status->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(status, &help);
        return QToolTip::text();
    };
    EXPECT_TRUE(tip().contains(QStringLiteral("ustawienia w folderze programu: /x/")));
    dialogs.answers = {QString::fromStdString(path("dzien.mix"))};
    control<QAbstractButton>("BitBtn4")->click();
    EXPECT_TRUE(tip().contains(QStringLiteral("Ładowanie pliku MIX - gotowe!")))
        << tip().toStdString();
    EXPECT_FALSE(tip().contains(QStringLiteral("ustawienia"))) << tip().toStdString();
}

TEST_F(FormTest, CancelledOpenDialogChangesNothing) {
    writeBytes(path("dzien.mix"), kPlaylist);
    dialogs.answers = {QString::fromStdString(path("dzien.mix")), QString(), QString()};
    control<QAbstractButton>("BitBtn4")->click();
    control<QLineEdit>("LabeledEdit6")->setText(QStringLiteral("moja"));
    control<QAbstractButton>("BitBtn4")->click();
    control<QAbstractButton>("BitBtn5")->click();
    EXPECT_EQ(control<QLineEdit>("LabeledEdit4")->text(), QStringLiteral("dzien"));
    EXPECT_EQ(lists().ListaMIX.size(), 2u);
    EXPECT_EQ(control<QLineEdit>("LabeledEdit5")->text(), QString());
    EXPECT_EQ(control<QLineEdit>("LabeledEdit6")->text(), QStringLiteral("moja"));
}

struct Refusal {
    const char* name;
    std::function<void(FormTest&, TForm1&)> prepare;
    const char* button;
    QMessageBox::Icon icon;
    QString title;
    QString text;
};

class RefusalTest : public FormTest, public testing::WithParamInterface<Refusal> {};

TEST_P(RefusalTest, CommandIsRefusedWithItsMessage) {
    GetParam().prepare(*this, form());
    control<QAbstractButton>(GetParam().button)->click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].icon, GetParam().icon);
    EXPECT_EQ(dialogs.messages[0].title, GetParam().title);
    EXPECT_EQ(dialogs.messages[0].text, GetParam().text);
    EXPECT_TRUE(lists().ListaWynikowa.empty());
}

void nothing(FormTest&, TForm1&) {}

INSTANTIATE_TEST_SUITE_P(
    Commands, RefusalTest,
    testing::Values(
        Refusal{"CompileWithoutPlaylist", nothing, "BitBtn3", QMessageBox::Information,
                QStringLiteral("Informacja"), QStringLiteral("Lista MIX jest pusta!")},
        Refusal{"SaveWithBlankName",
                [](FormTest&, TForm1& form) {
                    form.findChild<QLineEdit*>(QStringLiteral("LabeledEdit6"))
                        ->setText(QStringLiteral("   "));
                },
                "BitBtn1", QMessageBox::Critical, QStringLiteral("Błąd"),
                QStringLiteral("Nazwa pliku wynikowego jest pusta!")},
        Refusal{"SaveWithEmptyResult",
                [](FormTest&, TForm1& form) {
                    form.findChild<QLineEdit*>(QStringLiteral("LabeledEdit6"))
                        ->setText(QStringLiteral("wynik"));
                },
                "BitBtn1", QMessageBox::Critical, QStringLiteral("Informacja"),
                QStringLiteral("Nie ma czego zapisywać!")},
        Refusal{"CompileWithNoBreakMode",
                [](FormTest& test, TForm1& form) {
                    // One record passes the first check.
                    test.lists().ListaMIX.emplace_back();
                    form.findChild<RadioGroup*>(QStringLiteral("RadioGroup1"))->setItemIndex(-1);
                },
                "BitBtn3", QMessageBox::Information, QStringLiteral("Informacja"),
                QStringLiteral("Wybierz sposób wstawiania breaków!")}),
    [](const testing::TestParamInfo<Refusal>& row) { return std::string(row.param.name); });

TEST_F(FormTest, FailedLoadIsReportedAndTheWindowGoesOn) {
    dialogs.answers = {QString::fromStdString(path("missing.mix"))};
    control<QAbstractButton>("BitBtn4")->click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Kalmero"));
    EXPECT_EQ(dialogs.messages[0].icon, QMessageBox::Critical);
    EXPECT_THAT(dialogs.messages[0].text.toStdString(), HasSubstr("missing.mix"));
    EXPECT_TRUE(dialogs.messages[0].text.endsWith(QLatin1Char('.')));
    EXPECT_TRUE(control<QAbstractButton>("BitBtn4")->isEnabled());
    EXPECT_FALSE(form().busy());
}

TEST(ErrorText, FullStopOnlyAfterCharactersSortingAfterIt) {
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("No such file or directory"), QStringLiteral("No such file or directory.")},
        {QStringLiteral("Done."), QStringLiteral("Done.")},
        {QStringLiteral("Unable to write to /x/kalmero.ini"),
         QStringLiteral("Unable to write to /x/kalmero.ini.")},
        {QStringLiteral("(code 5)"), QStringLiteral("(code 5)")},
        {QStringLiteral("ends in -"), QStringLiteral("ends in -")},
        {QStringLiteral("łódź"), QStringLiteral("łódź.")},
        {QString(), QString()},
    };
    for (const auto& [text, shown] : cases) {
        EXPECT_EQ(errorMessageText(text), shown) << text.toStdString();
    }
}

TEST_F(FormTest, MatrixButtonOpensTheEditorAndItsClicksReachTheFile) {
    form();
    bool sawEditor = false;
    whenModalOpens([&] {
        auto* editor = qobject_cast<TFMatryca*>(QApplication::activeModalWidget());
        ASSERT_NE(editor, nullptr);
        sawEditor = true;
        QTest::mouseClick(editor->findChild<QWidget*>(QStringLiteral("ts312")), Qt::LeftButton);
        editor->findChild<QAbstractButton*>(QStringLiteral("BitBtn1"))->click();
    });
    control<QAbstractButton>("BitBtn2")->click();
    EXPECT_TRUE(sawEditor);
    const auto lines = readMatrixLines(files().matrix);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[3], "00000000000010000");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(FormTest, PathMapIsEditedFromTheKeyboardAndStoredAsTheConfigurationsSection) {
    writeBytes(files().ini, "[Sciezki]\r\nC:\\Radio=/srv/radio\r\nD:\\x=wzgl\r\n");
    form();
    EXPECT_THAT(control<QLabel>("Label1")->text().toStdString(), HasSubstr("D:\\x=wzgl"));
    std::vector<QString> problems;
    whenModalOpens([&] {
        auto* dialog = qobject_cast<PathMapDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("PathMapTable"));
        ASSERT_EQ(table->rowCount(), 1);
        EXPECT_EQ(table->item(0, 1)->text(), QStringLiteral("/srv/radio"));
        auto* shown = dialog->findChild<QLabel*>(QStringLiteral("PathMapProblems"));
        problems.push_back(shown->text());
        dialog->findChild<QAbstractButton*>(QStringLiteral("AddRow"))->click();
        ASSERT_EQ(table->rowCount(), 2);
        table->item(1, 0)->setText(QStringLiteral("\\\\SERWER\\reklamy"));
        table->item(1, 1)->setText(QStringLiteral("mnt"));
        dialog->accept();
        problems.push_back(shown->text());
        table->item(1, 1)->setText(QStringLiteral("/mnt/reklamy"));
        dialog->accept();
    });
    auto* action = form().findChild<QAction*>(QStringLiteral("PathMapAction"));
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_K));
    EXPECT_TRUE(form().actions().contains(action)) << "in the form's context menu";
    action->trigger();
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_THAT(problems[0].toStdString(), HasSubstr("D:\\x=wzgl"));
    EXPECT_THAT(problems[1].toStdString(), HasSubstr("Wiersz 2"));
    EXPECT_EQ(readBytes(files().ini),
              "[Sciezki]\r\nC:\\Radio=/srv/radio\r\n\\\\SERWER\\reklamy=/mnt/reklamy\r\n"
              "[Break]\r\nTime=10\r\n");
    EXPECT_EQ(formSettings().pathMap.lines().size(), 2u);
    EXPECT_TRUE(dialogs.messages.empty());
}

// A map that changes while a list is loaded reads the list again: the spots the window shows
// and compiles are those the new map finds, not what the old one left unmeasured.
TEST_F(FormTest, AChangedPathMapReadsTheLoadedAdvertListAgain) {
    writeBytes(path("reklamy.lst"), kAdverts);
    int measured = 0;
    measureSpot = [&measured](std::string_view) {
        ++measured;
        return SpotMeasure{};
    };
    form();
    dialogs.answers = {QString::fromStdString(path("reklamy.lst"))};
    control<QAbstractButton>("BitBtn5")->click();
    ASSERT_EQ(measured, 1);
    const auto editMap = [this](const QString& prefix) {
        whenModalOpens([prefix] {
            auto* dialog = qobject_cast<PathMapDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("PathMapTable"));
            if (!prefix.isEmpty()) {
                dialog->findChild<QAbstractButton*>(QStringLiteral("AddRow"))->click();
                table->item(table->rowCount() - 1, 0)->setText(prefix);
                table->item(table->rowCount() - 1, 1)->setText(QStringLiteral("/srv/radio"));
            }
            dialog->accept();
        });
        form().findChild<QAction*>(QStringLiteral("PathMapAction"))->trigger();
    };
    struct Row {
        const char* prefix;  // "" leaves the map as it is
        int measuredAfter;
        const char* status;
    };
    for (const Row& row : {Row{"", 1, "Mapa ścieżek zapisana bez zmian."},
                           Row{"C:\\Radio", 2, "Niezmierzone spoty: 1"},
                           Row{"", 2, "Mapa ścieżek zapisana bez zmian."}}) {
        editMap(QString::fromUtf8(row.prefix));
        EXPECT_EQ(measured, row.measuredAfter) << row.prefix;
        EXPECT_THAT(control<QLabel>("Label1")->text().toStdString(), HasSubstr(row.status));
    }
    EXPECT_EQ(control<QTreeView>("ListView2")->model()->rowCount(), 1);
    EXPECT_TRUE(dialogs.messages.empty());
}

}  // namespace
}  // namespace kalmero::test

namespace kalmero::test {
namespace {

TEST_F(FormTest, LoudnessIsMeasuredBehindTheCommandsAndShownWhole) {
    // The playlist's items name their files beside it: the programme the block is held to.
    std::string playlist = kPlaylist;
    playlist.insert(playlist.find("Tyt=Pierwsza"), "Adr=piosenka.wav\r\n");
    playlist.insert(playlist.find("Tyt=Dzwonek"), "Adr=dzwonek.wav\r\n");
    writeBytes(path("dzien.mix"), playlist);
    writeBytes(path("piosenka.wav"), "");
    writeBytes(path("dzwonek.wav"), "");
    writeBytes(path("reklamy.lst"), kAdverts);
    writeBytes(files().matrix, kEveryHour + kEveryHour + kEveryHour + kEveryHour + kEveryHour +
                                   kEveryHour + kEveryHour);
    std::atomic<bool> release{false};
    std::size_t asked = 0;
    LoudnessTools tools;
    tools.measure = [&release, &asked](const std::vector<std::string>& paths,
                                       const LoudnessSteps& steps,
                                       const std::atomic<bool>* cancel) {
        while (!release && !*cancel) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        asked = paths.size();
        LoudnessMeasuring measured;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            const bool isSpot = paths[i].find("spot") != std::string::npos;
            SpotLoudness spot;
            spot.integratedLufs = -14.04;
            spot.maxShortTermLufs = -9.96;
            spot.truePeakDbtp = -0.5;
            // 30 s at -14 LUFS for the spot, at -23 LUFS for the songs.
            spot.blockEnergies.assign(300, isSpot ? 0.0468f : 0.0059f);
            measured.spots.emplace_back(spot);
            steps(i + 1, paths.size());
        }
        return measured;
    };
    form().setLoudnessTools(tools);
    dialogs.answers = {QString::fromStdString(path("dzien.mix")),
                       QString::fromStdString(path("reklamy.lst"))};
    control<QAbstractButton>("BitBtn4")->click();
    control<QAbstractButton>("BitBtn5")->click();

    // The day compiles while its spots are still being measured, and knows nothing of them.
    control<QAbstractButton>("BitBtn3")->click();
    ASSERT_EQ(lists().ListaWynikowa.size(), 4u);
    EXPECT_FALSE(form().session().loudness().delivered());

    release = true;
    for (int wait = 0; wait < 5000 && !form().session().loudness().delivered(); ++wait) {
        QTest::qWait(1);
    }
    ASSERT_TRUE(form().session().loudness().delivered());
    EXPECT_EQ(asked, 3U) << "the spot and the two items";
    EXPECT_EQ(control<QLabel>("Label1")->text(),
              QStringLiteral("Pomiar głośności - gotowe; za głośne spoty: 1; bloki głośniejsze od "
                             "programu: 1 — Niezmierzone spoty: 1"));
    auto* notice = control<QPushButton>("PlacementNotice");
    ASSERT_TRUE(notice->isVisibleTo(&form()));
    // The loud spot and its block are the findings after the missing spot.
    EXPECT_TRUE(notice->text().endsWith(QStringLiteral("; jeszcze 2 uwagi")))
        << notice->text().toStdString();

    std::vector<QString> shown;
    whenModalOpens([&] {
        auto* list = QApplication::activeModalWidget();
        ASSERT_NE(list, nullptr);
        auto* table = list->findChild<QTableWidget*>(QStringLiteral("LoudnessTable"));
        ASSERT_NE(table, nullptr);
        ASSERT_EQ(table->rowCount(), 1);
        for (int c = 0; c < table->columnCount(); ++c) {
            shown.push_back(table->item(0, c)->text());
        }
        EXPECT_EQ(table->item(0, 3)->foreground().color(), QColor(176, 0, 0));
        EXPECT_TRUE(table->toolTip().contains(QStringLiteral("Ctrl+1")));
        auto* blocks = list->findChild<QTableWidget*>(QStringLiteral("ProgrammeTable"));
        ASSERT_NE(blocks, nullptr);
        ASSERT_EQ(blocks->rowCount(), 1);
        for (int c = 0; c < blocks->columnCount(); ++c) {
            shown.push_back(blocks->item(0, c)->text());
        }
        EXPECT_EQ(blocks->item(0, 3)->foreground().color(), QColor(176, 0, 0));
        list->findChild<QPushButton*>(QStringLiteral("PlacementOk"))->click();
    });
    notice->click();
    EXPECT_EQ(shown, (std::vector<QString>{
                         QStringLiteral("12:00:00.000"), QStringLiteral("spot"),
                         QStringLiteral("-14.0"), QStringLiteral("-10.0"), QStringLiteral("-0.5"),
                         QStringLiteral("za głośny: krótkoterminowa -10.0 LUFS > -18; za wysoki "
                                        "szczyt: -0.5 dBTP > -1"),
                         QStringLiteral("12:00"), QStringLiteral("-14.0"), QStringLiteral("-23.0"),
                         QStringLiteral("9.0"), QStringLiteral("głośniejszy od programu")}));
}

}  // namespace
}  // namespace kalmero::test
