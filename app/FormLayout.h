#pragma once

#include <QRect>
#include <QString>

#include <vector>

namespace app {

// Where each control of the main window sits, in twips (1/1440 inch), as
// designed; converted to pixels with the screen's logical DPI.
struct ControlPlacement
{
    QString name;
    QString container; // "" for the window itself
    int left, top, width, height;
};

struct FormLayout
{
    static constexpr int ClientWidth = 12105;
    static constexpr int ClientHeight = 8460;
    static constexpr int PropertyColumnWidth = 3000;

    static const std::vector<ControlPlacement> &controls();
    static const ControlPlacement &control(const QString &name);

    static int pixels(int twips, double dpi);
    // Where a window whose frame (title bar and borders included) has this
    // size goes so that it sits in the middle of the available area.
    static QPoint centredFrameOrigin(const QSize &frame, const QRect &available);
    static QRect pixels(const ControlPlacement &placement, double dpi);
};

} // namespace app
