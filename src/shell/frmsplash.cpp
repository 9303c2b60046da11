#include "shell/frmsplash.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTimerEvent>
#include <QVBoxLayout>

frmSplash::frmSplash(QWidget *parent) : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    imgSplash = new QLabel(this);
    imgSplash->setObjectName(QStringLiteral("imgSplash"));
    imgSplash->setPixmap(picture());

    lblVersion = new QLabel(QStringLiteral("（集团用户版）"), imgSplash);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setStyleSheet(QStringLiteral("color: white; font-size: 15px;"));
    lblVersion->adjustSize();
    lblVersion->move(imgSplash->pixmap().width() - lblVersion->width() - 28, 150);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(imgSplash);
    setFixedSize(imgSplash->pixmap().size());

    m_timerId = startTimer(TickMs);
}

void frmSplash::mousePressEvent(QMouseEvent *event)
{
    Q_UNUSED(event)
    accept();
}

void frmSplash::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timerId)
        return;
    if (++m_ticks >= Ticks) {
        killTimer(m_timerId);
        accept();
    }
}

QPixmap frmSplash::picture()
{
    const QSize size(480, 280);
    QPixmap pixmap(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(0x0b, 0x4f, 0x8a));
    sky.setColorAt(1, QColor(0x2d, 0x9c, 0xdb));
    p.fillRect(pixmap.rect(), sky);

    // Two waves along the bottom.
    for (int layer = 0; layer < 2; ++layer) {
        QPainterPath wave;
        const int base = size.height() - 70 + layer * 22;
        wave.moveTo(0, base);
        for (int x = 0; x <= size.width(); x += 60)
            wave.quadTo(x + 15, base - 14 + layer * 4, x + 30, base);
        wave.lineTo(size.width(), size.height());
        wave.lineTo(0, size.height());
        wave.closeSubpath();
        p.fillPath(wave, QColor(255, 255, 255, layer ? 90 : 50));
    }

    // A water drop.
    QPainterPath drop;
    const QPointF top(70, 48);
    drop.moveTo(top);
    drop.cubicTo(top + QPointF(34, 44), top + QPointF(30, 82), top + QPointF(0, 82));
    drop.cubicTo(top + QPointF(-30, 82), top + QPointF(-34, 44), top);
    p.fillPath(drop, QColor(255, 255, 255, 220));

    p.setPen(Qt::white);
    QFont title(QStringLiteral("sans-serif"), 30, QFont::Bold);
    p.setFont(title);
    p.drawText(QRect(120, 40, 340, 50), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Pelkor"));
    QFont subtitle(QStringLiteral("sans-serif"), 17);
    p.setFont(subtitle);
    p.drawText(QRect(120, 92, 340, 36), Qt::AlignLeft | Qt::AlignVCenter,
        QStringLiteral("水站配送管理系统"));
    QFont small(QStringLiteral("sans-serif"), 9);
    p.setFont(small);
    p.drawText(QRect(20, size.height() - 30, size.width() - 40, 20),
        Qt::AlignRight | Qt::AlignVCenter,
        QStringLiteral("版本 ") + QStringLiteral(PELKOR_VERSION));
    return pixmap;
}
