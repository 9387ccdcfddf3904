#include "app/widgets/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "common/Signal.h"

namespace quorvel {
namespace {

constexpr int kBaseWidth = 24;
constexpr int kBaseHeight = 26;

void paintTile(QPainter& painter) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(22, 46, 84));
    painter.drawRoundedRect(QRectF(0.5, 0.5, kBaseWidth - 1.0, kBaseHeight - 1.0), 4.0, 4.0);
}

// One and a half periods of a sine across the tile's upper half.
void paintWave(QPainter& painter) {
    QPainterPath wave;
    constexpr int kSteps = 48;
    for (int k = 0; k <= kSteps; ++k) {
        const double x = 3.0 + 18.0 * k / kSteps;
        const double y = 8.0 - 4.0 * std::sin(3.0 * Pi * k / kSteps);
        if (k == 0) {
            wave.moveTo(x, y);
        } else {
            wave.lineTo(x, y);
        }
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(110, 200, 255), 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(wave);
}

// A QPSK constellation in the lower half.
void paintDots(QPainter& painter) {
    painter.setPen(QPen(QColor(255, 255, 255), 0.6));
    painter.setBrush(QColor(255, 160, 40));
    for (const double x : {8.0, 16.0}) {
        for (const double y : {15.0, 21.0}) {
            painter.drawEllipse(QPointF(x, y), 2.1, 2.1);
        }
    }
}

}  // namespace

QPixmap applicationIconPixmap(int scale) {
    QPixmap pixmap(kBaseWidth * scale, kBaseHeight * scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    paintTile(painter);
    paintWave(painter);
    paintDots(painter);
    return pixmap;
}

QIcon applicationIcon() {
    QIcon icon;
    for (const int scale : {1, 2, 4, 8}) {
        icon.addPixmap(applicationIconPixmap(scale));
    }
    return icon;
}

}  // namespace quorvel
