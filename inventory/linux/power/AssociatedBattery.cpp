// Win32_AssociatedBattery: which battery powers what. A system battery
// powers the computer; a device's own battery (a wireless mouse's, reported
// through its HID driver) powers that device. The class has no Caption, so
// its instances never show as devices.
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/reading/HardwareNames.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/reading/PropertyBag.h"
#include "inventory/linux/reading/SysfsDevice.h"

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_AssociatedBattery");

Properties batteryLink(const MachineRoot &root, const QString &supply)
{
    const QString dir = QStringLiteral("sys/class/power_supply/") + supply;
    const QString host = systemName(root);
    const bool deviceScope = root.readText(dir + QStringLiteral("/scope")).value_or(QString()).trimmed()
        == QLatin1String("Device");
    const QString powered = deviceScope ? carrierPnpDeviceId(SysfsDevice::fromLink(root, dir + QStringLiteral("/device"))) : QString();
    PropertyBag bag;
    bag.text(QStringLiteral("Antecedent"), objectPath(host, QStringLiteral("Win32_Battery"), QStringLiteral("DeviceID"), supply))
        .text(QStringLiteral("Dependent"),
              powered.isEmpty() ? objectPath(host, QStringLiteral("Win32_ComputerSystem"), QStringLiteral("Name"), host)
                                : objectPath(host, QStringLiteral("Win32_PnPEntity"), QStringLiteral("DeviceID"), powered));
    return bag.take();
}

std::vector<Instance> batteryLinks(const MachineRoot &root)
{
    std::vector<Instance> instances;
    for (const QString &supply : root.list(QStringLiteral("sys/class/power_supply"))) {
        const QString type = root.readText(QStringLiteral("sys/class/power_supply/") + supply + QStringLiteral("/type"))
                                 .value_or(QString()).trimmed();
        if (type == QLatin1String("Battery"))
            instances.push_back(Instance::withoutCaption([root, supply] { return batteryLink(root, supply); }));
    }
    return instances;
}

} // namespace

void registerAssociatedBattery(ClassTable &table)
{
    table.provide(ClassName, batteryLinks);
}

} // namespace inventory::linuxsource
