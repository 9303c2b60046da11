#include "shell/focusframestyle.h"

#include <QPainter>
#include <QStyleOption>

namespace {

void drawFrame(const QStyleOption *option, QPainter *painter)
{
    if (!(option->state & QStyle::State_HasFocus) || !(option->state & QStyle::State_Enabled))
        return;
    painter->save();
    QPen pen(option->palette.color(QPalette::Active, QPalette::Highlight));
    pen.setWidth(FocusFrameStyle::FrameWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->setRenderHint(QPainter::Antialiasing, false);
    // The pen is centred on the path: inset by half its width so the whole
    // frame stays inside the widget.
    const int half = FocusFrameStyle::FrameWidth / 2;
    painter->drawRect(option->rect.adjusted(half, half, -half, -half));
    painter->restore();
}

} // namespace

FocusFrameStyle::FocusFrameStyle() = default;

void FocusFrameStyle::drawControl(ControlElement element, const QStyleOption *option,
    QPainter *painter, const QWidget *widget) const
{
    QProxyStyle::drawControl(element, option, painter, widget);
    if (element == CE_PushButton)
        drawFrame(option, painter);
}

void FocusFrameStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
    QPainter *painter, const QWidget *widget) const
{
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    if (control == CC_ComboBox || control == CC_ToolButton)
        drawFrame(option, painter);
}
