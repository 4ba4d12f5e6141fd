#include "FrameStyle.h"

#include <QGroupBox>
#include <QPainter>
#include <QStyleOption>

namespace app {

namespace {
constexpr int TitleGap = 3;
constexpr qreal CornerRadius = 2.0;
} // namespace

void FrameStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                               const QWidget *widget) const
{
    if (element != PE_FrameGroupBox) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    // The outline starts below the title, where the shaded panel would.
    const auto *frame = qobject_cast<const QGroupBox *>(widget);
    const bool titled = !frame || frame->isCheckable() || !frame->title().isEmpty();
    const int top = (titled ? qMax(pixelMetric(PM_ExclusiveIndicatorHeight, option, widget), option->fontMetrics.height()) : 0)
        + TitleGap;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(option->palette.color(QPalette::Mid));
    painter->drawRoundedRect(QRectF(option->rect.adjusted(0, top, -1, -1)).translated(0.5, 0.5), CornerRadius, CornerRadius);
    painter->restore();
}

} // namespace app
