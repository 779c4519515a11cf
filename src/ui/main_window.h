#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/settings.h"
#include "model/spot_measure.h"
#include "session/session.h"
#include "ui/placement_notice.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeView;
class QAbstractButton;

namespace kalmero {

class DayPicture;
class DayView;
class WindowProgress;
class ListModel;
class OperatorDialogs;
class RadioGroup;

// A fresh spot measurer for each advert-list load, for tests; without one the session
// measures through the station's path map.
using SpotMeasurerFactory = std::function<SpotMeasurer()>;

// The main window: the three list views, the break settings and the five commands, over
// a session of its own on the given settings files.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    // The session works with `tools`, made where the program starts (stationTools).
    TForm1(SessionFiles files, OperatorDialogs& dialogs, SessionTools tools,
           SpotMeasurerFactory newMeasurer = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    // Start-up: reads the configuration into the session and the settings controls; a
    // setting that can't be written back is reported and the start goes on.
    void FormCreate();

    Session& session() { return *m_session; }
    // Where the settings live, in the status line until the first command.
    void showSettingsNote(const QString& note);

    // Load playlist, load advert list, compile, save the result, edit the break matrix.
    void BitBtn4Click();
    void BitBtn5Click();
    void BitBtn3Click();
    void BitBtn1Click();
    void BitBtn2Click();
    // Opens the folder chooser for the folder edit with this tag (1 playlists, 2 advert
    // lists, 3 results).
    void LabeledEdit1Click(int tag);

    // The settings handlers: each writes its key at once.
    void RadioGroup1Click(int index);
    void CheckBox1Click(bool checked);
    void LabeledEdit7Change(const QString& text);
    // The weekday the next compile is for; a result of another day is out of date.
    void ComboBox1Change(int index);

    // Opens the list of spots behind the placement notice (its click, Enter or
    // kPlacementNoticeKey), modal.
    void showPlacementList();
    // "Popraw głośność": asks, then lowers the loud spots into copies the result airs.
    void correctLoudness();
    // Opens "Podgląd dnia", the picture of the last compile's day, where the operator left
    // it or beside this window.
    void showDayView();
    // Opens the path map's editor (the form's context menu, Ctrl+K); OK stores the map.
    void editPathMap();

    // The loudness measuring's tools; the station's shared cache and the pool unless set.
    void setLoudnessTools(LoudnessTools tools);
    // Selects a row of the result list and scrolls it into view (a record chosen in the day
    // view).
    void selectResultRow(std::size_t row);

    // True while a command runs; the commands and settings are disabled meanwhile.
    bool busy() const { return m_busy; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildTopPanel(QWidget* panel);
    void buildListPanels(QWidget* left, QWidget* middle, QWidget* right);
    void buildBottomPanel(QWidget* panel);
    QTreeView* makeListView(QWidget* parent, const char* name, ListModel* model,
                            int secondColumnWidth);
    // Reads the advert list at `path` (as the file system takes it) into the session and
    // starts measuring its loudness.
    Outcome loadAdverts(const std::string& path);
    // Asks for a file in `folder` and loads it with `load`; the name edits show the file's
    // name, and get their old texts back when the load fails before touching its view.
    // The focus goes back to `opener` when done.
    void openAndLoad(QAbstractButton* opener, const std::string& folder, const QString& filter,
                     ListId list, const std::vector<QLineEdit*>& nameEdits,
                     const std::function<Outcome(const std::string&)>& load);
    // Tells the operator how a command ended: a refusal or failure in a message box and in the
    // status line after `notDone` (what was left undone: "Nie zapisano ..."), warnings of a
    // finished one in the status line after its own text.
    bool report(const Outcome& outcome, const QString& notDone);
    // Runs a command with the commands and settings disabled, the status line emptied of the
    // last command's text; a failure ends it and is shown by the top-level error box.
    void runCommand(const std::function<void()>& command);
    // Runs a handler, showing a failure in the top-level error box.
    void guarded(const std::function<void()>& handler);
    void FormClose();
    // Shows the notice after a compile: the day's first problem in red, or quiet when there
    // is nothing to check.
    void showPlacementReport();
    // After anything that may change what a compile would give: a result that no longer
    // matches is said to be out of date, in the status line and on the notice.
    void showResultState();
    // The loaded advert list's spots without a length for the status line ("" when none).
    QString unmeasuredNote() const;
    // What the status line's tip says: the line as it stands and the notice's key.
    QString statusTip() const;
    // Keeps where the operator left the day view; a failed write is told in the status line.
    void storeDayViewPlace(const WindowPlace& place);
    // The last compile's day as the day view draws it.
    DayPicture dayPicture() const;
    // Measures the loaded day's loudness in the background through the session; the
    // figures reach it whole when ready, and the notice and day view show them.
    void startLoudness();
    void showLoudnessProgress(std::size_t done, std::size_t total);
    void takeLoudness();

    OperatorDialogs& m_dialogs;
    SpotMeasurerFactory m_newMeasurer;

    ListModel* m_mixModel;
    ListModel* m_lstModel;
    ListModel* m_resultModel;

    QLineEdit* m_folderEdits[3] = {};  // LabeledEdit1..3
    RadioGroup* m_radioGroup = nullptr;
    QLineEdit* m_seconds = nullptr;              // LabeledEdit7
    QComboBox* m_weekday = nullptr;              // ComboBox1
    QCheckBox* m_fade = nullptr;                 // CheckBox1
    QAbstractButton* m_matrixButton = nullptr;   // BitBtn2
    QAbstractButton* m_compileButton = nullptr;  // BitBtn3
    QAbstractButton* m_saveButton = nullptr;     // BitBtn1
    QLineEdit* m_playlistName = nullptr;         // LabeledEdit4
    QLineEdit* m_advertName = nullptr;           // LabeledEdit5
    QLineEdit* m_resultName = nullptr;           // LabeledEdit6
    QAbstractButton* m_loadPlaylist = nullptr;   // BitBtn4
    QAbstractButton* m_loadAdverts = nullptr;    // BitBtn5
    QLabel* m_status = nullptr;                  // Label1
    QProgressBar* m_gauge = nullptr;             // Gauge1
    QPushButton* m_placementNotice = nullptr;    // at the right end of Label1's line
    QPushButton* m_dayButton = nullptr;          // "Podgląd dnia"
    QTreeView* m_resultView = nullptr;           // ListView3
    DayView* m_dayView = nullptr;
    // The last compile's spots, behind the notice.
    std::vector<PlacementEntry> m_placementEntries;
    QString m_noticeHeadline;
    // The files loaded now (names without folders, UTF-8), and the day the last compile made.
    std::string m_playlistFile;
    std::string m_advertFile;
    // The loaded advert list as the file system takes it, read again when the path map changes.
    std::string m_advertPath;
    DayTitle m_compiledDay;

    std::unique_ptr<WindowProgress> m_progress;
    std::unique_ptr<Session> m_session;
    // The measuring under way, and which one it is: what an older one posted is dropped.
    std::unique_ptr<LoudnessJob> m_loudness;
    std::uint64_t m_loudnessRun = 0;
    bool m_cacheWarned = false;
    // The loaded advert list's spots without a length.
    std::size_t m_unmeasured = 0;
    bool m_busy = false;
    bool m_closeRequested = false;
};

}  // namespace kalmero
