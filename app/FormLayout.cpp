#include "FormLayout.h"

#include <cmath>
#include <stdexcept>

namespace app {

namespace {
constexpr double TwipsPerInch = 1440.0;
}

const std::vector<ControlPlacement> &FormLayout::controls()
{
    static const std::vector<ControlPlacement> table = {
        {QStringLiteral("Frame1"), QString(), 120, 120, 4560, 5955},
        {QStringLiteral("trvComputer"), QStringLiteral("Frame1"), 255, 315, 4035, 4995},
        {QStringLiteral("Frame2"), QString(), 4800, 120, 7200, 5955},
        {QStringLiteral("lsvProperties"), QStringLiteral("Frame2"), 255, 315, 6660, 5475},
        {QStringLiteral("Frame3"), QString(), 120, 6150, 11880, 1095},
        {QStringLiteral("Option1"), QStringLiteral("Frame3"), 240, 300, 2715, 255},
        {QStringLiteral("Option2"), QStringLiteral("Frame3"), 240, 650, 3825, 255},
        {QStringLiteral("PushButton1"), QStringLiteral("Frame1"), 255, 5400, 4035, 405},
        {QStringLiteral("PushButton2"), QString(), 5400, 7380, 5160, 405},
        {QStringLiteral("PushButton3"), QString(), 120, 7380, 5160, 405},
        {QStringLiteral("prbDetecting"), QString(), 120, 7920, 11880, 405},
        {QStringLiteral("PushButton4"), QString(), 10680, 7380, 1320, 405},
    };
    return table;
}

const ControlPlacement &FormLayout::control(const QString &name)
{
    for (const ControlPlacement &placement : controls())
        if (placement.name == name)
            return placement;
    throw std::out_of_range("no such control");
}

int FormLayout::pixels(int twips, double dpi)
{
    return int(std::lround(twips * dpi / TwipsPerInch));
}

QRect FormLayout::pixels(const ControlPlacement &p, double dpi)
{
    return QRect(pixels(p.left, dpi), pixels(p.top, dpi), pixels(p.width, dpi), pixels(p.height, dpi));
}

QPoint FormLayout::centredFrameOrigin(const QSize &frame, const QRect &available)
{
    return {available.x() + (available.width() - frame.width()) / 2, available.y() + (available.height() - frame.height()) / 2};
}

} // namespace app
