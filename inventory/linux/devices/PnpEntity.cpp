// Win32_PnPEntity: every device a device manager shows, from the firmware's
// tables, the buses and the kernel's device classes, each under its
// friendliest name.
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/devices/PnpDevice.h"
#include "inventory/linux/reading/PropertyBag.h"

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_PNPEntity");
// The spelling WMI's own schema uses.
const QString CreationClassName = QStringLiteral("Win32_PnPEntity");

using Source = std::vector<PnpDevice> (*)(const MachineRoot &);

Properties entityProperties(const MachineRoot &root, const PnpDevice &device)
{
    const PnpDetails details = device.details();
    PropertyBag bag;
    bag.logicalDevice(CreationClassName, systemName(root));
    addDeviceNames(bag, device.caption, details.deviceId);
    bag.text(QStringLiteral("Manufacturer"), details.manufacturer)
        .text(QStringLiteral("Service"), details.service)
        .boolean(QStringLiteral("Present"), true);
    addDriverStatus(bag, details.state);
    // A device no driver took has no setup class on Windows either.
    if (details.state != DriverState::NoDriver) {
        bag.text(QStringLiteral("PNPClass"), details.pnpClass)
            .text(QStringLiteral("ClassGuid"), classGuid(details.pnpClass));
    }
    if (!details.hardwareIds.isEmpty())
        bag.set(QStringLiteral("HardwareID"), Value::array(details.hardwareIds));
    if (!details.compatibleIds.isEmpty())
        bag.set(QStringLiteral("CompatibleID"), Value::array(details.compatibleIds));
    return bag.take();
}

std::vector<Instance> entities(const MachineRoot &root)
{
    static const Source sources[] = {
        acpiPnpDevices,  legacyPnpDevices,   pciPnpDevices,   usbPnpDevices,  hidPnpDevices,
        serioPnpDevices, scsiPnpDevices,     virtioPnpDevices, platformPnpDevices, inputPnpDevices,
        soundPnpDevices, netPnpDevices,      blockPnpDevices, processorPnpDevices,
    };
    std::vector<Instance> instances;
    for (const Source source : sources) {
        for (PnpDevice &device : source(root)) {
            Value caption = Value::text(device.caption);
            instances.emplace_back(std::move(caption),
                                   [root, device = std::move(device)] { return entityProperties(root, device); });
        }
    }
    return instances;
}

} // namespace

void registerPnpEntity(ClassTable &table)
{
    table.provide(ClassName, entities);
}

} // namespace inventory::linuxsource
