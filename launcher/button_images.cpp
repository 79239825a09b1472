#include "launcher/button_images.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>

namespace zamo {

namespace {

const QColor kGrass(46, 139, 62);
const QColor kDarkFrame(40, 40, 48);

// A green pitch with a play arrow and a ball: start the whole team.
void drawStartAll(QPainter& painter) {
    painter.setPen(QPen(kDarkFrame, 1.5));
    painter.setBrush(kGrass);
    painter.drawRoundedRect(QRectF(2, 2, 28, 28), 5, 5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPolygon(QPolygonF({QPointF(10, 7), QPointF(25, 16), QPointF(10, 25)}));
    painter.setPen(QPen(Qt::black, 1));
    painter.drawEllipse(QRectF(21, 21, 7, 7));
}

// A screen showing a pitch: start the monitor.
void drawMonitor(QPainter& painter) {
    painter.setPen(QPen(kDarkFrame, 2));
    painter.setBrush(QColor(70, 70, 80));
    painter.drawRoundedRect(QRectF(2, 4, 28, 20), 2, 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kGrass);
    painter.drawRect(QRectF(5, 7, 22, 14));
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(QPointF(16, 7), QPointF(16, 21));
    painter.drawEllipse(QPointF(16, 14), 3, 3);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kDarkFrame);
    painter.drawRect(QRectF(13, 24, 6, 3));
    painter.drawRect(QRectF(9, 27, 14, 2));
}

// A rack case with lit lamps: start the simulator server.
void drawServer(QPainter& painter) {
    painter.setPen(QPen(kDarkFrame, 1.5));
    painter.setBrush(QColor(150, 155, 165));
    painter.drawRoundedRect(QRectF(7, 2, 18, 28), 2, 2);
    for (int slot = 0; slot < 3; ++slot) {
        const double y = 6 + slot * 8;
        painter.setPen(QPen(kDarkFrame, 1));
        painter.setBrush(QColor(90, 95, 105));
        painter.drawRect(QRectF(10, y, 9, 4));
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(60, 220, 80));
        painter.drawEllipse(QPointF(22, y + 2), 1.5, 1.5);
    }
}

// Eleven boxes for the players, ticked or empty: check or clear them all.
void drawAllPlayers(QPainter& painter, bool ticked) {
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 4; ++column) {
            if (row == 2 && column == 3) {
                continue;
            }
            const QRectF box(2 + column * 7.5, 4 + row * 9, 6, 6);
            painter.setPen(QPen(kDarkFrame, 1));
            painter.setBrush(Qt::white);
            painter.drawRect(box);
            if (ticked) {
                painter.setPen(QPen(QColor(20, 120, 40), 1.6));
                QPainterPath tick;
                tick.moveTo(box.left() + 1, box.center().y());
                tick.lineTo(box.center().x(), box.bottom() - 1);
                tick.lineTo(box.right() - 0.5, box.top() + 0.5);
                painter.setBrush(Qt::NoBrush);
                painter.drawPath(tick);
            }
        }
    }
}

}  // namespace

QPixmap buttonImage(ButtonImage image) {
    QImage picture(kButtonImageSize, kButtonImageSize, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (image) {
        case ButtonImage::kStartAll:
            drawStartAll(painter);
            break;
        case ButtonImage::kStartMonitor:
            drawMonitor(painter);
            break;
        case ButtonImage::kStartServer:
            drawServer(painter);
            break;
        case ButtonImage::kAllPlayersCleared:
            drawAllPlayers(painter, false);
            break;
        case ButtonImage::kAllPlayersSet:
            drawAllPlayers(painter, true);
            break;
    }
    painter.end();
    return QPixmap::fromImage(picture);
}

}  // namespace zamo
