#include "ui/pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>
#include <numbers>

namespace kalmero {

namespace {

// Draws one picture at the given logical size on a transparent, high-density pixmap.
template <class Paint>
QIcon drawnIcon(int size, Paint paint) {
    constexpr qreal kDensity = 2.0;
    QPixmap pixmap(qRound(size * kDensity), qRound(size * kDensity));
    pixmap.setDevicePixelRatio(kDensity);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter, static_cast<qreal>(size));
    painter.end();
    return QIcon(pixmap);
}

void drawGear(QPainter& p, QPointF centre, qreal outer, int teeth, const QColor& colour,
              qreal turn) {
    QPainterPath path;
    const qreal inner = outer * 0.78;
    const int steps = teeth * 4;
    for (int i = 0; i <= steps; ++i) {
        const qreal angle = turn + 2 * std::numbers::pi * i / steps;
        const qreal radius = (i % 4 == 0 || i % 4 == 1) ? outer : inner;
        const QPointF point(centre.x() + radius * qCos(angle), centre.y() + radius * qSin(angle));
        if (i == 0) {
            path.moveTo(point);
        } else {
            path.lineTo(point);
        }
    }
    path.closeSubpath();
    path.addEllipse(centre, outer * 0.32, outer * 0.32);
    path.setFillRule(Qt::OddEvenFill);
    p.setPen(QPen(colour.darker(160), 0.8));
    p.setBrush(colour);
    p.drawPath(path);
}

}  // namespace

QIcon folderOpenIcon() {
    return drawnIcon(16, [](QPainter& p, qreal) {
        p.setPen(QPen(QColor(150, 110, 20), 0.9));
        p.setBrush(QColor(235, 190, 80));
        p.drawPolygon(
            QPolygonF({{1.5, 3.5}, {6, 3.5}, {7.5, 5}, {13.5, 5}, {13.5, 13.5}, {1.5, 13.5}}));
        p.setBrush(QColor(250, 215, 110));
        p.drawPolygon(QPolygonF({{3.5, 7.5}, {15.5, 7.5}, {13.5, 13.5}, {1.5, 13.5}}));
    });
}

QIcon compileIcon() {
    return drawnIcon(32, [](QPainter& p, qreal) {
        // The hour clock the breaks are laid on...
        p.setPen(QPen(QColor(40, 60, 90), 1.4));
        p.setBrush(QColor(245, 248, 252));
        p.drawEllipse(QPointF(12, 12), 10.5, 10.5);
        for (int hour = 0; hour < 12; ++hour) {
            const qreal angle = hour * std::numbers::pi / 6;
            const qreal from = hour % 3 == 0 ? 7.0 : 8.5;
            p.drawLine(QPointF(12 + from * qSin(angle), 12 - from * qCos(angle)),
                       QPointF(12 + 9.8 * qSin(angle), 12 - 9.8 * qCos(angle)));
        }
        p.setPen(QPen(QColor(200, 30, 30), 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12, 12), QPointF(12, 4.5));
        p.setPen(QPen(QColor(40, 60, 90), 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12, 12), QPointF(16.5, 14));
        // ...and the gears that work it out.
        drawGear(p, QPointF(23, 22), 8.5, 8, QColor(120, 140, 165), 0.2);
        drawGear(p, QPointF(14.5, 27.5), 4.5, 6, QColor(215, 160, 50), 0.5);
    });
}

QIcon saveIcon() {
    return drawnIcon(32, [](QPainter& p, qreal) {
        p.setPen(QPen(QColor(20, 40, 90), 1.2));
        p.setBrush(QColor(45, 85, 170));
        p.drawPolygon(QPolygonF({{3, 3}, {25, 3}, {29, 7}, {29, 29}, {3, 29}}));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(205, 210, 220));
        p.drawRect(QRectF(9, 3.6, 14, 9));
        p.setBrush(QColor(45, 85, 170));
        p.drawRect(QRectF(18, 5, 3, 6));
        p.setBrush(QColor(250, 250, 250));
        p.drawRect(QRectF(7, 16, 18, 12.4));
        p.setPen(QPen(QColor(150, 160, 180), 1));
        for (int y = 19; y <= 26; y += 3) {
            p.drawLine(QPointF(9.5, y), QPointF(22.5, y));
        }
    });
}

QIcon matrixIcon() {
    return drawnIcon(16, [](QPainter& p, qreal) {
        constexpr bool kOn[3][3] = {{true, false, true}, {true, true, false}, {false, true, true}};
        p.setPen(QPen(Qt::black, 0.8));
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 3; ++column) {
                p.setBrush(kOn[row][column] ? QColor(0, 128, 0) : QColor(255, 0, 0));
                p.drawRect(QRectF(1.5 + column * 4.5, 1.5 + row * 4.5, 4.5, 4.5));
            }
        }
    });
}

QIcon okIcon() {
    return drawnIcon(16, [](QPainter& p, qreal) {
        p.setPen(QPen(QColor(0, 140, 40), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath tick;
        tick.moveTo(2.5, 8.5);
        tick.lineTo(6.5, 12.5);
        tick.lineTo(13.5, 3.5);
        p.drawPath(tick);
    });
}

QIcon warningIcon() {
    return drawnIcon(16, [](QPainter& p, qreal) {
        p.setPen(QPen(QColor(150, 0, 0), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(QColor(215, 30, 30));
        p.drawPolygon(QPolygonF({{8, 1.5}, {15, 14.5}, {1, 14.5}}));
        p.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 6), QPointF(8, 9.8));
        p.drawPoint(QPointF(8, 12.4));
    });
}

StudioBanner::StudioBanner(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void StudioBanner::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF area = rect();

    QLinearGradient sky(area.topLeft(), area.bottomLeft());
    sky.setColorAt(0.0, QColor(250, 252, 255));
    sky.setColorAt(0.75, QColor(226, 235, 246));
    sky.setColorAt(1.0, QColor(200, 215, 235));
    p.fillRect(area, sky);

    // A sound wave running along the bottom, where the controls leave the picture free.
    const qreal baseline = area.height() - 17;
    for (int layer = 0; layer < 3; ++layer) {
        QPainterPath wave;
        wave.moveTo(0, baseline);
        for (int x = 0; x <= area.width(); x += 2) {
            const qreal envelope = 0.55 + 0.45 * qSin(x / 57.0 + layer);
            const qreal y = baseline + (9 - 2.5 * layer) * envelope * qSin(x / (5.0 + layer * 1.7));
            wave.lineTo(x, y);
        }
        QColor colour(60, 110, 180);
        colour.setAlpha(110 - layer * 30);
        p.setPen(QPen(colour, 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(wave);
    }

    // The hour clock and the on-air lamp, in the gap between the settings and the commands.
    const qreal centreX = area.width() * 0.684;
    const QPointF centre(centreX, 62);
    const qreal radius = 42;
    QRadialGradient face(centre, radius);
    face.setColorAt(0.0, QColor(255, 255, 255));
    face.setColorAt(1.0, QColor(228, 234, 242));
    p.setPen(QPen(QColor(70, 90, 120), 2));
    p.setBrush(face);
    p.drawEllipse(centre, radius, radius);
    for (int minute = 0; minute < 60; ++minute) {
        const qreal angle = minute * std::numbers::pi / 30;
        const bool hourMark = minute % 5 == 0;
        p.setPen(QPen(minute == 0 ? QColor(0, 128, 0) : QColor(70, 90, 120), hourMark ? 2.2 : 0.8));
        const qreal from = radius - (hourMark ? 8 : 4);
        p.drawLine(QPointF(centre.x() + from * qSin(angle), centre.y() - from * qCos(angle)),
                   QPointF(centre.x() + (radius - 2) * qSin(angle),
                           centre.y() - (radius - 2) * qCos(angle)));
    }
    // The news segment at the top of the hour.
    p.setPen(Qt::NoPen);
    QColor news(0, 128, 0);
    news.setAlpha(70);
    p.setBrush(news);
    p.drawPie(QRectF(centre.x() - radius + 10, centre.y() - radius + 10, 2 * radius - 20,
                     2 * radius - 20),
              90 * 16, -30 * 16);
    p.setPen(QPen(QColor(40, 50, 70), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, QPointF(centre.x() + 17, centre.y() + 10));
    p.setPen(QPen(QColor(200, 30, 30), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, QPointF(centre.x() - 3, centre.y() - radius + 9));
    p.setBrush(QColor(200, 30, 30));
    p.drawEllipse(centre, 3, 3);

    const QRectF lamp(centreX - 32, 114, 64, 20);
    p.setPen(QPen(QColor(120, 0, 0), 1));
    QLinearGradient glow(lamp.topLeft(), lamp.bottomLeft());
    glow.setColorAt(0, QColor(255, 90, 80));
    glow.setColorAt(1, QColor(190, 0, 0));
    p.setBrush(glow);
    p.drawRoundedRect(lamp, 4, 4);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(11);
    p.setFont(font);
    p.setPen(QColor(255, 245, 210));
    p.drawText(lamp, Qt::AlignCenter, QStringLiteral("ON AIR"));
}

}  // namespace kalmero
