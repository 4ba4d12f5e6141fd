// Human interface devices for Win32_PnPEntity: HID devices, the i8042
// ports keyboards and mice hang on, and the kernel's input devices.
#include "inventory/linux/reading/IdDatabase.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/devices/PnpDevice.h"
#include "inventory/linux/reading/SysfsDevice.h"
#include "inventory/linux/reading/UdevData.h"

namespace inventory::linuxsource {

namespace {

constexpr quint64 BusUsb = 0x03;

std::optional<QString> usbVendorOnBus(quint64 bus, quint64 vendor)
{
    if (bus != BusUsb)
        return std::nullopt;
    return IdDatabase::instance().usbVendor(quint16(vendor));
}

// "0003:046D:C52B.0001" -> bus, vendor, product.
struct HidIds
{
    quint64 bus = 0, vendor = 0, product = 0;
};

HidIds hidIds(const QString &name)
{
    const QStringList parts = name.section(QLatin1Char('.'), 0, 0).split(QLatin1Char(':'));
    HidIds ids;
    if (parts.size() == 3) {
        ids.bus = parts[0].toULongLong(nullptr, 16);
        ids.vendor = parts[1].toULongLong(nullptr, 16);
        ids.product = parts[2].toULongLong(nullptr, 16);
    }
    return ids;
}

QString hidName(const SysfsDevice &device, const HidIds &ids)
{
    const QString own = device.uevent().value(QStringLiteral("HID_NAME")).trimmed();
    if (!own.isEmpty())
        return own;
    if (ids.bus == BusUsb)
        if (std::optional<QString> name = IdDatabase::instance().usbProduct(quint16(ids.vendor), quint16(ids.product)))
            return *name;
    return QStringLiteral("HID device %1:%2").arg(hex4(ids.vendor), hex4(ids.product));
}

// What udev's input_id made of an input device.
QString inputSetupClass(const MachineRoot &root, const QString &name)
{
    const QHash<QString, QString> udev = udevProperties(root, QStringLiteral("+input:") + name);
    if (udev.value(QStringLiteral("ID_INPUT_KEYBOARD")) == QLatin1String("1"))
        return QStringLiteral("Keyboard");
    for (const char *pointer : {"ID_INPUT_MOUSE", "ID_INPUT_TOUCHPAD", "ID_INPUT_POINTINGSTICK"})
        if (udev.value(QLatin1String(pointer)) == QLatin1String("1"))
            return QStringLiteral("Mouse");
    return QStringLiteral("HIDClass");
}

} // namespace

std::vector<PnpDevice> hidPnpDevices(const MachineRoot &root)
{
    std::vector<PnpDevice> devices;
    for (const SysfsDevice &device : busDevices(root, QStringLiteral("hid"))) {
        const HidIds ids = hidIds(device.name());
        devices.push_back({hidName(device, ids), [device, ids] {
                               const QString vidPid = QStringLiteral("HID\\VID_%1&PID_%2")
                                                          .arg(upperHex(ids.vendor, 4), upperHex(ids.product, 4));
                               PnpDetails details = drivenDeviceDetails(device, vidPid, QStringLiteral("HIDClass"));
                               details.manufacturer = usbVendorOnBus(ids.bus, ids.vendor);
                               return details;
                           }});
    }
    return devices;
}

std::vector<PnpDevice> serioPnpDevices(const MachineRoot &root)
{
    std::vector<PnpDevice> devices;
    for (const SysfsDevice &device : busDevices(root, QStringLiteral("serio"))) {
        const QString caption = device.trimmed(QStringLiteral("description"))
                                    .value_or(QStringLiteral("Serial I/O port ") + device.name());
        devices.push_back({caption, [device] {
                               // serio:ty06pr00id00ex00 -> SERIO\TY06&PR00&ID00&EX00
                               QString alias = device.trimmed(QStringLiteral("modalias")).value_or(QString()).section(QLatin1Char(':'), 1);
                               alias.replace(QStringLiteral("pr"), QStringLiteral("&pr"))
                                   .replace(QStringLiteral("id"), QStringLiteral("&id"))
                                   .replace(QStringLiteral("ex"), QStringLiteral("&ex"));
                               PnpDetails details;
                               details.deviceId = QStringLiteral("SERIO\\%1\\%2").arg(alias.toUpper(), device.name());
                               details.service = device.driver();
                               // A port with nothing plugged in has no driver and is still fine.
                               details.state = DriverState::Working;
                               details.pnpClass = details.service == QLatin1String("atkbd") ? QStringLiteral("Keyboard")
                                                  : details.service == QLatin1String("psmouse") ? QStringLiteral("Mouse")
                                                                                               : QStringLiteral("System");
                               return details;
                           }});
    }
    return devices;
}

std::vector<PnpDevice> inputPnpDevices(const MachineRoot &root)
{
    std::vector<PnpDevice> devices;
    for (const QString &name : root.list(QStringLiteral("sys/class/input"))) {
        // event, mouse and js nodes are interfaces to an input device, not devices.
        if (!name.startsWith(QLatin1String("input")))
            continue;
        const SysfsDevice device = linkedDevice(root, QStringLiteral("sys/class/input/") + name);
        if (!device.isValid())
            continue;
        const QString caption = device.trimmed(QStringLiteral("name")).value_or(QStringLiteral("Input device ") + name);
        devices.push_back({caption, [device, name] {
                               const quint64 bus = device.hexAttribute(QStringLiteral("id/bustype")).value_or(0);
                               const quint64 vendor = device.hexAttribute(QStringLiteral("id/vendor")).value_or(0);
                               const quint64 product = device.hexAttribute(QStringLiteral("id/product")).value_or(0);
                               const QString vidPid = QStringLiteral("INPUT\\VID_%1&PID_%2").arg(upperHex(vendor, 4), upperHex(product, 4));
                               PnpDetails details;
                               details.deviceId = vidPid + QLatin1Char('\\') + name;
                               details.manufacturer = usbVendorOnBus(bus, vendor);
                               details.pnpClass = inputSetupClass(device.root(), name);
                               details.hardwareIds = {vidPid};
                               return details;
                           }});
    }
    return devices;
}

} // namespace inventory::linuxsource
