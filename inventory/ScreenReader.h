#pragma once

#include <QString>

#include <functional>
#include <vector>

namespace inventory {

// A screen as the window system shows it: what the display classes prefer
// over the kernel's view, which knows the outputs but not their current mode.
struct WindowSystemScreen
{
    QString name; // the output's name there: "DP-1", "HDMI-A-0", "eDP-1"
    // The monitor's identity as the window system read it from the EDID.
    QString manufacturer;
    QString model;
    QString serialNumber;
    int width = 0; // device pixels
    int height = 0;
    int depth = 0; // bits per pixel
    double refreshRate = 0; // Hz
    double logicalDpiX = 0;
    double logicalDpiY = 0;
    bool primary = false;
};

using ScreenReader = std::function<std::vector<WindowSystemScreen>()>;

// The window installs a reader while it runs; inventory/ itself knows no GUI.
// Without one (headless export, tests) the screens are simply unknown.
void setScreenReader(ScreenReader reader);
std::vector<WindowSystemScreen> windowSystemScreens();

} // namespace inventory
