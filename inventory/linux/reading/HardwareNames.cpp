#include "inventory/linux/reading/HardwareNames.h"

#include "inventory/linux/reading/IdDatabase.h"

#include <QRegularExpression>

namespace inventory::linuxsource {

namespace {

struct BusIds
{
    SysfsDevice device;
    quint16 vendor = 0;
    quint16 product = 0;
    bool usb = false;
};

QString hex4(quint16 value)
{
    return QStringLiteral("%1").arg(uint(value), 4, 16, QLatin1Char('0'));
}

// USB first: a USB adapter hangs below a PCI host controller.
std::optional<BusIds> busIds(const SysfsDevice &device)
{
    SysfsDevice usb = device.ancestorOnBus(QStringLiteral("usb"));
    if (usb.isValid()) {
        if (!usb.hexAttribute(QStringLiteral("idVendor")))
            usb = usb.parent(); // an interface: the ids are on the device
        const auto vendor = usb.hexAttribute(QStringLiteral("idVendor"));
        const auto product = usb.hexAttribute(QStringLiteral("idProduct"));
        if (vendor && product)
            return BusIds{usb, quint16(*vendor), quint16(*product), true};
    }
    const SysfsDevice pci = device.ancestorOnBus(QStringLiteral("pci"));
    const auto vendor = pci.hexAttribute(QStringLiteral("vendor"));
    const auto product = pci.hexAttribute(QStringLiteral("device"));
    if (vendor && product)
        return BusIds{pci, quint16(*vendor), quint16(*product), false};
    return std::nullopt;
}

} // namespace

std::optional<QString> busDeviceName(const SysfsDevice &device)
{
    const std::optional<BusIds> ids = busIds(device);
    if (!ids)
        return std::nullopt;
    const IdDatabase &database = IdDatabase::instance();
    if (ids->usb) {
        if (auto name = database.usbProduct(ids->vendor, ids->product))
            return name;
        // The device's own strings: "Nokia" and "N78" make "Nokia N78".
        if (auto name = ids->device.trimmed(QStringLiteral("product"))) {
            const QString maker = ids->device.trimmed(QStringLiteral("manufacturer")).value_or(QString());
            if (maker.isEmpty() || name->startsWith(maker, Qt::CaseInsensitive))
                return name;
            return maker + QLatin1Char(' ') + *name;
        }
        return QStringLiteral("USB device %1:%2").arg(hex4(ids->vendor), hex4(ids->product));
    }
    if (auto name = database.pciDevice(ids->vendor, ids->product))
        return name;
    return QStringLiteral("PCI device %1:%2").arg(hex4(ids->vendor), hex4(ids->product));
}

std::optional<QString> busDeviceMaker(const SysfsDevice &device)
{
    const std::optional<BusIds> ids = busIds(device);
    if (!ids)
        return std::nullopt;
    const IdDatabase &database = IdDatabase::instance();
    if (ids->usb) {
        if (auto maker = database.usbVendor(ids->vendor))
            return maker;
        return ids->device.trimmed(QStringLiteral("manufacturer"));
    }
    return database.pciVendor(ids->vendor);
}

QString carrierPnpDeviceId(const SysfsDevice &device)
{
    // PnP devices sit at sys/devices/pnp<N>/<bus>:<device>.
    static const QRegularExpression pnpDevice(QStringLiteral("^sys/devices/pnp[0-9]+/[0-9a-fA-F]+:[0-9a-fA-F]+$"));
    for (SysfsDevice d = device; d.isValid(); d = d.parent()) {
        if (pnpDevice.match(d.path()).hasMatch()) {
            const QStringList ids = d.root().readLines(d.path() + QStringLiteral("/id")).value_or(QStringList());
            const QString first = ids.isEmpty() ? QString() : ids.first().trimmed().toUpper();
            if (!first.isEmpty())
                return QStringLiteral("ACPI\\%1\\%2").arg(first, d.name());
            continue;
        }
        const QString bus = d.subsystem();
        if (bus == QLatin1String("usb")) {
            // Windows names a device with one interface by the device itself.
            if (d.hexAttribute(QStringLiteral("bInterfaceNumber"))
                && d.parent().integerAttribute(QStringLiteral("bNumInterfaces")) == 1)
                return usbPnpDeviceId(d.parent());
            return usbPnpDeviceId(d);
        }
        if (bus == QLatin1String("pci"))
            return pciPnpDeviceId(d);
    }
    return {};
}

} // namespace inventory::linuxsource
