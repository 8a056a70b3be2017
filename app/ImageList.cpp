#include "ImageList.h"

#include <QPainter>
#include <QPixmap>

namespace app {

namespace {

constexpr int kSize = 16;

QPixmap Canvas() {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPixmap Page(const QColor &mark) {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygon({QPoint(3, 1), QPoint(10, 1), QPoint(13, 4), QPoint(13, 14), QPoint(3, 14)}));
    p.fillRect(5, 6, 6, 1, mark);
    p.fillRect(5, 9, 6, 1, mark);
    return pixmap;
}

QPixmap Scissors() {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.5));
    p.drawLine(4, 1, 10, 10);
    p.drawLine(12, 1, 6, 10);
    p.setPen(QPen(Qt::darkBlue, 1.5));
    p.drawEllipse(QRectF(2, 10, 4, 4));
    p.drawEllipse(QRectF(10, 10, 4, 4));
    return pixmap;
}

QPixmap TwoPages() {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(1, 1, 8, 10);
    p.drawRect(6, 4, 8, 10);
    return pixmap;
}

QPixmap Clipboard() {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.setBrush(QColor(0xC0, 0x90, 0x50));
    p.drawRect(2, 2, 11, 13);
    p.setBrush(Qt::white);
    p.drawRect(5, 1, 5, 3);
    p.drawRect(7, 7, 7, 8);
    return pixmap;
}

QPixmap Folder() {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.setBrush(QColor(0xF0, 0xD0, 0x60));
    p.drawPolygon(QPolygon({QPoint(1, 3), QPoint(6, 3), QPoint(7, 5), QPoint(14, 5), QPoint(14, 13), QPoint(1, 13)}));
    return pixmap;
}

QPixmap Disk() {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.setBrush(QColor(0x30, 0x50, 0xA0));
    p.drawRect(1, 1, 13, 13);
    p.setBrush(Qt::white);
    p.drawRect(4, 2, 7, 5);
    p.fillRect(5, 10, 5, 4, Qt::lightGray);
    return pixmap;
}

QPixmap Chip() {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    for (int y = 3; y <= 12; y += 3) {
        p.drawLine(1, y, 3, y);
        p.drawLine(12, y, 14, y);
    }
    p.setBrush(QColor(0x40, 0x40, 0x40));
    p.drawRect(3, 1, 9, 13);
    p.fillRect(5, 3, 5, 4, QColor(0x60, 0xC0, 0x60));
    return pixmap;
}

QPixmap Connector() {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::black);
    p.setBrush(QColor(0xB0, 0xB0, 0xB0));
    p.drawPolygon(QPolygon({QPoint(1, 4), QPoint(14, 4), QPoint(12, 11), QPoint(3, 11)}));
    p.setBrush(Qt::black);
    for (int x = 4; x <= 11; x += 2)
        p.drawEllipse(QPointF(x, 6.5), 0.6, 0.6);
    for (int x = 5; x <= 10; x += 2)
        p.drawEllipse(QPointF(x, 9), 0.6, 0.6);
    return pixmap;
}

QPixmap Door() {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.setBrush(QColor(0x90, 0x60, 0x30));
    p.drawRect(3, 1, 9, 14);
    p.setBrush(Qt::yellow);
    p.drawEllipse(9, 8, 2, 2);
    return pixmap;
}

QIcon Themed(const char *name, const QPixmap &fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name), QIcon(fallback));
}

} // namespace

QIcon ImageListIcon(int index) {
    switch (index) {
    case 0:
        return Themed("edit-cut", Scissors());
    case 1:
        return Themed("edit-copy", TwoPages());
    case 2:
        return Themed("edit-paste", Clipboard());
    case 6:
        return Themed("document-new", Page(Qt::white));
    case 7:
        return Themed("document-open", Folder());
    case 8:
        return Themed("document-save", Disk());
    case 15:
        return QIcon(Chip());
    case 16:
        return QIcon(Connector());
    case 18:
        return Themed("application-exit", Door());
    default:
        return QIcon();
    }
}

} // namespace app
