#include "shell/lineindicator.h"

#include "callerid/ctapiline.h"
#include "callerid/linedevice.h"

#include <QKeyEvent>
#include <QMouseEvent>

LineIndicator::LineIndicator(QWidget *parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("stbLine"));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    // Clear of the window's size grip beside it.
    setContentsMargins(4, 0, 12, 0);
    setToolTip(QStringLiteral("单击打开系统参数设置，选择来电设备"));
    display(State::Closed, QStringLiteral("未选择来电设备"));
}

void LineIndicator::follow(cTAPILine *line, const frmSystemSetup::LineChoice &choice)
{
    if (m_line)
        m_line->disconnect(this);
    m_line = line;
    m_name = choice.identity.isEmpty() ? QString() : tapi::Identity::label(choice.identity);
    using LineState = frmSystemSetup::LineState;
    switch (choice.state) {
    case LineState::NotChosen:
        display(State::Closed, QStringLiteral("未选择来电设备"));
        return;
    case LineState::Missing:
        display(State::Closed, QStringLiteral("找不到该设备"));
        return;
    case LineState::Failed:
        display(State::Closed, QStringLiteral("设备无法打开"));
        return;
    case LineState::Opened:
        break;
    }
    // A server is heard only once it has greeted; a local device at once.
    display(choice.identity.startsWith(QLatin1String("network:")) ? State::Reconnecting
                                                                  : State::Connected);
    if (!line)
        return;
    connect(line, &cTAPILine::LineInService, this,
        [this](bool inService) { display(inService ? State::Connected : State::Reconnecting); });
    connect(line, &cTAPILine::LineClose, this,
        [this] { display(State::Closed, QStringLiteral("设备已断开")); });
}

void LineIndicator::display(State state, const QString &why)
{
    m_state = state;
    const QString word = state == State::Connected ? QStringLiteral("已连接")
        : state == State::Reconnecting             ? QStringLiteral("正在重连")
                                                   : QStringLiteral("未打开");
    QString text = QStringLiteral("来电：");
    if (!m_name.isEmpty())
        text += m_name + QStringLiteral(" — ");
    text += word;
    if (!why.isEmpty())
        text += QStringLiteral("：") + why;
    setText(text);
}

void LineIndicator::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

void LineIndicator::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return
        || event->key() == Qt::Key_Enter) {
        emit clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}
