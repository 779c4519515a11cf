#pragma once

#include <QDialog>
#include <array>

#include "model/settings.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kalmero {

class BreakSettings;
class OperatorDialogs;

// One hour of one weekday in the matrix editor: green when a break is on, red when off. The
// grid is one stop of the keyboard: the cell holding it is marked while it has the focus,
// the arrows ask to move it, Space switches the cell as a click does.
class MatrixCell : public QWidget {
    Q_OBJECT
public:
    MatrixCell(int day, int hourIndex, bool on, QWidget* parent);

    int day() const { return m_day; }
    int hourIndex() const { return m_hourIndex; }
    bool isOn() const { return m_on; }
    void setOn(bool on);

signals:
    // Any mouse button went down over the cell, or Space was pressed on it.
    void pressed(MatrixCell* cell);
    // An arrow key: the keyboard's stop should go `days` rows and `hours` columns on.
    void stepAsked(MatrixCell* cell, int days, int hours);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int m_day;
    int m_hourIndex;
    bool m_on;
};

// "Matryca breaków": the week's news breaks by hour, and the break-sound option. Every
// cell click stores its hour at once; closing, by OK or the close box, stores the whole week
// and the break sound.
class TFMatryca : public QDialog {
    Q_OBJECT
public:
    // `settings` must outlive the editor.
    TFMatryca(BreakSettings& settings, OperatorDialogs& dialogs, QWidget* parent = nullptr);

    // Reads the break sound into the controls and builds the grid from the week. A week that
    // can't be read throws FileError, and the editor must not be shown.
    void FormShow();
    // Toggles a cell and stores its hour at once; the keyboard's stop goes to it.
    void ZmienStan(MatrixCell* cell);
    // Moves the keyboard's stop from `cell`, staying within the grid, and focuses it.
    void stepFrom(MatrixCell* cell, int days, int hours);
    // Stores the whole week, then the break sound.
    void ZapiszStanMatrycy();
    void BitBtn1Click();
    void Edit1DblClick();
    void CheckBox1Click(bool checked);

    BreakWeek grid() const;

    // Closing by any way (OK, close box, Escape) saves first.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RysujMatryce(const BreakWeek& grid);
    // Makes `cell` the grid's one stop of the keyboard.
    void setKeyboardCell(MatrixCell* cell);
    void report(const std::exception& error);

    BreakSettings& m_settings;
    OperatorDialogs& m_dialogs;
    bool m_soundOn = false;  // as stored, until the editor closes
    QPushButton* m_ok;
    QGroupBox* m_group;
    QCheckBox* m_sound;
    QLineEdit* m_soundPath;
    std::array<std::array<MatrixCell*, kBreakHours>, kWeekdays> m_cells{};
    std::array<QLabel*, kBreakHours> m_hourLabels{};
    std::array<QLabel*, kWeekdays> m_dayLabels{};
    bool m_saved = false;
    MatrixCell* m_keyboardCell = nullptr;
};

}  // namespace kalmero
