// Win32_Keyboard and Win32_PointingDevice: the input devices the kernel
// knows, told apart by what they can send (full letter keys; pointer
// motion with buttons or touches), captioned with the device's own name.
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/reading/HardwareNames.h"
#include "inventory/linux/reading/IdDatabase.h"
#include "inventory/linux/devices/InputDevices.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/reading/PropertyBag.h"
#include "inventory/linux/reading/SysfsDevice.h"
#include "inventory/linux/reading/UdevData.h"

#include <QRegularExpression>

namespace inventory::linuxsource {

namespace {

const QString KeyboardClass = QStringLiteral("Win32_Keyboard");
const QString PointingClass = QStringLiteral("Win32_PointingDevice");

// WMI DeviceInterface codes.
constexpr int InterfaceOther = 1;
constexpr int InterfaceUnknown = 2;
constexpr int InterfaceSerial = 3;
constexpr int InterfacePs2 = 4;
constexpr int InterfaceUsb = 162;

// The codes of F1-F10, F11-F12 and F13-F24.
constexpr int KeyF1 = 59, KeyF10 = 68, KeyF11 = 87, KeyF12 = 88, KeyF13 = 183, KeyF24 = 194;
constexpr int BtnMouse = 0x110, BtnTask = 0x117;

enum class Kind { Keyboard, Pointing };

QString hex4(quint16 value)
{
    return QStringLiteral("%1").arg(uint(value), 4, 16, QLatin1Char('0')).toUpper();
}

// The PS/2 port (serio0, serio1) a device sits on, if any.
SysfsDevice serioPort(const SysfsDevice &device)
{
    static const QRegularExpression serio(QStringLiteral("^serio[0-9]+$"));
    for (SysfsDevice d = device; d.isValid(); d = d.parent())
        if (serio.match(d.name()).hasMatch())
            return d;
    return {};
}

// The firmware's id for a PS/2 device: the port's firmware_id ("PNP: LEN0020
// PNP0f13"), or the PnP device of the right kind (PNP03xx keyboards, PNP0Fxx
// mice); the instance is the PnP device or the port.
QString ps2PnpDeviceId(const MachineRoot &root, const SysfsDevice &port, Kind kind)
{
    const QString firmware = port.trimmed(QStringLiteral("firmware_id")).value_or(QString());
    const QStringList ids = firmware.section(QLatin1Char(':'), 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (!ids.isEmpty())
        return QStringLiteral("ACPI\\%1\\%2").arg(ids.first().toUpper(), port.name());
    const QString family = kind == Kind::Keyboard ? QStringLiteral("PNP03") : QStringLiteral("PNP0F");
    for (const QString &pnp : root.list(QStringLiteral("sys/bus/pnp/devices"))) {
        const QStringList pnpIds = root.readLines(QStringLiteral("sys/bus/pnp/devices/") + pnp + QStringLiteral("/id"))
                                       .value_or(QStringList());
        for (const QString &id : pnpIds)
            if (id.trimmed().startsWith(family, Qt::CaseInsensitive))
                return QStringLiteral("ACPI\\%1\\%2").arg(pnpIds.first().trimmed().toUpper(), pnp);
    }
    // The i8042's ports are the standard PS/2 keyboard and mouse ports.
    return QStringLiteral("ACPI\\%1\\%2")
        .arg(kind == Kind::Keyboard ? QStringLiteral("PNP0303") : QStringLiteral("PNP0F13"), port.name());
}

QString pnpDeviceId(const MachineRoot &root, const InputDevice &input, Kind kind)
{
    const SysfsDevice device = !input.sysfsPath.isEmpty() && root.isDirectory(input.sysfsPath)
        ? SysfsDevice(root, input.sysfsPath) : SysfsDevice();
    if (device.isValid()) {
        if (const SysfsDevice port = serioPort(device); port.isValid())
            return ps2PnpDeviceId(root, port, kind);
        if (const QString id = carrierPnpDeviceId(device); !id.isEmpty())
            return id;
    }
    // Without the sysfs tree the path still names the interface or HID device.
    const QStringList parts = input.sysfsPath.split(QLatin1Char('/'));
    static const QRegularExpression usbInterface(QStringLiteral("^[0-9]+-[0-9.]+:[0-9]+\\.([0-9]+)$"));
    static const QRegularExpression hidDevice(QStringLiteral("^[0-9A-Fa-f]{4}:[0-9A-Fa-f]{4}:[0-9A-Fa-f]{4}\\.[0-9A-Fa-f]+$"));
    for (qsizetype i = parts.size() - 1; i >= 0; --i) {
        if (const QRegularExpressionMatch match = usbInterface.match(parts[i]); match.hasMatch() && input.bus == BusUsb)
            return QStringLiteral("USB\\VID_%1&PID_%2&MI_%3\\%4")
                .arg(hex4(input.vendor), hex4(input.product), match.captured(1).rightJustified(2, QLatin1Char('0')), parts[i]);
        if (hidDevice.match(parts[i]).hasMatch())
            return QStringLiteral("HID\\VID_%1&PID_%2\\%3").arg(hex4(input.vendor), hex4(input.product), parts[i]);
        if (parts[i].startsWith(QLatin1String("serio")) && input.bus == BusI8042)
            return QStringLiteral("ACPI\\%1\\%2")
                .arg(kind == Kind::Keyboard ? QStringLiteral("PNP0303") : QStringLiteral("PNP0F13"), parts[i]);
    }
    return {};
}

// The input node's own name ("input3"), for devices no bus identifies.
QString inputNodeName(const InputDevice &input)
{
    return input.sysfsPath.section(QLatin1Char('/'), -1);
}

std::optional<QString> manufacturer(const InputDevice &input)
{
    if (input.bus == BusUsb && input.vendor != 0)
        return IdDatabase::instance().usbVendor(input.vendor);
    return std::nullopt;
}

std::optional<int> deviceInterface(const InputDevice &input)
{
    switch (input.bus) {
    case BusUsb:
        return InterfaceUsb;
    case BusI8042:
        return InterfacePs2;
    case BusRs232:
        return InterfaceSerial;
    case BusBluetooth:
    case BusI2c:
        return InterfaceOther;
    default:
        return InterfaceUnknown;
    }
}

// XKB layout names and the Windows keyboard layout ids of the same layouts.
std::optional<QString> layoutId(const QString &xkbLayout)
{
    static const QHash<QString, QString> layouts = {
        {QStringLiteral("us"), QStringLiteral("00000409")}, {QStringLiteral("gb"), QStringLiteral("00000809")},
        {QStringLiteral("de"), QStringLiteral("00000407")}, {QStringLiteral("fr"), QStringLiteral("0000040C")},
        {QStringLiteral("es"), QStringLiteral("0000040A")}, {QStringLiteral("it"), QStringLiteral("00000410")},
        {QStringLiteral("pt"), QStringLiteral("00000816")}, {QStringLiteral("br"), QStringLiteral("00000416")},
        {QStringLiteral("ru"), QStringLiteral("00000419")}, {QStringLiteral("pl"), QStringLiteral("00000415")},
        {QStringLiteral("nl"), QStringLiteral("00000413")}, {QStringLiteral("be"), QStringLiteral("0000080C")},
        {QStringLiteral("ch"), QStringLiteral("00000807")}, {QStringLiteral("se"), QStringLiteral("0000041D")},
        {QStringLiteral("no"), QStringLiteral("00000414")}, {QStringLiteral("dk"), QStringLiteral("00000406")},
        {QStringLiteral("fi"), QStringLiteral("0000040B")}, {QStringLiteral("jp"), QStringLiteral("00000411")},
        {QStringLiteral("kr"), QStringLiteral("00000412")}, {QStringLiteral("cz"), QStringLiteral("00000405")},
        {QStringLiteral("sk"), QStringLiteral("0000041B")}, {QStringLiteral("hu"), QStringLiteral("0000040E")},
        {QStringLiteral("tr"), QStringLiteral("0000041F")}, {QStringLiteral("gr"), QStringLiteral("00000408")},
        {QStringLiteral("latam"), QStringLiteral("0000080A")}, {QStringLiteral("ua"), QStringLiteral("00000422")},
        {QStringLiteral("is"), QStringLiteral("0000040F")}, {QStringLiteral("ie"), QStringLiteral("00001809")},
    };
    // "de,us" lists several layouts; the first is the one in use at start.
    const QString first = xkbLayout.section(QLatin1Char(','), 0, 0).trimmed().toLower();
    if (const auto found = layouts.constFind(first); found != layouts.constEnd())
        return *found;
    return std::nullopt;
}

std::optional<QString> shellValue(const MachineRoot &root, const QString &file, const QString &key)
{
    for (const QString &line : root.readLines(file).value_or(QStringList())) {
        const QString t = line.trimmed();
        if (t.startsWith(key + QLatin1Char('=')))
            return t.mid(key.size() + 1).remove(QLatin1Char('"')).remove(QLatin1Char('\'')).trimmed();
    }
    return std::nullopt;
}

// The layout udev gave the keyboard, else the system's configured one.
std::optional<QString> keyboardLayout(const MachineRoot &root, const InputDevice &input)
{
    static const QRegularExpression eventNode(QStringLiteral("^event[0-9]+$"));
    const QStringList entries = input.sysfsPath.isEmpty() ? QStringList() : root.list(input.sysfsPath);
    for (const QString &entry : entries) {
        if (!eventNode.match(entry).hasMatch())
            continue;
        const QString devnum = root.readText(input.sysfsPath + QLatin1Char('/') + entry + QStringLiteral("/dev"))
                                   .value_or(QString()).trimmed();
        const QString layout = udevProperties(root, QStringLiteral("c") + devnum).value(QStringLiteral("XKBLAYOUT"));
        if (!devnum.isEmpty() && !layout.isEmpty())
            return layoutId(layout);
    }
    for (const char *file : {"etc/default/keyboard", "etc/vconsole.conf"})
        if (const std::optional<QString> layout = shellValue(root, QLatin1String(file), QStringLiteral("XKBLAYOUT")))
            return layoutId(*layout);
    return std::nullopt;
}

qint64 functionKeyCount(const InputDevice &input)
{
    qint64 count = 0;
    for (const auto &[first, last] : {std::pair{KeyF1, KeyF10}, std::pair{KeyF11, KeyF12}, std::pair{KeyF13, KeyF24}})
        for (int key = first; key <= last; ++key)
            if (input.hasBit(QStringLiteral("KEY"), key))
                ++count;
    return count;
}

qint64 buttonCount(const InputDevice &input)
{
    qint64 count = 0;
    for (int button = BtnMouse; button <= BtnTask; ++button)
        if (input.hasBit(QStringLiteral("KEY"), button))
            ++count;
    return count;
}

PropertyBag commonProperties(const MachineRoot &root, const InputDevice &input, const QString &className, Kind kind)
{
    const QString id = pnpDeviceId(root, input, kind);
    PropertyBag bag;
    bag.logicalDevice(className, systemName(root))
        .text(QStringLiteral("Caption"), input.name)
        .text(QStringLiteral("Name"), input.name)
        .text(QStringLiteral("Description"), input.name)
        .text(QStringLiteral("DeviceID"), id.isEmpty() ? QStringLiteral("INPUT\\") + inputNodeName(input) : id)
        .text(QStringLiteral("PNPDeviceID"), id)
        .text(QStringLiteral("Status"), QStringLiteral("OK"))
        // The kernel made the input device, so its driver is running.
        .integer(QStringLiteral("ConfigManagerErrorCode"), 0)
        .boolean(QStringLiteral("ConfigManagerUserConfig"), false)
        .boolean(QStringLiteral("PowerManagementSupported"), false);
    return bag;
}

Properties keyboardProperties(const MachineRoot &root, const InputDevice &input)
{
    PropertyBag bag = commonProperties(root, input, KeyboardClass, Kind::Keyboard);
    bag.integer(QStringLiteral("NumberOfFunctionKeys"), functionKeyCount(input))
        .text(QStringLiteral("Layout"), keyboardLayout(root, input));
    return bag.take();
}

Properties pointingProperties(const MachineRoot &root, const InputDevice &input, int type)
{
    PropertyBag bag = commonProperties(root, input, PointingClass, Kind::Pointing);
    bag.text(QStringLiteral("HardwareType"), input.name)
        .text(QStringLiteral("Manufacturer"), manufacturer(input))
        .integer(QStringLiteral("PointingType"), type)
        .integer(QStringLiteral("DeviceInterface"), deviceInterface(input))
        .integer(QStringLiteral("NumberOfButtons"), buttonCount(input));
    // The PS/2 mouse driver keeps the rate (reports/s) and resolution (counts/inch) it set.
    const SysfsDevice device = !input.sysfsPath.isEmpty() ? SysfsDevice(root, input.sysfsPath) : SysfsDevice();
    if (const SysfsDevice port = serioPort(device); port.isValid()) {
        bag.integer(QStringLiteral("SampleRate"), port.integerAttribute(QStringLiteral("rate")))
            .integer(QStringLiteral("Resolution"), port.integerAttribute(QStringLiteral("resolution")));
    }
    return bag.take();
}

std::vector<Instance> keyboards(const MachineRoot &root)
{
    std::vector<Instance> instances;
    for (const InputDevice &input : readInputDevices(root))
        if (isKeyboard(input))
            instances.emplace_back(Value::text(input.name), [root, input] { return keyboardProperties(root, input); });
    return instances;
}

std::vector<Instance> pointingDevices(const MachineRoot &root)
{
    std::vector<Instance> instances;
    for (const InputDevice &input : readInputDevices(root))
        if (const std::optional<int> type = pointingType(input))
            instances.emplace_back(Value::text(input.name),
                                   [root, input, type = *type] { return pointingProperties(root, input, type); });
    return instances;
}

} // namespace

void registerInput(ClassTable &table)
{
    table.provide(KeyboardClass, keyboards);
    table.provide(PointingClass, pointingDevices);
}

} // namespace inventory::linuxsource
