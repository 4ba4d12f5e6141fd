// Win32_DesktopMonitor: one monitor per connected output whose EDID the kernel
// read, named as the monitor names itself. Besides WMI's own properties it
// carries the identity Windows keeps in WmiMonitorID and the image size of
// WmiMonitorBasicDisplayParams, under their names there.
#include "inventory/linux/display/ActiveDisplays.h"
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/reading/PropertyBag.h"

#include <memory>

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_DesktopMonitor");
constexpr qint64 RunningFullPower = 3;
constexpr qint64 PowerOff = 7;
constexpr qint64 OffLine = 8;
constexpr qint64 PowerSaveLowPower = 14;
constexpr qint64 PowerSaveStandby = 15;

struct Monitor
{
    std::shared_ptr<const AdapterSnapshot> snapshot;
    DrmOutput output;
    Edid edid;
    int index = 0;
};

std::optional<qint64> availability(const DrmOutputState &state)
{
    if (state.enabled == false)
        return OffLine; // plugged in, but the desktop does not use it
    if (state.dpms == QLatin1String("Off"))
        return PowerOff;
    if (state.dpms == QLatin1String("Suspend"))
        return PowerSaveLowPower;
    if (state.dpms == QLatin1String("Standby"))
        return PowerSaveStandby;
    if (state.dpms == QLatin1String("On") || state.enabled == true)
        return RunningFullPower;
    return std::nullopt;
}

std::optional<QString> serialNumber(const Edid &edid)
{
    if (!edid.serialText.isEmpty())
        return edid.serialText;
    if (edid.serialNumber)
        return QString::number(*edid.serialNumber);
    return std::nullopt;
}

void addIdentity(PropertyBag &bag, const Edid &edid)
{
    bag.text(QStringLiteral("MonitorManufacturer"), monitorMaker(edid))
        .text(QStringLiteral("ManufacturerName"), edid.manufacturerId)
        .text(QStringLiteral("ProductCodeID"), edidProductCode(edid))
        .text(QStringLiteral("SerialNumberID"), serialNumber(edid))
        .integer(QStringLiteral("WeekOfManufacture"), edid.week)
        .integer(QStringLiteral("YearOfManufacture"), edid.year)
        .integer(QStringLiteral("MaxHorizontalImageSize"), edid.widthCm)
        .integer(QStringLiteral("MaxVerticalImageSize"), edid.heightCm);
}

Properties monitorProperties(const Monitor &monitor)
{
    const QString name = monitorName(monitor.edid);
    const QString productId = edidProductId(monitor.edid);
    PropertyBag bag;
    bag.logicalDevice(ClassName, systemName(monitor.snapshot->root()))
        .text(QStringLiteral("Caption"), name)
        .text(QStringLiteral("Description"), name)
        .text(QStringLiteral("Name"), name)
        .text(QStringLiteral("MonitorType"), name)
        .text(QStringLiteral("DeviceID"), QStringLiteral("DesktopMonitor%1").arg(monitor.index))
        .integer(QStringLiteral("Availability"), availability(monitor.output.state))
        .integer(QStringLiteral("ConfigManagerErrorCode"), 0)
        .boolean(QStringLiteral("ConfigManagerUserConfig"), false)
        // A monitor whose EDID fails its checksum may misreport any of it.
        .text(QStringLiteral("Status"), monitor.edid.baseChecksumValid ? QStringLiteral("OK") : QStringLiteral("Degraded"));
    if (!productId.isEmpty())
        bag.text(QStringLiteral("PNPDeviceID"),
                 QStringLiteral("DISPLAY\\%1\\%2").arg(productId, monitor.output.connector.fullName()));
    addIdentity(bag, monitor.edid);
    if (monitor.edid.rangeLimits)
        bag.integer(QStringLiteral("Bandwidth"), monitor.edid.rangeLimits->maxPixelClockMHz);

    for (const ActiveDisplay &display : monitor.snapshot->displays()) {
        if (!display.connector || display.connector->dir != monitor.output.connector.dir)
            continue;
        bag.integer(QStringLiteral("ScreenWidth"), display.mode.width)
            .integer(QStringLiteral("ScreenHeight"), display.mode.height);
        if (display.logicalDpiX && display.logicalDpiY)
            bag.integer(QStringLiteral("PixelsPerXLogicalInch"), qRound64(*display.logicalDpiX))
                .integer(QStringLiteral("PixelsPerYLogicalInch"), qRound64(*display.logicalDpiY));
    }
    return bag.take();
}

std::vector<Instance> monitors(const MachineRoot &root)
{
    const auto snapshot = std::make_shared<const AdapterSnapshot>(root);
    std::vector<Instance> instances;
    for (const DrmOutput &output : connectedOutputs(root, snapshot->adapters())) {
        if (!output.edid)
            continue;
        const Monitor monitor{snapshot, output, *output.edid, int(instances.size()) + 1};
        instances.emplace_back(Value::text(monitorName(monitor.edid)), [monitor] { return monitorProperties(monitor); });
    }
    return instances;
}

} // namespace

void registerDesktopMonitor(ClassTable &table)
{
    table.provide(ClassName, monitors);
}

} // namespace inventory::linuxsource
