// USB devices and interfaces: ids, names and the Windows-style identity
// Device Manager shows for them.
#include "inventory/linux/devices/UsbDevices.h"

#include "inventory/linux/reading/IdDatabase.h"
#include "inventory/linux/reading/MachineRoot.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>

namespace inventory::linuxsource {

namespace {

enum UsbClass : quint8 {
    Audio = 0x01,
    Communications = 0x02,
    Hid = 0x03,
    Image = 0x06,
    Printer = 0x07,
    MassStorage = 0x08,
    CdcData = 0x0a,
    SmartCard = 0x0b,
    Video = 0x0e,
    Wireless = 0xe0,
    VendorSpecific = 0xff,
};

quint8 hexByte(const SysfsDevice &device, const char *attribute)
{
    return quint8(device.hexAttribute(QLatin1String(attribute)).value_or(0));
}

// "1-2.3:1.0" -> {1, 2, 3, -1, 1, 0}; "usb2" -> {2, 0}: bus, ports, then the
// configuration and interface numbers, so that a sort keeps each device's
// interfaces right after it.
QList<int> orderKey(const QString &name)
{
    QList<int> key;
    QString device = name.section(QLatin1Char(':'), 0, 0);
    if (device.startsWith(QLatin1String("usb")))
        device = device.mid(3) + QStringLiteral("-0");
    static const QRegularExpression separators(QStringLiteral("[-.]"));
    for (const QString &part : device.split(separators))
        key.append(part.toInt());
    if (name.contains(QLatin1Char(':'))) {
        key.append(-1);
        for (const QString &part : name.section(QLatin1Char(':'), 1).split(QLatin1Char('.')))
            key.append(part.toInt());
    }
    return key;
}

QString classText(quint8 classCode)
{
    if (std::optional<QString> name = IdDatabase::instance().usbClass(classCode))
        return *name;
    return QStringLiteral("class %1").arg(classCode, 2, 16, QLatin1Char('0'));
}

// The setup class of a function by its USB class.
QString functionSetupClass(quint8 classCode)
{
    switch (classCode) {
    case Audio: return QStringLiteral("MEDIA");
    case Communications:
    case CdcData: return QStringLiteral("Ports");
    case Hid: return QStringLiteral("HIDClass");
    case Image: return QStringLiteral("Image");
    case SmartCard: return QStringLiteral("SmartCardReader");
    case Video: return QStringLiteral("Camera");
    case Wireless: return QStringLiteral("Bluetooth");
    default: return QStringLiteral("USB");
    }
}

// The function that decides what a node is. A single-function device is its
// one interface: that interface's driver, and its class unless the device
// names one itself.
UsbFunction mainFunction(const UsbNode &node)
{
    if (!node.isInterface && node.functions.size() == 1) {
        const UsbFunction only = node.functions.first();
        return {node.classCode != 0 ? node.classCode : only.classCode, only.driven};
    }
    return {node.classCode, node.classCode == VendorSpecific && !node.node.driver().isEmpty()};
}

} // namespace

bool UsbNode::isRootHub() const
{
    return !isInterface && node.name().startsWith(QLatin1String("usb"));
}

bool UsbNode::isComposite() const
{
    return interfaceCount > 1 && (deviceClass == 0 || deviceClass == MiscellaneousClass);
}

UsbNode readUsbNode(const SysfsDevice &device, const UsbNode *owner)
{
    UsbNode n;
    n.node = device;
    n.isInterface = device.name().contains(QLatin1Char(':'));
    if (!n.isInterface) {
        n.vendor = quint16(device.hexAttribute(QStringLiteral("idVendor")).value_or(0));
        n.product = quint16(device.hexAttribute(QStringLiteral("idProduct")).value_or(0));
        n.classCode = hexByte(device, "bDeviceClass");
        n.deviceClass = n.classCode;
        n.interfaceCount = int(device.integerAttribute(QStringLiteral("bNumInterfaces")).value_or(0));
        return n;
    }
    const UsbNode parent = owner ? *owner : readUsbNode(device.parent());
    n.vendor = parent.vendor;
    n.product = parent.product;
    n.deviceClass = parent.deviceClass;
    n.interfaceCount = parent.interfaceCount;
    n.classCode = hexByte(device, "bInterfaceClass");
    return n;
}

UsbSubclass readUsbSubclass(const UsbNode &node)
{
    if (node.isInterface)
        return {hexByte(node.node, "bInterfaceSubClass"), hexByte(node.node, "bInterfaceProtocol")};
    return {hexByte(node.node, "bDeviceSubClass"), hexByte(node.node, "bDeviceProtocol")};
}

std::vector<UsbNode> usbNodes(const MachineRoot &root)
{
    // Port and endpoint entries are not devices.
    const auto isNode = [](const QString &name) {
        return name.startsWith(QLatin1String("usb")) || (!name.isEmpty() && name.front().isDigit());
    };
    std::vector<UsbNode> nodes;
    QHash<QString, qsizetype> deviceIndex;
    std::vector<SysfsDevice> interfaces;
    for (const SysfsDevice &device : busDevices(root, QStringLiteral("usb"), isNode)) {
        if (device.name().contains(QLatin1Char(':'))) {
            interfaces.push_back(device);
            continue;
        }
        deviceIndex.insert(device.path(), qsizetype(nodes.size()));
        nodes.push_back(readUsbNode(device));
    }
    for (const SysfsDevice &interface : interfaces) {
        const auto owner = deviceIndex.constFind(interface.parent().path());
        UsbNode n = readUsbNode(interface, owner == deviceIndex.constEnd() ? nullptr : &nodes[size_t(*owner)]);
        // Only vendor functions need their driver to tell where they belong.
        const bool driven = n.classCode == VendorSpecific && !interface.driver().isEmpty();
        if (owner != deviceIndex.constEnd())
            nodes[size_t(*owner)].functions.append({n.classCode, driven});
        nodes.push_back(std::move(n));
    }
    for (UsbNode &n : nodes) {
        if (!n.isInterface)
            n.interfaceCount = std::max(n.interfaceCount, int(n.functions.size()));
    }
    // Interfaces take their device's view of its functions.
    for (UsbNode &n : nodes) {
        if (!n.isInterface)
            continue;
        if (const auto owner = deviceIndex.constFind(n.node.parent().path()); owner != deviceIndex.constEnd()) {
            n.functions = nodes[size_t(*owner)].functions;
            n.interfaceCount = nodes[size_t(*owner)].interfaceCount;
        }
    }
    std::vector<std::pair<QList<int>, UsbNode>> keyed;
    keyed.reserve(nodes.size());
    for (UsbNode &n : nodes)
        keyed.emplace_back(orderKey(n.node.name()), std::move(n));
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    std::vector<UsbNode> ordered;
    ordered.reserve(keyed.size());
    for (auto &entry : keyed)
        ordered.push_back(std::move(entry.second));
    return ordered;
}

QString usbName(const UsbNode &node)
{
    if (node.isRootHub()) {
        const bool superSpeed = usbVersion(node).value_or(0) >= 0x0300;
        return superSpeed ? QStringLiteral("USB Root Hub (USB 3.0)") : QStringLiteral("USB Root Hub");
    }
    if (node.isInterface) {
        if (std::optional<QString> own = node.node.trimmed(QStringLiteral("interface")))
            return *own;
        UsbNode device = node;
        device.node = node.usbDevice();
        device.isInterface = false;
        return QStringLiteral("%1 (%2)").arg(usbName(device), classText(node.classCode));
    }
    if (std::optional<QString> name = IdDatabase::instance().usbProduct(node.vendor, node.product))
        return *name;
    if (std::optional<QString> own = node.node.trimmed(QStringLiteral("product")))
        return *own;
    return QStringLiteral("USB device %1:%2").arg(hex4(node.vendor), hex4(node.product));
}

std::optional<QString> usbVendorName(const UsbNode &node)
{
    if (node.isRootHub())
        return QStringLiteral("(Standard USB Host Controller)");
    if (std::optional<QString> name = IdDatabase::instance().usbVendor(node.vendor))
        return name;
    return node.usbDevice().trimmed(QStringLiteral("manufacturer"));
}

std::optional<quint16> usbVersion(const UsbNode &node)
{
    // "2.00" and "3.10" are bcdUSB written out; "1.1" appears on old kernels.
    const std::optional<QString> text = node.usbDevice().trimmed(QStringLiteral("version"));
    if (!text)
        return std::nullopt;
    bool majorOk = false, minorOk = false;
    const int major = text->section(QLatin1Char('.'), 0, 0).toInt(&majorOk);
    const QString minorText = text->section(QLatin1Char('.'), 1, 1).leftJustified(2, QLatin1Char('0'));
    const int minor = minorText.toInt(&minorOk, 16);
    if (!majorOk || !minorOk || major < 0 || major > 0xff || minor > 0xff)
        return std::nullopt;
    return quint16((major / 10 * 16 + major % 10) << 8 | minor);
}

QString usbDeviceId(const UsbNode &node)
{
    if (node.isRootHub()) {
        const quint16 version = usbVersion(node).value_or(0);
        const QString hub = version >= 0x0300 ? QStringLiteral("ROOT_HUB30")
                            : version >= 0x0200 ? QStringLiteral("ROOT_HUB20")
                                                : QStringLiteral("ROOT_HUB");
        return QStringLiteral("USB\\%1\\%2").arg(hub, node.node.name());
    }
    QString id = QStringLiteral("USB\\VID_%1&PID_%2").arg(upperHex(node.vendor, 4), upperHex(node.product, 4));
    if (node.isInterface) {
        const quint64 number = node.node.hexAttribute(QStringLiteral("bInterfaceNumber")).value_or(0);
        id += QStringLiteral("&MI_") + upperHex(number, 2);
    }
    return id + QLatin1Char('\\') + node.node.name();
}

bool filedUnderUsbClass(const UsbNode &node)
{
    if (node.isRootHub() || node.isHub())
        return !node.isInterface;
    if (!node.isInterface && node.isComposite())
        return true;
    // A single-function device stands for its one interface.
    if (node.isInterface && !node.isComposite())
        return false;
    const UsbFunction function = mainFunction(node);
    switch (function.classCode) {
    case Printer:
    case MassStorage:
        return true;
    case VendorSpecific:
        return function.driven;
    default:
        return false;
    }
}

PnpDetails usbDetails(const UsbNode &node)
{
    const SysfsDevice device = node.usbDevice();
    const QString vidPid = QStringLiteral("USB\\VID_%1&PID_%2").arg(upperHex(node.vendor, 4), upperHex(node.product, 4));
    const QString rev = QStringLiteral("&REV_") + upperHex(device.hexAttribute(QStringLiteral("bcdDevice")).value_or(0), 4);
    QString mi;
    if (node.isInterface)
        mi = QStringLiteral("&MI_") + upperHex(node.node.hexAttribute(QStringLiteral("bInterfaceNumber")).value_or(0), 2);
    const UsbSubclass codes = readUsbSubclass(node);
    const QString cls = QStringLiteral("USB\\Class_%1").arg(node.classCode, 2, 16, QLatin1Char('0'));
    const QString sub = QStringLiteral("&SubClass_%1").arg(codes.subClass, 2, 16, QLatin1Char('0'));
    const QString prot = QStringLiteral("&Prot_%1").arg(codes.protocol, 2, 16, QLatin1Char('0'));

    PnpDetails details;
    details.deviceId = usbDeviceId(node);
    details.manufacturer = usbVendorName(node);
    details.service = node.node.driver();
    details.state = driverState(true, details.service, device.integerAttribute(QStringLiteral("authorized")) == 0);
    const bool hubLike = node.isRootHub() || (!node.isInterface && (node.isHub() || node.isComposite()));
    details.pnpClass = hubLike ? QStringLiteral("USB") : functionSetupClass(mainFunction(node).classCode);
    if (node.isRootHub()) {
        details.hardwareIds = {details.deviceId.section(QLatin1Char('\\'), 0, 1) + rev,
                               details.deviceId.section(QLatin1Char('\\'), 0, 1)};
    } else {
        details.hardwareIds = {vidPid + rev + mi, vidPid + mi};
        details.compatibleIds = {cls + sub + prot, cls + sub, cls};
        if (!node.isInterface && node.isComposite())
            details.compatibleIds.append(QStringLiteral("USB\\COMPOSITE"));
    }
    return details;
}

std::vector<PnpDevice> usbPnpDevices(const MachineRoot &root)
{
    std::vector<PnpDevice> devices;
    for (const UsbNode &node : usbNodes(root)) {
        // Linux binds its hub driver to the hub's interface; Windows shows the hub once.
        if (node.isInterface && node.isHub())
            continue;
        devices.push_back({usbName(node), [node] { return usbDetails(node); }});
    }
    return devices;
}

} // namespace inventory::linuxsource
