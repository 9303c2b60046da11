#include "shell/toolicons.h"

#include <QApplication>
#include <QPainter>

namespace ToolIcons {

QIcon badge(const QString &glyph, unsigned color)
{
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor::fromRgb(color));
        const qreal margin = size / 16.0;
        p.drawRoundedRect(
            QRectF(margin, margin, size - 2 * margin, size - 2 * margin), size / 4.0, size / 4.0);
        QFont font = QApplication::font();
        font.setPixelSize(int(size * 0.62));
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, glyph);
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace ToolIcons
