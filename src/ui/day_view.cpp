#include "ui/day_view.h"

#include <QDialogButtonBox>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolTip>
#include <QVBoxLayout>
#include <utility>

namespace kalmero {

DayPictureWidget::DayPictureWidget(QWidget* parent)
    : QWidget(parent), m_picture(Lista{}, {}, DayChecks{}) {
    setMouseTracking(true);
    setFixedSize(m_picture.size());
}

void DayPictureWidget::setPicture(DayPicture picture) {
    m_picture = std::move(picture);
    setFixedSize(m_picture.size());
    update();
}

void DayPictureWidget::setHighlighted(std::size_t resultIndex) {
    m_picture.setHighlighted(resultIndex);
    update();
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
        emit itemClicked(*item);
        return;
    }
    QWidget::mousePressEvent(event);
}

DayView::DayView(QWidget* parent)
    : QDialog(parent), m_scroll(new QScrollArea(this)), m_canvas(new DayPictureWidget) {
    setWindowTitle(QStringLiteral("Podgląd dnia"));
    setModal(false);

    auto* hint = new QLabel(
        QStringLiteral("Najedź na pozycję, aby zobaczyć jej czas i tytuł; kliknij, aby zaznaczyć "
                       "ją na liście wynikowej."),
        this);
    hint->setWordWrap(true);

    m_scroll->setWidget(m_canvas);
    m_scroll->setWidgetResizable(false);
    m_scroll->setBackgroundRole(QPalette::Base);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close =
        buttons->addButton(QStringLiteral("Zamknij"), QDialogButtonBox::RejectRole);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_scroll, 1);
    layout->addWidget(buttons);

    connect(m_canvas, &DayPictureWidget::itemClicked, this, &DayView::itemClicked);

    const QSize picture = m_canvas->size();
    const int frame =
        2 * m_scroll->frameWidth() + m_scroll->verticalScrollBar()->sizeHint().width();
    resize(picture.width() + frame + layout->contentsMargins().left() +
               layout->contentsMargins().right(),
           720);
}

void DayView::setPicture(DayPicture picture) { m_canvas->setPicture(std::move(picture)); }

void DayView::showItem(std::size_t resultIndex) {
    m_canvas->setHighlighted(resultIndex);
    const QRect bar = m_canvas->picture().barRect(resultIndex);
    if (!bar.isEmpty()) {
        m_scroll->ensureVisible(bar.center().x(), bar.center().y(), bar.width() / 2 + 40, 80);
    }
}

}  // namespace kalmero
