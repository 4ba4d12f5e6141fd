// Win32_VideoConfiguration: the old all-in-one view of a video subsystem
// (adapter, monitor and mode together). No Windows provider fills it; here an
// adapter has one when the machine really shows all three: a screen with a
// known mode on a monitor that identified itself.
#include "inventory/linux/display/ActiveDisplays.h"
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/reading/PropertyBag.h"

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_VideoConfiguration");
constexpr int MillimetresPerCentimetre = 10;
constexpr qint64 OneColorPlane = 1;

struct Configuration
{
    MachineRoot root;
    GraphicsAdapter adapter;
    ActiveDisplay display;
    Edid edid;
};

// The monitor's visible area in mm: the preferred timing's figure is the finer one.
std::pair<std::optional<int>, std::optional<int>> screenSizeMm(const Edid &edid)
{
    if (edid.preferredTiming && edid.preferredTiming->widthMm > 0 && edid.preferredTiming->heightMm > 0)
        return {edid.preferredTiming->widthMm, edid.preferredTiming->heightMm};
    if (edid.widthCm && edid.heightCm)
        return {*edid.widthCm * MillimetresPerCentimetre, *edid.heightCm * MillimetresPerCentimetre};
    return {};
}

Properties configurationProperties(const Configuration &c)
{
    const QString name = adapterName(c.adapter);
    const DisplayMode &mode = c.display.mode;
    const auto [widthMm, heightMm] = screenSizeMm(c.edid);
    PropertyBag bag;
    bag.setting(name)
        .text(QStringLiteral("Name"), name)
        .text(QStringLiteral("AdapterDescription"), name)
        .text(QStringLiteral("AdapterChipType"), adapterChip(c.adapter))
        .text(QStringLiteral("AdapterCompatibility"), adapterVendor(c.adapter))
        .unsignedInteger(QStringLiteral("AdapterRAM"), videoMemory(c.adapter))
        .text(QStringLiteral("InstalledDisplayDrivers"), adapterDriver(c.adapter))
        .text(QStringLiteral("MonitorType"), monitorName(c.edid))
        .text(QStringLiteral("MonitorManufacturer"), monitorMaker(c.edid))
        .integer(QStringLiteral("ScreenWidth"), widthMm)
        .integer(QStringLiteral("ScreenHeight"), heightMm)
        .integer(QStringLiteral("HorizontalResolution"), mode.width)
        .integer(QStringLiteral("VerticalResolution"), mode.height)
        .integer(QStringLiteral("BitsPerPixel"), mode.bitsPerPixel)
        .integer(QStringLiteral("RefreshRate"), wholeHertz(mode))
        .integer(QStringLiteral("ColorPlanes"), OneColorPlane);
    if (c.display.logicalDpiX && c.display.logicalDpiY)
        bag.integer(QStringLiteral("PixelsPerXLogicalInch"), qRound64(*c.display.logicalDpiX))
            .integer(QStringLiteral("PixelsPerYLogicalInch"), qRound64(*c.display.logicalDpiY));
    return bag.take();
}

std::vector<Instance> configurations(const MachineRoot &root)
{
    std::vector<Instance> instances;
    for (const AdapterDisplay &driven : adaptersWithDisplays(root)) {
        if (!driven.display.edid)
            continue;
        const Configuration configuration{root, driven.adapter, driven.display, *driven.display.edid};
        instances.emplace_back(Value::text(adapterName(configuration.adapter)),
                               [configuration] { return configurationProperties(configuration); });
    }
    return instances;
}

} // namespace

void registerVideoConfiguration(ClassTable &table)
{
    table.provide(ClassName, configurations);
}

} // namespace inventory::linuxsource
