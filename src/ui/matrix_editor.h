#pragma once

#include <QDialog>
#include <array>
#include <string>

#include "formats/matryca.h"
#include "model/konfiguracja.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kalmero {

class OperatorDialogs;

// One hour of one weekday in the matrix editor: green when a break is on, red when off.
class MatrixCell : public QWidget {
    Q_OBJECT
public:
    MatrixCell(int day, int hourIndex, bool on, QWidget* parent);

    int day() const { return m_day; }
    int hourIndex() const { return m_hourIndex; }
    bool isOn() const { return m_on; }
    void setOn(bool on);

signals:
    // Any mouse button went down over the cell.
    void pressed(MatrixCell* cell);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int m_day;
    int m_hourIndex;
    bool m_on;
};

// "Matryca breaków": the week's news breaks by hour, and the break-sound option. Every
// cell click rewrites the matrix file at once; closing, by OK or the close box, writes the
// whole grid and the two break-sound keys.
class TFMatryca : public QDialog {
    Q_OBJECT
public:
    TFMatryca(Konfiguracja& konfiguracja, std::string iniPath, std::string matrixPath,
              OperatorDialogs& dialogs, QWidget* parent = nullptr);

    // Reads the break-sound keys into Konfiguracja and the controls and builds the grid.
    // A missing, short or narrow matrix file is filled up with "0"; a file that exists but
    // can't be read throws FileError, and the editor must not be shown.
    void FormShow();
    // Toggles a cell and stores its character in the matrix file at once.
    void ZmienStan(MatrixCell* cell);
    // Writes the whole grid, then FolderPlikBreak and CzyDzwiek.
    void ZapiszStanMatrycy();
    void BitBtn1Click();
    void Edit1DblClick();
    void CheckBox1Click(bool checked);

    MatrixGrid grid() const;

    // Closing by any way (OK, close box, Escape) saves first.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RysujMatryce(const MatrixGrid& grid);
    void report(const std::exception& error);

    Konfiguracja& m_konfiguracja;
    std::string m_iniPath;
    std::string m_matrixPath;
    OperatorDialogs& m_dialogs;
    QPushButton* m_ok;
    QGroupBox* m_group;
    QCheckBox* m_sound;
    QLineEdit* m_soundPath;
    std::array<std::array<MatrixCell*, kMatrixHours>, kMatrixDays> m_cells{};
    std::array<QLabel*, kMatrixHours> m_hourLabels{};
    std::array<QLabel*, kMatrixDays> m_dayLabels{};
    bool m_saved = false;
};

}  // namespace kalmero
