// Win32_VideoController: every display adapter (PCI display class, including
// 3D controllers without outputs of their own, and the display controllers
// of systems on chip), with the current mode of the screen it drives.
#include "inventory/linux/display/ActiveDisplays.h"
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/display/GraphicsAdapter.h"
#include "inventory/linux/reading/PropertyBag.h"

#include <memory>

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_VideoController");
constexpr quint32 VgaCompatible = 0x0300;
constexpr qint64 RunningFullPower = 3;
constexpr qint64 PowerSaveLowPower = 14;
constexpr qint64 VgaArchitecture = 5;
constexpr qint64 UnknownMemoryType = 2;
constexpr qint64 Interlaced = 3;
constexpr qint64 NonInterlaced = 4;
constexpr qint64 NoDriverInstalled = 28;

std::optional<qint64> availability(const GraphicsAdapter &adapter)
{
    if (!adapterHasDriver(adapter))
        return std::nullopt;
    // A GPU the driver has put to sleep (the second GPU of a laptop) is in D3.
    const QString power = adapter.device.trimmed(QStringLiteral("power_state")).value_or(QString());
    return power.startsWith(QLatin1String("D3")) ? PowerSaveLowPower : RunningFullPower;
}

void addMode(PropertyBag &bag, const ActiveDisplay &display)
{
    const DisplayMode &mode = display.mode;
    bag.integer(QStringLiteral("CurrentHorizontalResolution"), mode.width)
        .integer(QStringLiteral("CurrentVerticalResolution"), mode.height)
        .integer(QStringLiteral("CurrentBitsPerPixel"), mode.bitsPerPixel)
        .unsignedInteger(QStringLiteral("CurrentNumberOfColors"), colorCount(mode))
        .integer(QStringLiteral("CurrentRefreshRate"), wholeHertz(mode))
        .integer(QStringLiteral("CurrentScanMode"), mode.interlaced ? Interlaced : NonInterlaced);
    if (const std::optional<quint64> colors = colorCount(mode))
        bag.text(QStringLiteral("VideoModeDescription"),
                 QStringLiteral("%1 x %2 x %3 colors").arg(mode.width).arg(mode.height).arg(*colors));
    // The rates the monitor accepts, which is what Windows reports here too.
    if (display.edid && display.edid->rangeLimits) {
        bag.integer(QStringLiteral("MinRefreshRate"), display.edid->rangeLimits->minVerticalHz)
            .integer(QStringLiteral("MaxRefreshRate"), display.edid->rangeLimits->maxVerticalHz);
    }
}

Properties controllerProperties(const AdapterSnapshot &snapshot, size_t index)
{
    const MachineRoot &root = snapshot.root();
    const GraphicsAdapter &adapter = snapshot.adapters()[index];
    const QString name = adapterName(adapter);
    const QString driver = adapterDriver(adapter);
    const bool running = adapterHasDriver(adapter);

    PropertyBag bag;
    bag.logicalDevice(ClassName, systemName(root))
        .text(QStringLiteral("Caption"), name)
        .text(QStringLiteral("Description"), name)
        .text(QStringLiteral("Name"), name)
        .text(QStringLiteral("DeviceID"), QStringLiteral("VideoController%1").arg(index + 1))
        .text(QStringLiteral("PNPDeviceID"), adapterPnpDeviceId(adapter))
        .text(QStringLiteral("AdapterCompatibility"), adapterVendor(adapter))
        .text(QStringLiteral("VideoProcessor"), adapterChip(adapter))
        // The true size: Windows caps it at 4 GiB, a limit of its 32-bit property.
        .unsignedInteger(QStringLiteral("AdapterRAM"), videoMemory(adapter))
        .integer(QStringLiteral("VideoMemoryType"), UnknownMemoryType)
        .text(QStringLiteral("InstalledDisplayDrivers"), driver)
        .text(QStringLiteral("DriverVersion"), driverVersion(root, adapter))
        .integer(QStringLiteral("ConfigManagerErrorCode"), running ? 0 : NoDriverInstalled)
        .boolean(QStringLiteral("ConfigManagerUserConfig"), false)
        .text(QStringLiteral("Status"), running ? QStringLiteral("OK") : QStringLiteral("Error"))
        .integer(QStringLiteral("Availability"), availability(adapter))
        .boolean(QStringLiteral("Monochrome"), false);
    if ((adapter.pciClass >> 8) == VgaCompatible)
        bag.integer(QStringLiteral("VideoArchitecture"), VgaArchitecture);
    if (const std::optional<ActiveDisplay> display = mainDisplayOf(snapshot.displays(), index))
        addMode(bag, *display);
    return bag.take();
}

std::vector<Instance> controllers(const MachineRoot &root)
{
    const auto snapshot = std::make_shared<const AdapterSnapshot>(root);
    std::vector<Instance> instances;
    for (size_t i = 0; i < snapshot->adapters().size(); ++i) {
        instances.emplace_back(Value::text(adapterName(snapshot->adapters()[i])),
                               [snapshot, i] { return controllerProperties(*snapshot, i); });
    }
    return instances;
}

} // namespace

void registerVideoController(ClassTable &table)
{
    table.provide(ClassName, controllers);
}

} // namespace inventory::linuxsource
