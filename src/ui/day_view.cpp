#include "ui/day_view.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "ui/operator_dialogs.h"

namespace kalmero {

namespace {

// Deletes the day view with its owner: the view has no parent, so that it is a window of
// its own rather than one kept above the owner.
class ViewKeeper : public QObject {
public:
    ViewKeeper(QObject* owner, QWidget* view) : QObject(owner), m_view(view) {}
    ~ViewKeeper() override { delete m_view; }

private:
    QPointer<QWidget> m_view;
};

// The operator's moves come as a burst of events; the place is told once they stop.
constexpr int kSettleMs = 400;

}  // namespace

DayPictureWidget::DayPictureWidget(QWidget* parent)
    : QWidget(parent), m_picture(Lista{}, {}, DayChecks{}) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(m_picture.size());
}

void DayPictureWidget::setPicture(DayPicture picture) {
    const std::optional<std::size_t> current = m_picture.current();
    m_picture = std::move(picture);
    m_picture.setCurrent(current);
    if (m_fitWidth > 0) {
        m_picture.setWidth(m_fitWidth);
    }
    setFixedSize(m_picture.size());
    update();
}

void DayPictureWidget::fitWidth(int width) {
    m_fitWidth = width;
    m_picture.setWidth(width);
    setFixedSize(m_picture.size());
    update();
}

void DayPictureWidget::setHighlighted(std::size_t resultIndex) {
    m_picture.setHighlighted(resultIndex);
    m_picture.setCurrent(resultIndex);
    update();
}

void DayPictureWidget::moveCursor(std::optional<std::size_t> to) {
    if (!to) {
        return;
    }
    m_picture.setCurrent(to);
    update();
    emit cursorMoved(m_picture.barRect(*to));
}

bool DayPictureWidget::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (const std::optional<std::size_t> item = m_picture.itemAt(help->pos())) {
            QToolTip::showText(help->globalPos(), m_picture.describe(*item), this,
                               m_picture.barRect(*item));
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QWidget::event(event);
}

void DayPictureWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    m_picture.paint(painter);
}

void DayPictureWidget::mouseMoveEvent(QMouseEvent* event) {
    setCursor(m_picture.itemAt(event->position().toPoint()) ? Qt::PointingHandCursor
                                                            : Qt::ArrowCursor);
    QWidget::mouseMoveEvent(event);
}

void DayPictureWidget::mousePressEvent(QMouseEvent* event) {
    const std::optional<std::size_t> item = m_picture.itemAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && item) {
        m_picture.setCurrent(item);
        update();
        emit itemClicked(*item);
        return;
    }
    QWidget::mousePressEvent(event);
}

void DayPictureWidget::keyPressEvent(QKeyEvent* event) {
    using Step = DayPicture::Step;
    const std::optional<std::size_t> current = m_picture.current();
    switch (event->key()) {
        case Qt::Key_Left:
            moveCursor(m_picture.step(current, Step::Previous));
            break;
        case Qt::Key_Right:
            moveCursor(m_picture.step(current, Step::Next));
            break;
        case Qt::Key_Up:
            moveCursor(m_picture.step(current, Step::RowAbove));
            break;
        case Qt::Key_Down:
            moveCursor(m_picture.step(current, Step::RowBelow));
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (current) {
                emit itemClicked(*current);
            }
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void DayPictureWidget::focusInEvent(QFocusEvent* event) {
    // The cursor shows at once where the keys will start from.
    if (!m_picture.current()) {
        moveCursor(m_picture.step(std::nullopt, DayPicture::Step::Next));
    }
    QWidget::focusInEvent(event);
}

DayViewPlaces dayViewPlacement(const QRect& main, const QRect& keepClear, const QRect& available,
                               QSize wanted, QSize least) {
    const int height = std::clamp(wanted.height(), std::min(least.height(), available.height()),
                                  available.height());
    const int top = std::clamp(main.top(), available.top(), available.bottom() + 1 - height);
    const int right = available.right() - main.right();
    const int left = main.left() - available.left();
    if (right >= least.width()) {
        return {{main.right() + 1, top, std::min(wanted.width(), right), height}, main};
    }
    if (left >= least.width()) {
        const int width = std::min(wanted.width(), left);
        return {{main.left() - width, top, width, height}, main};
    }
    QRect moved = main;
    if (right + left >= least.width()) {
        moved.moveLeft(available.left());
        return {{moved.right() + 1, top, std::min(wanted.width(), right + left), height}, moved};
    }
    // A main window wider than the screen keeps its left edge in sight.
    moved.moveLeft(std::max(available.left(), available.right() + 1 - main.width()));
    const int clear = keepClear.left() + moved.left() - main.left();
    const int room = std::max(clear - available.left(), least.width());
    return {{available.left(), top, std::min(wanted.width(), room), height}, moved};
}

DayView::DayView(QWidget* owner)
    : QWidget(nullptr),
      m_hint(new QLabel(this)),
      m_scroll(new QScrollArea(this)),
      m_canvas(new DayPictureWidget) {
    if (owner != nullptr) {
        new ViewKeeper(owner, this);
    }
    setWindowTitle(QStringLiteral("Podgląd dnia"));
    // The program ends with its main window, whether or not this one is open.
    setAttribute(Qt::WA_QuitOnClose, false);

    m_hint->setText(
        QStringLiteral("Najedź na pozycję, aby zobaczyć jej czas i tytuł; kliknij ją albo wybierz "
                       "strzałkami i naciśnij Enter, aby zaznaczyć ją na liście wynikowej."));
    m_hint->setWordWrap(true);

    m_canvas->setObjectName(QStringLiteral("DayPicture"));
    m_scroll->setWidget(m_canvas);
    m_scroll->setWidgetResizable(false);
    // Always there, so that fitting the picture to the width never brings it or takes it away.
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_scroll->viewport()->installEventFilter(this);
    m_scroll->setBackgroundRole(QPalette::Base);
    m_scroll->setFocusPolicy(Qt::NoFocus);
    setFocusProxy(m_canvas);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close =
        buttons->addButton(QStringLiteral("Zamknij"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("DayViewClose"));
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_hint);
    layout->addWidget(m_scroll, 1);
    layout->addWidget(buttons);

    connect(m_canvas, &DayPictureWidget::itemClicked, this, [this](std::size_t item) {
        emit itemClicked(item);
        emit mainWindowWanted();
    });
    connect(m_canvas, &DayPictureWidget::cursorMoved, this, [this](QRect bar) {
        if (!bar.isEmpty()) {
            m_scroll->ensureVisible(bar.center().x(), bar.center().y(), bar.width() / 2 + 40, 80);
        }
    });

    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        if (m_told != place()) {
            m_told = place();
            emit placeChanged(*m_told);
        }
    });

    const QSize picture = m_canvas->size();
    const int frame =
        2 * m_scroll->frameWidth() + m_scroll->verticalScrollBar()->sizeHint().width();
    resize(picture.width() + frame + layout->contentsMargins().left() +
               layout->contentsMargins().right(),
           720);
}

void DayView::setPicture(DayPicture picture) {
    setWindowTitle(QStringLiteral("Podgląd dnia – ") + picture.title());
    m_canvas->setPicture(std::move(picture));
}

void DayView::showItem(std::size_t resultIndex) {
    m_canvas->setHighlighted(resultIndex);
    const QRect bar = m_canvas->picture().barRect(resultIndex);
    if (!bar.isEmpty()) {
        m_scroll->ensureVisible(bar.center().x(), bar.center().y(), bar.width() / 2 + 40, 80);
    }
}

WindowPlace DayView::place() const {
    const QPoint corner = frameGeometry().topLeft();
    return {corner.x(), corner.y(), width(), height()};
}

void DayView::showBeside(QWidget& main, const QRect& keepClear,
                         const std::optional<WindowPlace>& remembered) {
    // The frame is not known before the window is shown: the main window's is a fair guess.
    const QSize frame =
        isVisible() ? frameGeometry().size() - size() : main.frameGeometry().size() - main.size();
    const QRect stored =
        remembered ? QRect(remembered->x, remembered->y, remembered->width + frame.width(),
                           remembered->height + frame.height())
                   : QRect();
    // A place on a screen since unplugged, or one that left little of the window in sight,
    // is not taken back.
    // One list: screens() gives a new one at each call.
    const QList<QScreen*> screens = QGuiApplication::screens();
    const bool storedShows =
        remembered && std::any_of(screens.begin(), screens.end(), [&](const QScreen* screen) {
            const QRect seen = screen->availableGeometry().intersected(stored);
            return seen.width() >= 200 && seen.height() >= 150;
        });
    QRect target = stored;
    if (!storedShows) {
        const QScreen* screen = main.screen();
        const QRect available = screen != nullptr ? screen->availableGeometry() : QRect();
        const int chrome = 2 * m_scroll->frameWidth() +
                           m_scroll->verticalScrollBar()->sizeHint().width() +
                           layout()->contentsMargins().left() + layout()->contentsMargins().right();
        const QSize wanted = m_canvas->size() + QSize(chrome, 120) + frame;
        const DayViewPlaces places =
            dayViewPlacement(main.frameGeometry(), keepClear, available, wanted, QSize(480, 360));
        target = places.view;
        if (places.main.topLeft() != main.frameGeometry().topLeft()) {
            main.move(places.main.topLeft());
        }
    }
    resize(target.size() - frame);
    move(target.topLeft());
    show();
    m_told = place();
    bringForward();
}

void DayView::bringForward() {
    raise();
    activateWindow();
    // A window the desktop is still mapping may miss the request: it is asked again once
    // the desktop has had its turn.
    QTimer::singleShot(100, this, [this] {
        if (isVisible() && !isActiveWindow()) {
            raise();
            activateWindow();
        }
    });
}

void DayView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    // Enter on "Zamknij" closes, as Space does.
    if (pressFocusedButton(this, event)) {
        return;
    }
    QWidget::keyPressEvent(event);
}

bool DayView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_scroll->viewport() && event->type() == QEvent::Resize) {
        m_canvas->fitWidth(static_cast<QResizeEvent*>(event)->size().width());
    }
    return QWidget::eventFilter(watched, event);
}

void DayView::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (isVisible()) {
        m_settle.start();
    }
}

void DayView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (isVisible()) {
        m_settle.start();
    }
}

}  // namespace kalmero
