#include "ui/app_icon.h"

#include <QPainter>
#include <QPixmap>

namespace strida::ui {

QIcon appIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const double s = size / 32.0;
        p.setPen(QPen(QColor(64, 64, 64), 1.5 * s));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(2 * s, 6 * s, 28 * s, 20 * s));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xC0, 0, 0));  // the west-to-east family
        p.drawEllipse(QPointF(10 * s, 13 * s), 3.5 * s, 3.5 * s);
        p.drawEllipse(QPointF(15 * s, 20 * s), 3.5 * s, 3.5 * s);
        p.setBrush(QColor(0, 0, 0xC0));  // the east-to-west family
        p.drawEllipse(QPointF(23 * s, 15 * s), 3.5 * s, 3.5 * s);
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace strida::ui
