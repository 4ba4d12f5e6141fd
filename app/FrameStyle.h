#pragma once

#include <QProxyStyle>

namespace app {

// The window's frames are drawn as an outline on their own background, so
// they show the colour they are given (white, or the skin's button face)
// rather than the shaded panel some styles fill group boxes with.
class FrameStyle final : public QProxyStyle
{
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
};

} // namespace app
