// Every command from the keyboard alone: a control focused, keys pressed, what follows.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTreeView>
#include <functional>
#include <memory>
#include <vector>

#include "formats/matryca.h"
#include "ui/day_view.h"
#include "ui/folder_chooser.h"
#include "ui/matrix_editor.h"
#include "ui/placement_notice.h"
#include "ui/read_only_table.h"
#include "ui_fixture.h"

namespace kalmero::test {
namespace {

// An item before noon and a jingle after it; the noon advert has no sound, so the notice
// has something to say.
const std::string kPlaylist =
    "WERSJA=2\r\nPOZYCJI=2\r\n"
    "Emi=11:58:00.000\r\nTyp=SND\r\nTrw=04:00.000\r\nMix=00:00.000\r\nNwK=04:00.000\r\n"
    "Tyt=Pierwsza\r\nKONIEC OPISU\r\n"
    "Emi=12:02:00.000\r\nTyp=JNG\r\nTrw=00:08.000\r\nMix=00:00.000\r\nNwK=00:08.000\r\n"
    "Tyt=Dzwonek\r\nKONIEC OPISU\r\n";

class KeyboardTest : public FormTest {
public:
    // No window, no settings files, no answers.
    void forget() {
        m_form.reset();
        QFile::remove(QString::fromStdString(files().ini));
        QFile::remove(QString::fromStdString(files().matrix));
        dialogs.answers.clear();
        dialogs.whileOpen = nullptr;
        dialogs.messages.clear();
    }
    // The window, shown and active; a new one after `reopen`.
    void showForm() {
        form().show();
        activate(&form());
    }
    void reopen() {
        m_form.reset();
        showForm();
    }
    static void activate(QWidget* window) {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        // The offscreen desktop tells the widgets late, inside a nested event loop.
        QApplication::setActiveWindow(window);
    }
    void loadAndCompile() {
        writeBytes(files().matrix, std::string(7 * 19, '0'));
        writeBytes(path("dzien.mix"), kPlaylist);
        writeBytes(path("reklamy.lst"), "12:00:00\r\n" + folder() + "cisza.wav\r\n");
        dialogs.answers = {QString::fromStdString(path("dzien.mix")),
                           QString::fromStdString(path("reklamy.lst"))};
        control<QAbstractButton>("BitBtn4")->click();
        control<QAbstractButton>("BitBtn5")->click();
        control<QAbstractButton>("BitBtn3")->click();
    }
    // A control of any of the program's windows, by name.
    static QWidget* widget(const char* name) {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QLatin1String(name)) {
                return window;
            }
            if (auto* found = window->findChild<QWidget*>(QString::fromLatin1(name))) {
                return found;
            }
        }
        return nullptr;
    }
    static QString focusName() {
        return QApplication::focusWidget() != nullptr ? QApplication::focusWidget()->objectName()
                                                      : QString();
    }
    static void press(const std::vector<QKeyCombination>& keys) {
        for (const QKeyCombination key : keys) {
            QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
        }
    }
    static int page() { return static_cast<QTabWidget*>(widget("PlacementPages"))->currentIndex(); }
    // The view's pixels, with the focus and without it.
    static bool showsFocus(QAbstractItemView* view) {
        view->setFocus(Qt::TabFocusReason);
        const QImage focused = view->viewport()->grab().toImage();
        view->clearFocus();
        return focused != view->viewport()->grab().toImage();
    }
    // The modal window the keys opened, active as on a desktop.
    template <class T>
    static T* modal() {
        auto* window = qobject_cast<T*>(QApplication::activeModalWidget());
        if (window != nullptr) {
            activate(window);
        }
        return window;
    }
    std::string subfolder(const char* name) {
        EXPECT_TRUE(QDir().mkpath(m_tmp.filePath(QString::fromLatin1(name))));
        return folder() + name;
    }

    std::unique_ptr<QWidget> m_elsewhere;
};

struct KeyPath {
    const char* what;
    std::function<void()> before;  // files, loads and windows the path starts from
    const char* focus;             // the control that has the focus first
    std::vector<QKeyCombination> keys;
    std::function<void()> inModal;  // answers the modal window the keys open; none opens if empty
    std::function<void()> after;    // the effect expected
};

TEST_F(KeyboardTest, EveryCommandHasItsKeys) {
    std::string chosen;
    const KeyPath paths[] = {
        {"Enter on a folder field opens the chooser on its folder; arrows and Enter choose",
         [&] {
             subfolder("b");
             writeBytes(files().ini, "[Foldery]\r\nFolderLST=" + subfolder("a") + "/\r\n");
         },
         "LabeledEdit2",
         {Qt::Key_Return},
         [&] {
             auto* chooser = modal<TFZmienFolder>();
             ASSERT_NE(chooser, nullptr);
             auto* tree = chooser->findChild<QTreeView*>(QStringLiteral("ShellTreeView1"));
             EXPECT_EQ(QApplication::focusWidget(), tree);
             EXPECT_EQ(chooser->chosenFolder().toStdString(), folder() + "a/");
             // "b" shows once the folder around "a" has been read.
             ASSERT_TRUE(QTest::qWaitFor(
                 [&] { return tree->model()->rowCount(tree->currentIndex().parent()) == 2; }));
             // The stored folder stays highlighted and in sight once its neighbours came.
             EXPECT_TRUE(tree->selectionModel()->isSelected(tree->currentIndex()));
             EXPECT_TRUE(QTest::qWaitFor([&] {
                 return tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex()));
             }));
             press({Qt::Key_Down, Qt::Key_Return});
         },
         [&] {
             EXPECT_EQ(formSettings().folder(Folder::AdvertLists), folder() + "b/");
             EXPECT_EQ(control<QLineEdit>("LabeledEdit2")->text().toStdString(), folder() + "b/");
         }},
        {"Space on a folder field opens the chooser; Enter at once keeps its folder",
         [&] {
             chosen = subfolder("wyniki");
             writeBytes(files().ini, "[Foldery]\r\nFolderWynikowy=" + chosen + "\r\n");
         },
         "LabeledEdit3",
         {Qt::Key_Space},
         [&] {
             ASSERT_NE(modal<TFZmienFolder>(), nullptr);
             EXPECT_EQ(focusName(), QStringLiteral("ShellTreeView1"));
             press({Qt::Key_Enter});
         },
         [&] { EXPECT_EQ(iniReadString(files().ini, "Foldery", "FolderWynikowy"), chosen + "/"); }},
        {"the matrix editor's grid is a Tab stop; arrows move in it, Space switches and stores",
         nullptr,
         "BitBtn2",
         {Qt::Key_Space},
         [&] {
             ASSERT_NE(modal<TFMatryca>(), nullptr);
             press({Qt::Key_Tab, Qt::Key_Tab});
             EXPECT_EQ(focusName(), QStringLiteral("ts00"));
             press({Qt::Key_Right, Qt::Key_Right, Qt::Key_Down, Qt::Key_Space});
             EXPECT_EQ(focusName(), QStringLiteral("ts12"));
             EXPECT_EQ(readMatrixLines(files().matrix).at(1), "00100000000000000");
             press({Qt::Key_Space, Qt::Key_Left, Qt::Key_Space, Qt::Key_Escape});
         },
         [&] {
             EXPECT_EQ(readMatrixLines(files().matrix).at(1), "01000000000000000");
             EXPECT_EQ(readMatrixLines(files().matrix).size(), 7u);
         }},
        {"F8 opens the notice's list",
         [&] { loadAndCompile(); },
         "BitBtn3",
         {Qt::Key_F8},
         [&] {
             ASSERT_NE(modal<PlacementListDialog>(), nullptr);
             press({Qt::Key_Escape});
         },
         nullptr},
        {"Tab goes from the result list to the notice",
         [&] { loadAndCompile(); },
         "ListView3",
         {Qt::Key_Tab},
         nullptr,
         [&] { EXPECT_EQ(focusName(), QStringLiteral("PlacementNotice")); }},
        {"the day view's button is the stop after Przelicz, the save after it",
         [&] { loadAndCompile(); },
         "BitBtn3",
         {Qt::Key_Tab},
         nullptr,
         [&] {
             EXPECT_EQ(focusName(), QStringLiteral("DayViewButton"));
             press({Qt::Key_Tab});
             EXPECT_EQ(focusName(), QStringLiteral("BitBtn1"));
         }},
        {"F8 before a compile says what to do",
         nullptr,
         "BitBtn3",
         {Qt::Key_F8},
         nullptr,
         [&] {
             EXPECT_TRUE(control<QLabel>("Label1")->text().contains(QStringLiteral("Przelicz")))
                 << control<QLabel>("Label1")->text().toStdString();
         }},
        {"a focused empty list shows its focus",
         [&] { writeBytes(path("dzien.mix"), kPlaylist); },
         "TForm1",
         {},
         nullptr,
         [&] {
             for (const char* name : {"ListView1", "ListView2", "ListView3"}) {
                 EXPECT_TRUE(showsFocus(control<QTreeView>(name))) << name;
             }
         }},
        {"Ctrl+Tab, Ctrl+PgDn and back switch the notice's pages wherever the focus is",
         [&] { loadAndCompile(); },
         "BitBtn3",
         {Qt::Key_F8},
         [&] {
             ASSERT_NE(modal<PlacementListDialog>(), nullptr);
             const int count = static_cast<QTabWidget*>(widget("PlacementPages"))->count();
             ASSERT_GE(count, 2);
             const int first = page();
             press({Qt::CTRL | Qt::Key_Tab});
             EXPECT_EQ(page(), (first + 1) % count);
             press({Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab});
             EXPECT_EQ(page(), first);
             press({Qt::CTRL | Qt::Key_PageDown, Qt::CTRL | Qt::Key_PageDown});
             EXPECT_EQ(page(), (first + 2) % count);
             press({Qt::CTRL | Qt::Key_PageUp});
             EXPECT_EQ(page(), (first + 1) % count);
             press({Qt::Key_Escape});
         },
         nullptr},
        {"Tab leaves the notice's table for the next control",
         [&] { loadAndCompile(); },
         "BitBtn3",
         {Qt::Key_F8},
         [&] {
             ASSERT_NE(modal<PlacementListDialog>(), nullptr);
             auto* table = static_cast<QTableWidget*>(widget("PlacementTable"));
             table->setFocus(Qt::TabFocusReason);
             const QModelIndex current = table->currentIndex();
             press({Qt::Key_Tab});
             EXPECT_NE(QApplication::focusWidget(), table);
             EXPECT_EQ(table->currentIndex(), current);
             press({Qt::Key_Escape});
         },
         nullptr},
        {"Ctrl+2 sorts a sortable table by its second column, again the other way",
         [&] {
             auto* table = new ReadOnlyTable({QStringLiteral("a"), QStringLiteral("b")}, 3,
                                             QStringLiteral("SortableTable"), nullptr);
             m_elsewhere.reset(table);
             const char* cells[3][2] = {{"1", "b"}, {"2", "c"}, {"3", "a"}};
             for (int r = 0; r < 3; ++r) {
                 for (int c = 0; c < 2; ++c) {
                     table->setItem(r, c, new QTableWidgetItem(QString::fromLatin1(cells[r][c])));
                 }
             }
             table->setSortingEnabled(true);
             table->sortByColumn(0, Qt::AscendingOrder);
             table->show();
         },
         "SortableTable",
         {Qt::CTRL | Qt::Key_2},
         nullptr,
         [&] {
             auto* table = static_cast<QTableWidget*>(widget("SortableTable"));
             EXPECT_EQ(table->item(0, 1)->text(), QStringLiteral("a"));
             press({Qt::CTRL | Qt::Key_2});
             EXPECT_EQ(table->item(0, 1)->text(), QStringLiteral("c"));
             press({Qt::CTRL | Qt::Key_1});
             EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("1"));
             m_elsewhere.reset();
         }},
        {"Escape closes the day view",
         [&] {
             loadAndCompile();
             form().showDayView();
         },
         "DayPicture",
         {Qt::Key_Escape},
         nullptr,
         [&] { EXPECT_FALSE(widget("DayView")->isVisible()); }},
        {"Enter on the day view's Zamknij closes it",
         [&] {
             loadAndCompile();
             form().showDayView();
         },
         "DayViewClose",
         {Qt::Key_Return},
         nullptr,
         [&] { EXPECT_TRUE(QTest::qWaitFor([&] { return !widget("DayView")->isVisible(); })); }},
        {"closing the main window closes the day view, which keeps the program no longer",
         [&] {
             loadAndCompile();
             form().showDayView();
         },
         "TForm1",
         {},
         nullptr,
         [&] {
             EXPECT_FALSE(widget("DayView")->testAttribute(Qt::WA_QuitOnClose));
             form().close();
             EXPECT_FALSE(widget("DayView")->isVisible());
         }},
        {"Enter on the notice opens its list",
         [&] { loadAndCompile(); },
         "PlacementNotice",
         {Qt::Key_Return},
         [&] {
             ASSERT_NE(modal<PlacementListDialog>(), nullptr);
             press({Qt::Key_Return});
         },
         nullptr},
        {"after a load the focus is back on the button that opened the file dialog",
         [&] {
             writeBytes(path("dzien.mix"), kPlaylist);
             dialogs.answers = {QString::fromStdString(path("dzien.mix"))};
             // The dialog holds the desktop's focus while the window's buttons are disabled.
             dialogs.whileOpen = [&] {
                 m_elsewhere = std::make_unique<QWidget>();
                 m_elsewhere->show();
                 activate(m_elsewhere.get());
             };
         },
         "BitBtn4",
         {Qt::Key_Space},
         nullptr,
         [&] {
             m_elsewhere.reset();
             activate(&form());
             EXPECT_EQ(focusName(), QStringLiteral("BitBtn4"));
             EXPECT_EQ(lists().ListaMIX.size(), 2u);
         }},
        {"in the day view the arrows and Enter select the record's row in the result list",
         [&] {
             loadAndCompile();
             form().showDayView();
         },
         "DayPicture",
         {Qt::Key_Down, Qt::Key_Return},
         nullptr,
         [&] {
             const auto* canvas = static_cast<DayPictureWidget*>(widget("DayPicture"));
             ASSERT_TRUE(canvas->picture().current().has_value());
             EXPECT_NE(*canvas->picture().current(), 0u) << "Down leaves the first record";
             EXPECT_EQ(control<QTreeView>("ListView3")->currentIndex().row(),
                       static_cast<int>(*canvas->picture().current()));
             EXPECT_TRUE(QTest::qWaitForWindowActive(&form()));
             EXPECT_EQ(focusName(), QStringLiteral("ListView3"));
         }},
        {"the day view's place is kept through the session for the next start",
         [&] {
             form().showDayView();
             widget("DayView")->setGeometry(60, 50, 520, 380);
             ASSERT_TRUE(
                 QTest::qWaitFor([&] { return iniInt("PodgladDnia", "Szerokosc") == 520; }));
             const WindowPlace kept = static_cast<DayView*>(widget("DayView"))->place();
             reopen();
             EXPECT_EQ(formSettings().dayViewPlace, kept);
             form().showDayView();
             EXPECT_EQ(static_cast<DayView*>(widget("DayView"))->place(), kept);
         },
         "TForm1",
         {},
         nullptr,
         nullptr},
    };
    for (const KeyPath& path : paths) {
        SCOPED_TRACE(path.what);
        forget();
        if (path.before) {
            path.before();
        }
        showForm();
        QWidget* start = widget(path.focus);
        ASSERT_NE(start, nullptr) << path.focus;
        activate(start->window());
        start->setFocus(Qt::TabFocusReason);
        bool opened = false;
        if (path.inModal) {
            whenModalOpens([&] {
                opened = QApplication::activeModalWidget() != nullptr;
                if (opened) {
                    path.inModal();
                }
                // A path that failed halfway leaves no window waiting for keys.
                if (QWidget* left = QApplication::activeModalWidget()) {
                    left->close();
                }
            });
        }
        press(path.keys);
        QCoreApplication::processEvents();
        EXPECT_EQ(opened, static_cast<bool>(path.inModal));
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        if (path.after) {
            path.after();
        }
    }
}

}  // namespace
}  // namespace kalmero::test
