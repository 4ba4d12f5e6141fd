// Win32_USBHub: despite its name, every USB device node Windows files under
// its USB class: root hubs, hubs, composite devices, storage, printers and
// driven vendor functions.
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/reading/PropertyBag.h"
#include "inventory/linux/devices/UsbDevices.h"

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_USBHub");

// The alternate setting each interface runs, in interface order.
QStringList alternateSettings(const UsbNode &node)
{
    QStringList settings;
    const SysfsDevice device = node.usbDevice();
    const MachineRoot &root = device.root();
    const QStringList interfaces = node.isInterface ? QStringList{node.node.name()} : root.list(device.path());
    for (const QString &name : interfaces) {
        if (!name.startsWith(device.name() + QLatin1Char(':')))
            continue;
        const SysfsDevice interface(root, device.path() + QLatin1Char('/') + name);
        if (const std::optional<qint64> setting = interface.integerAttribute(QStringLiteral("bAlternateSetting")))
            settings.append(QString::number(*setting));
    }
    return settings;
}

Properties hubProperties(const MachineRoot &root, const UsbNode &node, const QString &caption)
{
    const SysfsDevice device = node.usbDevice();
    const PnpDetails details = usbDetails(node);
    const UsbSubclass codes = readUsbSubclass(node);
    PropertyBag bag;
    bag.logicalDevice(ClassName, systemName(root));
    addDeviceNames(bag, caption, details.deviceId);
    bag.integer(QStringLiteral("ClassCode"), node.classCode)
        .integer(QStringLiteral("SubclassCode"), codes.subClass)
        .integer(QStringLiteral("ProtocolCode"), codes.protocol)
        .integer(QStringLiteral("USBVersion"), usbVersion(node))
        .integer(QStringLiteral("NumberOfConfigs"), device.integerAttribute(QStringLiteral("bNumConfigurations")))
        .integer(QStringLiteral("CurrentConfigValue"), device.integerAttribute(QStringLiteral("bConfigurationValue")))
        .integer(QStringLiteral("Availability"), availability(node.node, details.state));
    if (!node.isInterface && (node.isHub() || node.isRootHub()))
        bag.integer(QStringLiteral("NumberOfPorts"), device.integerAttribute(QStringLiteral("maxchild")));
    const QStringList settings = alternateSettings(node);
    if (!settings.isEmpty())
        bag.set(QStringLiteral("CurrentAlternateSettings"), Value::array(settings));
    addDriverStatus(bag, details.state);
    return bag.take();
}

std::vector<Instance> hubs(const MachineRoot &root)
{
    std::vector<Instance> instances;
    for (const UsbNode &node : usbNodes(root)) {
        if (!filedUnderUsbClass(node))
            continue;
        const QString caption = usbName(node);
        instances.emplace_back(Value::text(caption), [root, node, caption] { return hubProperties(root, node, caption); });
    }
    return instances;
}

} // namespace

void registerUsbHub(ClassTable &table)
{
    table.provide(ClassName, hubs);
}

} // namespace inventory::linuxsource
