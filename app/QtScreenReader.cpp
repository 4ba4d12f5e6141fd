#include "QtScreenReader.h"

#include "inventory/ScreenReader.h"

#include <QGuiApplication>
#include <QScreen>

namespace app {

namespace {

// Platforms whose screens are made up rather than monitors.
bool realScreens()
{
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

std::vector<inventory::WindowSystemScreen> readScreens()
{
    std::vector<inventory::WindowSystemScreen> screens;
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()) || !realScreens())
        return screens;
    const QScreen *primary = QGuiApplication::primaryScreen();
    for (const QScreen *screen : QGuiApplication::screens()) {
        inventory::WindowSystemScreen s;
        s.name = screen->name();
        s.manufacturer = screen->manufacturer();
        s.model = screen->model();
        s.serialNumber = screen->serialNumber();
        // Qt's geometry is in scaled pixels; the mode is in device pixels.
        const QSize pixels = screen->geometry().size() * screen->devicePixelRatio();
        s.width = pixels.width();
        s.height = pixels.height();
        s.depth = screen->depth();
        s.refreshRate = screen->refreshRate();
        s.logicalDpiX = screen->logicalDotsPerInchX();
        s.logicalDpiY = screen->logicalDotsPerInchY();
        s.primary = screen == primary;
        screens.push_back(s);
    }
    return screens;
}

} // namespace

void installScreenReader()
{
    inventory::setScreenReader(readScreens);
}

} // namespace app
