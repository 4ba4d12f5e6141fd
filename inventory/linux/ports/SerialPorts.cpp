// Win32_SerialPort and Win32_SerialPortConfiguration: the serial ports that
// exist (sys/class/tty entries backed by hardware). What a port's line is
// set to is only known without opening it where the port is the kernel's
// console; other ports' settings are left out rather than guessed.
#include "inventory/linux/ports/SerialPorts.h"

#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/reading/HardwareNames.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/reading/PropertyBag.h"
#include "inventory/linux/reading/UdevData.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace inventory::linuxsource {

namespace {

const QString PortClass = QStringLiteral("Win32_SerialPort");
const QString ConfigurationClass = QStringLiteral("Win32_SerialPortConfiguration");
constexpr qint64 UartClockDivisor = 16;
// USB interface class, subclass and protocols of a CDC ACM function that
// takes AT commands (V.250 and its relatives), and the PCI modem class.
constexpr quint64 UsbClassCdc = 0x02;
constexpr quint64 UsbSubclassAcm = 0x02;
constexpr quint64 AcmProtocolFirstAt = 0x01;
constexpr quint64 AcmProtocolLastAt = 0x06;
constexpr quint64 PciClassModem = 0x0703;

bool isUart(const SerialPortInfo &port)
{
    return port.port.attribute(QStringLiteral("type")).has_value();
}

Properties portProperties(const SerialPortInfo &port)
{
    const QString caption = serialPortCaption(port);
    const bool modem = isModemPort(port);
    PropertyBag bag;
    bag.logicalDevice(PortClass, systemName(port.port.root()))
        .text(QStringLiteral("Caption"), caption)
        .text(QStringLiteral("Name"), caption)
        .text(QStringLiteral("Description"), isUart(port) ? QStringLiteral("Communications Port") : caption)
        .text(QStringLiteral("DeviceID"), port.name)
        .text(QStringLiteral("PNPDeviceID"), carrierPnpDeviceId(port.hardware))
        .text(QStringLiteral("ProviderType"), modem ? QStringLiteral("Modem Device") : QStringLiteral("RS232 Serial Port"))
        .boolean(QStringLiteral("OSAutoDiscovered"), true)
        .boolean(QStringLiteral("Binary"), true)
        .text(QStringLiteral("Status"), QStringLiteral("OK"))
        .integer(QStringLiteral("StatusInfo"), 3)
        // A tty exists only while a driver serves it.
        .integer(QStringLiteral("ConfigManagerErrorCode"), 0)
        .boolean(QStringLiteral("ConfigManagerUserConfig"), false)
        .boolean(QStringLiteral("PowerManagementSupported"), false);
    // The UART's clock divided by 16 is its top baud rate.
    if (const std::optional<qint64> clock = port.port.integerAttribute(QStringLiteral("uartclk")); clock && *clock > 0)
        bag.integer(QStringLiteral("MaxBaudRate"), *clock / UartClockDivisor);
    // What the Linux tty layer offers every serial port through termios.
    for (const char *feature : {"SettableBaudRate", "SettableDataBits", "SettableFlowControl", "SettableParity",
                                "SettableParityCheck", "SettableRLSD", "SettableStopBits", "SupportsDTRDSR",
                                "SupportsParityCheck", "SupportsRLSD", "SupportsRTSCTS", "SupportsXOnXOff",
                                "SupportsXOnXOffSet", "SupportsElapsedTimeouts", "SupportsIntTimeouts"})
        bag.boolean(QLatin1String(feature), true);
    bag.boolean(QStringLiteral("Supports16BitMode"), false).boolean(QStringLiteral("SupportsSpecialCharacters"), false);
    return bag.take();
}

Properties configurationProperties(const SerialPortInfo &port)
{
    const MachineRoot &root = port.port.root();
    PropertyBag bag;
    bag.set(QStringLiteral("CreationClassName"), Value::text(ConfigurationClass))
        .text(QStringLiteral("Caption"), port.name)
        .text(QStringLiteral("Name"), port.name)
        .text(QStringLiteral("SettingID"), port.name)
        .text(QStringLiteral("Description"), serialPortCaption(port));
    const QString commandLine = root.readText(QStringLiteral("proc/cmdline")).value_or(QString());
    if (const std::optional<LineSettings> line = consoleSettings(commandLine, port.name)) {
        static const QHash<QChar, QString> parities = {{QLatin1Char('n'), QStringLiteral("None")},
                                                       {QLatin1Char('o'), QStringLiteral("Odd")},
                                                       {QLatin1Char('e'), QStringLiteral("Even")}};
        bag.integer(QStringLiteral("BaudRate"), line->baudRate)
            .integer(QStringLiteral("BitsPerByte"), line->dataBits)
            .text(QStringLiteral("Parity"), parities.value(line->parity))
            .boolean(QStringLiteral("ParityCheckEnabled"), line->parity != QLatin1Char('n'))
            .text(QStringLiteral("StopBits"), QStringLiteral("1"))
            .boolean(QStringLiteral("CTSOutflowControl"), line->rtsCts)
            .text(QStringLiteral("RTSFlowControlType"), line->rtsCts ? std::optional<QString>(QStringLiteral("Handshake")) : std::nullopt)
            .boolean(QStringLiteral("BinaryModeEnabled"), true);
    }
    return bag.take();
}

std::vector<Instance> portInstances(const MachineRoot &root)
{
    std::vector<Instance> instances;
    for (const SerialPortInfo &port : serialPorts(root))
        instances.emplace_back(Value::text(serialPortCaption(port)), [port] { return portProperties(port); });
    return instances;
}

std::vector<Instance> configurationInstances(const MachineRoot &root)
{
    std::vector<Instance> instances;
    for (const SerialPortInfo &port : serialPorts(root))
        instances.emplace_back(Value::text(port.name), [port] { return configurationProperties(port); });
    return instances;
}

} // namespace

std::vector<SerialPortInfo> serialPorts(const MachineRoot &root)
{
    std::vector<SerialPortInfo> ports;
    for (const QString &name : root.list(QStringLiteral("sys/class/tty"))) {
        // Most entries are virtual terminals; their link says so without
        // resolving the whole path.
        if (QFileInfo(root.path(QStringLiteral("sys/class/tty/") + name)).symLinkTarget().contains(QLatin1String("/devices/virtual/")))
            continue;
        const QString dir = root.resolve(QStringLiteral("sys/class/tty/") + name);
        // Consoles, virtual terminals and pseudo terminals live under
        // sys/devices/virtual; ports have hardware above them.
        if (dir.isEmpty() || !dir.startsWith(QLatin1String("sys/devices/"))
            || dir.startsWith(QLatin1String("sys/devices/virtual/")))
            continue;
        const SysfsDevice port(root, dir);
        SysfsDevice hardware = SysfsDevice::fromLink(root, dir + QStringLiteral("/device"));
        if (!hardware.isValid())
            hardware = port.parent().parent(); // .../<device>/tty/ttyS0
        // The serial driver keeps a port for every UART it might have; those
        // it found nothing behind have type 0 ("unknown"). Kernels before
        // 3.x lack the attribute, and their unprobed ports hang off the
        // legacy serial8250 platform device.
        if (const std::optional<qint64> type = port.integerAttribute(QStringLiteral("type"))) {
            if (*type == 0)
                continue;
        } else if (hardware.name().startsWith(QLatin1String("serial8250"))) {
            continue;
        }
        ports.push_back({name, port, hardware});
    }
    return ports;
}

QString serialPortCaption(const SerialPortInfo &port)
{
    if (isUart(port) || !port.hardware.ancestorOnBus(QStringLiteral("usb")).isValid())
        return QStringLiteral("Communications Port (%1)").arg(port.name);
    return QStringLiteral("%1 (%2)").arg(busDeviceName(port.hardware).value_or(QStringLiteral("USB Serial Device")), port.name);
}

bool isModemPort(const SerialPortInfo &port)
{
    const SysfsDevice usb = port.hardware.ancestorOnBus(QStringLiteral("usb"));
    if (usb.isValid()) {
        const auto interfaceClass = usb.hexAttribute(QStringLiteral("bInterfaceClass"));
        const auto subclass = usb.hexAttribute(QStringLiteral("bInterfaceSubClass"));
        const auto protocol = usb.hexAttribute(QStringLiteral("bInterfaceProtocol"));
        if (interfaceClass != UsbClassCdc || subclass != UsbSubclassAcm || !protocol
            || *protocol < AcmProtocolFirstAt || *protocol > AcmProtocolLastAt)
            return false;
        // Boards that borrow the class (Arduino and friends) are listed in
        // udev's modem rules as devices to leave alone.
        const QString devnum = port.port.trimmed(QStringLiteral("dev")).value_or(QString());
        return udevProperties(port.port.root(), QStringLiteral("c") + devnum).value(QStringLiteral("ID_MM_DEVICE_IGNORE"))
            != QLatin1String("1");
    }
    const std::optional<quint64> pciClass = port.hardware.ancestorOnBus(QStringLiteral("pci")).hexAttribute(QStringLiteral("class"));
    return pciClass && (*pciClass >> 8) == PciClassModem;
}

std::optional<LineSettings> consoleSettings(const QString &commandLine, const QString &port)
{
    std::optional<LineSettings> found;
    static const QRegularExpression options(QStringLiteral("^([0-9]+)([noe]?)([5-8]?)(r?)"));
    // The last console= for a port wins, as in the kernel.
    for (const QString &word : commandLine.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!word.startsWith(QLatin1String("console=")))
            continue;
        const QString value = word.mid(8);
        if (value.section(QLatin1Char(','), 0, 0) != port)
            continue;
        LineSettings line;
        const QRegularExpressionMatch match = options.match(value.section(QLatin1Char(','), 1));
        // Without options the 8250 driver sets 9600 8N1; other drivers keep
        // whatever the firmware left, which only the port could tell.
        if (!match.hasMatch() && !port.startsWith(QLatin1String("ttyS"))) {
            found.reset();
            continue;
        }
        if (match.hasMatch()) {
            bool ok = false;
            const qint64 baud = match.captured(1).toLongLong(&ok);
            if (ok && baud > 0)
                line.baudRate = baud;
            if (!match.captured(2).isEmpty())
                line.parity = match.captured(2).at(0);
            if (!match.captured(3).isEmpty())
                line.dataBits = match.captured(3).toLongLong();
            line.rtsCts = !match.captured(4).isEmpty();
        }
        found = line;
    }
    return found;
}

void registerSerialPorts(ClassTable &table)
{
    table.provide(PortClass, portInstances);
    table.provide(ConfigurationClass, configurationInstances);
}

} // namespace inventory::linuxsource
