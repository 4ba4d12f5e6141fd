// Win32_DisplayConfiguration (the mode of each screen) and
// Win32_DisplayControllerConfiguration (the mode of each adapter that drives
// a screen), both captioned with the adapter's name as Windows does.
#include "inventory/linux/display/ActiveDisplays.h"
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/reading/PropertyBag.h"

namespace inventory::linuxsource {

namespace {

const QString ScreenClass = QStringLiteral("Win32_DisplayConfiguration");
const QString ControllerClass = QStringLiteral("Win32_DisplayControllerConfiguration");
constexpr qint64 InterlacedFlag = 0x2; // DM_INTERLACED
constexpr qint64 OneColorPlane = 1;
constexpr int TrueColorDepth = 24;

struct Setting
{
    MachineRoot root;
    GraphicsAdapter adapter;
    ActiveDisplay display;
};

// "1920 by 1080 pixels, True Color, 60 Hertz".
QString videoMode(const DisplayMode &mode)
{
    QStringList parts{QStringLiteral("%1 by %2 pixels").arg(mode.width).arg(mode.height)};
    if (mode.bitsPerPixel && *mode.bitsPerPixel >= TrueColorDepth)
        parts << QStringLiteral("True Color");
    else if (const std::optional<quint64> colors = colorCount(mode))
        parts << QStringLiteral("%1 Colors").arg(*colors);
    if (const std::optional<qint64> hertz = wholeHertz(mode))
        parts << QStringLiteral("%1 Hertz").arg(*hertz);
    return parts.join(QStringLiteral(", "));
}

Properties screenProperties(const Setting &setting)
{
    const QString name = adapterName(setting.adapter);
    const DisplayMode &mode = setting.display.mode;
    PropertyBag bag;
    bag.setting(name)
        .text(QStringLiteral("DeviceName"), name)
        .text(QStringLiteral("DriverVersion"), driverVersion(setting.root, setting.adapter))
        .integer(QStringLiteral("PelsWidth"), mode.width)
        .integer(QStringLiteral("PelsHeight"), mode.height)
        .integer(QStringLiteral("BitsPerPel"), mode.bitsPerPixel)
        .integer(QStringLiteral("DisplayFrequency"), wholeHertz(mode))
        .integer(QStringLiteral("DisplayFlags"), mode.interlaced ? InterlacedFlag : 0);
    if (setting.display.logicalDpiY)
        bag.integer(QStringLiteral("LogPixels"), qRound64(*setting.display.logicalDpiY));
    return bag.take();
}

Properties controllerProperties(const Setting &setting)
{
    const QString name = adapterName(setting.adapter);
    const DisplayMode &mode = setting.display.mode;
    PropertyBag bag;
    bag.setting(name)
        .text(QStringLiteral("Name"), name)
        .integer(QStringLiteral("HorizontalResolution"), mode.width)
        .integer(QStringLiteral("VerticalResolution"), mode.height)
        .integer(QStringLiteral("BitsPerPixel"), mode.bitsPerPixel)
        .integer(QStringLiteral("RefreshRate"), wholeHertz(mode))
        .integer(QStringLiteral("ColorPlanes"), OneColorPlane)
        .text(QStringLiteral("VideoMode"), videoMode(mode));
    return bag.take();
}

std::vector<Instance> screenSettings(const MachineRoot &root)
{
    const std::vector<GraphicsAdapter> adapters = graphicsAdapters(root);
    std::vector<Instance> instances;
    for (const ActiveDisplay &display : activeDisplays(root, adapters)) {
        const Setting setting{root, adapters[display.adapter], display};
        instances.emplace_back(Value::text(adapterName(setting.adapter)), [setting] { return screenProperties(setting); });
    }
    return instances;
}

std::vector<Instance> controllerSettings(const MachineRoot &root)
{
    std::vector<Instance> instances;
    for (const AdapterDisplay &driven : adaptersWithDisplays(root)) {
        const Setting setting{root, driven.adapter, driven.display};
        instances.emplace_back(Value::text(adapterName(setting.adapter)), [setting] { return controllerProperties(setting); });
    }
    return instances;
}

} // namespace

void registerDisplayConfiguration(ClassTable &table)
{
    table.provide(ScreenClass, screenSettings);
    table.provide(ControllerClass, controllerSettings);
}

} // namespace inventory::linuxsource
