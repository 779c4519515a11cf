#include "ui/matrix_editor.h"

#include <QCheckBox>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <exception>

#include "formats/konfiguracja_file.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "session/disk_files.h"
#include "ui/folder_chooser.h"
#include "ui/operator_dialogs.h"
#include "ui/pictures.h"

namespace kalmero {

namespace {

constexpr int kCellSize = 25;
const char* const kDayNames[kMatrixDays] = {"pn", "wt", "śr", "cz", "pi", "so", "nd"};

}  // namespace

MatrixCell::MatrixCell(int day, int hourIndex, bool on, QWidget* parent)
    : QWidget(parent), m_day(day), m_hourIndex(hourIndex), m_on(on) {
    setObjectName(QStringLiteral("ts%1%2").arg(day).arg(hourIndex));
    setGeometry(25 + kCellSize * hourIndex, 25 + kCellSize * day, kCellSize, kCellSize);
}

void MatrixCell::setOn(bool on) {
    m_on = on;
    update();
}

void MatrixCell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBrush(m_on ? QColor(0, 128, 0) : QColor(255, 0, 0));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void MatrixCell::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit pressed(this);
}

TFMatryca::TFMatryca(Konfiguracja& konfiguracja, std::string iniPath, std::string matrixPath,
                     OperatorDialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_konfiguracja(konfiguracja),
      m_iniPath(std::move(iniPath)),
      m_matrixPath(std::move(matrixPath)),
      m_dialogs(dialogs),
      m_ok(new QPushButton(okIcon(), QStringLiteral("OK"), this)),
      m_group(new QGroupBox(this)),
      m_sound(new QCheckBox(QStringLiteral("wstaw ścieżkę dźwięku zamiast breaka"), m_group)),
      m_soundPath(new QLineEdit(m_group)) {
    setObjectName(QStringLiteral("TFMatryca"));
    setWindowTitle(QStringLiteral("Matryca breaków"));
    setFixedSize(475, 383);

    m_ok->setObjectName(QStringLiteral("BitBtn1"));
    m_ok->setGeometry(208, 343, 75, 25);
    connect(m_ok, &QPushButton::clicked, this, &TFMatryca::BitBtn1Click);

    m_group->setObjectName(QStringLiteral("GroupBox1"));
    m_group->setGeometry(8, 228, 459, 93);
    m_sound->setObjectName(QStringLiteral("CheckBox1"));
    m_sound->setGeometry(16, 16, 209, 17);
    connect(m_sound, &QCheckBox::toggled, this, &TFMatryca::CheckBox1Click);
    m_soundPath->setObjectName(QStringLiteral("Edit1"));
    m_soundPath->setGeometry(16, 48, 425, 21);
    m_soundPath->installEventFilter(this);
}

void TFMatryca::FormShow() {
    readBreakSoundSettings(m_iniPath, m_konfiguracja);
    m_soundPath->setText(QString::fromStdString(cp1250ToUtf8(m_konfiguracja.FolderPlikBreak)));
    m_sound->setChecked(m_konfiguracja.CzyDzwiek);
    m_soundPath->setEnabled(m_konfiguracja.CzyDzwiek);

    // A missing file starts as a week without breaks; the first click or the close creates it.
    std::vector<std::string> lines;
    if (QFileInfo::exists(QString::fromStdString(m_matrixPath))) {
        lines = readMatrixLines(m_matrixPath);
    }
    RysujMatryce(gridFromLines(padMatrixLines(std::move(lines))));
}

void TFMatryca::RysujMatryce(const MatrixGrid& grid) {
    for (int day = 0; day < kMatrixDays; ++day) {
        for (int hour = 0; hour < kMatrixHours; ++hour) {
            auto* cell = new MatrixCell(day, hour, grid[day][hour], this);
            connect(cell, &MatrixCell::pressed, this, &TFMatryca::ZmienStan);
            cell->show();
            m_cells[day][hour] = cell;
            if (day == 0) {
                auto* label = new QLabel(QString::number(hour + kFirstMatrixHour), this);
                label->setObjectName(QStringLiteral("lbg%1").arg(hour));
                label->adjustSize();
                label->move(32 + kCellSize * hour, 10);
                label->show();
                m_hourLabels[hour] = label;
            }
        }
        auto* label = new QLabel(QString::fromUtf8(kDayNames[day]), this);
        label->setObjectName(QStringLiteral("lbd%1").arg(day));
        label->adjustSize();
        label->move(10, 32 + kCellSize * day);
        label->show();
        m_dayLabels[day] = label;
    }
}

MatrixGrid TFMatryca::grid() const {
    MatrixGrid grid{};
    for (int day = 0; day < kMatrixDays; ++day) {
        for (int hour = 0; hour < kMatrixHours; ++hour) {
            const MatrixCell* cell = m_cells[day][hour];
            grid[day][hour] = cell != nullptr && cell->isOn();
        }
    }
    return grid;
}

void TFMatryca::ZmienStan(MatrixCell* cell) {
    const bool on = !cell->isOn();
    cell->setOn(on);
    try {
        if (QFileInfo::exists(QString::fromStdString(m_matrixPath))) {
            kalmero::ZmienStan(m_matrixPath, cell->day(), cell->hourIndex(), on);
        } else {
            writeFileAtomically(m_matrixPath, matrixFileText(grid()));
        }
    } catch (const std::exception& error) {
        // The cell keeps its new colour; closing writes the whole grid again.
        report(error);
    }
}

void TFMatryca::ZapiszStanMatrycy() {
    writeFileAtomically(m_matrixPath, matrixFileText(grid()));
    m_konfiguracja.FolderPlikBreak = pathToCp1250(m_soundPath->text().toStdString());
    m_konfiguracja.CzyDzwiek = m_sound->isChecked();
    storeBreakSound(m_iniPath, m_konfiguracja);
}

void TFMatryca::done(int result) {
    if (!m_saved) {
        m_saved = true;
        // A failed write is reported and the editor closes all the same, so that an
        // unwritable folder can't hold the operator in it.
        try {
            ZapiszStanMatrycy();
        } catch (const std::exception& error) {
            report(error);
        }
    }
    QDialog::done(result);
}

void TFMatryca::BitBtn1Click() { accept(); }

void TFMatryca::CheckBox1Click(bool checked) { m_soundPath->setEnabled(checked); }

void TFMatryca::Edit1DblClick() {
    openFolderChooser(this, 4, m_soundPath, m_konfiguracja, m_iniPath, m_dialogs);
}

bool TFMatryca::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_soundPath && event->type() == QEvent::MouseButtonDblClick &&
        m_soundPath->isEnabled()) {
        Edit1DblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFMatryca::report(const std::exception& error) {
    showCommandError(m_dialogs, this, error.what());
}

}  // namespace kalmero
