#pragma once

#include <QProxyStyle>

// The platform style with a frame an operator can see around the button or
// drop-down that has the keyboard focus: most styles mark it with a faint
// dotted line or a tint, easy to lose when working by keyboard alone.
class FocusFrameStyle : public QProxyStyle {
    Q_OBJECT

public:
    FocusFrameStyle();

    static constexpr int FrameWidth = 2;

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
        const QWidget *widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
        QPainter *painter, const QWidget *widget = nullptr) const override;
};
