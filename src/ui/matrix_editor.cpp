#include "ui/matrix_editor.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <algorithm>
#include <exception>

#include "platform/encoding.h"
#include "session/break_settings.h"
#include "ui/folder_chooser.h"
#include "ui/operator_dialogs.h"
#include "ui/pictures.h"

namespace kalmero {

namespace {

constexpr int kCellSize = 25;
const char* const kDayNames[kWeekdays] = {"pn", "wt", "śr", "cz", "pi", "so", "nd"};

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
    if (hasFocus()) {
        // White shows on both fills; the outline stays as it is.
        painter.setPen(QPen(Qt::white, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(4, 4, -4, -4));
    }
}

void MatrixCell::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit pressed(this);
}

void MatrixCell::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Space:
            emit pressed(this);
            break;
        case Qt::Key_Left:
            emit stepAsked(this, 0, -1);
            break;
        case Qt::Key_Right:
            emit stepAsked(this, 0, 1);
            break;
        case Qt::Key_Up:
            emit stepAsked(this, -1, 0);
            break;
        case Qt::Key_Down:
            emit stepAsked(this, 1, 0);
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void MatrixCell::focusInEvent(QFocusEvent* event) {
    update();
    QWidget::focusInEvent(event);
}

void MatrixCell::focusOutEvent(QFocusEvent* event) {
    update();
    QWidget::focusOutEvent(event);
}

TFMatryca::TFMatryca(BreakSettings& settings, OperatorDialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_settings(settings),
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
    const BreakSound sound = m_settings.readBreakSound();
    m_soundOn = sound.on;
    m_soundPath->setText(QString::fromStdString(cp1250ToUtf8(sound.path)));
    m_sound->setChecked(sound.on);
    m_soundPath->setEnabled(sound.on);
    RysujMatryce(m_settings.readBreakWeek());
}

void TFMatryca::RysujMatryce(const BreakWeek& grid) {
    for (int day = 0; day < kWeekdays; ++day) {
        for (int hour = 0; hour < kBreakHours; ++hour) {
            auto* cell = new MatrixCell(day, hour, grid[day][hour], this);
            connect(cell, &MatrixCell::pressed, this, &TFMatryca::ZmienStan);
            connect(cell, &MatrixCell::stepAsked, this, &TFMatryca::stepFrom);
            cell->show();
            m_cells[day][hour] = cell;
            if (day == 0) {
                auto* label = new QLabel(QString::number(hour + kFirstBreakHour), this);
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
    // After the sound's controls in the tab order, as the cells come after them.
    setKeyboardCell(m_cells[0][0]);
}

void TFMatryca::setKeyboardCell(MatrixCell* cell) {
    if (m_keyboardCell == cell) {
        return;
    }
    if (m_keyboardCell != nullptr) {
        m_keyboardCell->setFocusPolicy(Qt::NoFocus);
    }
    m_keyboardCell = cell;
    cell->setFocusPolicy(Qt::TabFocus);
}

void TFMatryca::stepFrom(MatrixCell* cell, int days, int hours) {
    const int day = std::clamp(cell->day() + days, 0, kWeekdays - 1);
    const int hour = std::clamp(cell->hourIndex() + hours, 0, kBreakHours - 1);
    MatrixCell* next = m_cells[day][hour];
    setKeyboardCell(next);
    next->setFocus(Qt::TabFocusReason);
}

BreakWeek TFMatryca::grid() const {
    BreakWeek grid{};
    for (int day = 0; day < kWeekdays; ++day) {
        for (int hour = 0; hour < kBreakHours; ++hour) {
            const MatrixCell* cell = m_cells[day][hour];
            grid[day][hour] = cell != nullptr && cell->isOn();
        }
    }
    return grid;
}

void TFMatryca::ZmienStan(MatrixCell* cell) {
    setKeyboardCell(cell);
    const bool on = !cell->isOn();
    cell->setOn(on);
    try {
        m_settings.storeBreakHour(cell->day(), cell->hourIndex(), on);
    } catch (const std::exception& error) {
        // The cell keeps its new colour; closing writes the whole grid again.
        report(error);
    }
}

void TFMatryca::ZapiszStanMatrycy() {
    m_settings.storeBreakWeek(grid());
    m_soundOn = m_sound->isChecked();
    m_settings.storeBreakSound({m_soundOn, pathToCp1250(m_soundPath->text().toStdString())});
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
    // The chosen folder is stored at once, as the folder edits' are; the option as stored.
    openFolderChooser(this, 4, m_soundPath, m_dialogs, [this](const std::string& folder) {
        m_settings.storeBreakSound({m_soundOn, folder});
    });
}

bool TFMatryca::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_soundPath && event->type() == QEvent::MouseButtonDblClick &&
        m_soundPath->isEnabled()) {
        Edit1DblClick();
        return true;
    }
    // Enter on the path opens the chooser rather than closing the editor.
    if (watched == m_soundPath && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Edit1DblClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFMatryca::report(const std::exception& error) {
    showCommandError(m_dialogs, this, error.what());
}

}  // namespace kalmero
