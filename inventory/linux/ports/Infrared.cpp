// Win32_InfraredDevice: IrDA ports, which few machines still have: PnP
// devices with an IrDA id, USB IrDA bridges (interface class FE/02) and the
// irda network interfaces of kernels that still drove them.
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/reading/HardwareNames.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/reading/PropertyBag.h"
#include "inventory/linux/reading/SysfsDevice.h"

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_InfraredDevice");
constexpr quint64 UsbClassApplication = 0xfe;
constexpr quint64 UsbSubclassIrda = 0x02;
constexpr qint64 ArphrdIrda = 783;

// PnP ids of IrDA ports: the generic ones and the controllers Linux had
// drivers for (nsc-ircc, smsc-ircc2, ali-ircc, via-ircc).
const QStringList &irdaIds()
{
    static const QStringList ids = {QStringLiteral("PNP0510"), QStringLiteral("PNP0511"), QStringLiteral("IBM0071"),
                                    QStringLiteral("NSC6001"), QStringLiteral("NSC6101"), QStringLiteral("HWPC224"),
                                    QStringLiteral("SMCF010"), QStringLiteral("ALI5123"), QStringLiteral("VIA3076")};
    return ids;
}

struct Port
{
    SysfsDevice device;
    QString name;
};

QString pnpName(const QString &id)
{
    if (id == QLatin1String("PNP0510") || id == QLatin1String("PNP0511"))
        return QStringLiteral("Generic IrDA-compatible device");
    return QStringLiteral("IrDA port (%1)").arg(id);
}

std::vector<Port> ports(const MachineRoot &root)
{
    std::vector<Port> found;
    QStringList seen;
    const auto add = [&](const SysfsDevice &device, const QString &name) {
        if (!device.isValid() || seen.contains(device.path()))
            return;
        seen << device.path();
        found.push_back({device, name});
    };
    for (const QString &pnp : root.list(QStringLiteral("sys/bus/pnp/devices"))) {
        const QString link = QStringLiteral("sys/bus/pnp/devices/") + pnp;
        for (const QString &id : root.readLines(link + QStringLiteral("/id")).value_or(QStringList()))
            if (irdaIds().contains(id.trimmed().toUpper())) {
                add(SysfsDevice::fromLink(root, link), pnpName(id.trimmed().toUpper()));
                break;
            }
    }
    for (const QString &usb : root.list(QStringLiteral("sys/bus/usb/devices"))) {
        const SysfsDevice function = SysfsDevice::fromLink(root, QStringLiteral("sys/bus/usb/devices/") + usb);
        if (function.hexAttribute(QStringLiteral("bInterfaceClass")) == UsbClassApplication
            && function.hexAttribute(QStringLiteral("bInterfaceSubClass")) == UsbSubclassIrda)
            add(function, busDeviceName(function).value_or(QStringLiteral("USB IrDA adapter")));
    }
    for (const QString &net : root.list(QStringLiteral("sys/class/net"))) {
        if (root.readInteger(QStringLiteral("sys/class/net/") + net + QStringLiteral("/type")) != ArphrdIrda)
            continue;
        const SysfsDevice device = SysfsDevice::fromLink(root, QStringLiteral("sys/class/net/") + net + QStringLiteral("/device"));
        add(device, busDeviceName(device).value_or(QStringLiteral("IrDA port (%1)").arg(net)));
    }
    return found;
}

Properties portProperties(const Port &port)
{
    PropertyBag bag;
    const QString id = carrierPnpDeviceId(port.device);
    bag.logicalDevice(ClassName, systemName(port.device.root()))
        .text(QStringLiteral("Caption"), port.name)
        .text(QStringLiteral("Name"), port.name)
        .text(QStringLiteral("Description"), port.name)
        .text(QStringLiteral("DeviceID"), id.isEmpty() ? port.device.name() : id)
        .text(QStringLiteral("PNPDeviceID"), id)
        .text(QStringLiteral("Manufacturer"), busDeviceMaker(port.device))
        .text(QStringLiteral("Status"), QStringLiteral("OK"))
        .integer(QStringLiteral("ConfigManagerErrorCode"), port.device.driver().isEmpty() ? 28 : 0)
        .boolean(QStringLiteral("ConfigManagerUserConfig"), false)
        .boolean(QStringLiteral("PowerManagementSupported"), false);
    return bag.take();
}

std::vector<Instance> infraredDevices(const MachineRoot &root)
{
    std::vector<Instance> instances;
    for (const Port &port : ports(root))
        instances.emplace_back(Value::text(port.name), [port] { return portProperties(port); });
    return instances;
}

} // namespace

void registerInfrared(ClassTable &table)
{
    table.provide(ClassName, infraredDevices);
}

} // namespace inventory::linuxsource
