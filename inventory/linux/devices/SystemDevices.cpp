// The rest of Win32_PnPEntity: virtio devices, sound cards and their HD
// Audio codecs, network interfaces no hardware stands behind, and each
// logical processor.
#include "inventory/linux/system/CpuInfo.h"
#include "inventory/linux/reading/IdDatabase.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/devices/PnpDevice.h"
#include "inventory/linux/reading/SysfsDevice.h"

#include <QRegularExpression>

#include <algorithm>

namespace inventory::linuxsource {

namespace {

constexpr quint16 VirtioVendor = 0x1af4;
// Modern virtio PCI functions are numbered 0x1040 + the virtio device id,
// which lets the PCI ID database name virtio devices on any transport.
constexpr quint16 VirtioModernBase = 0x1040;
constexpr int ArphrdLoopback = 772;

enum VirtioType { VirtioNet = 1, VirtioBlock = 2, VirtioConsole = 3, VirtioScsi = 8, VirtioInput = 18 };

QString virtioName(quint64 type)
{
    if (std::optional<QString> name = IdDatabase::instance().pciDevice(VirtioVendor, quint16(VirtioModernBase + type)))
        return *name;
    return QStringLiteral("Virtio device %1").arg(type);
}

QString virtioSetupClass(quint64 type)
{
    switch (type) {
    case VirtioNet: return QStringLiteral("Net");
    case VirtioBlock:
    case VirtioScsi: return QStringLiteral("SCSIAdapter");
    case VirtioConsole: return QStringLiteral("Ports");
    case VirtioInput: return QStringLiteral("HIDClass");
    default: return QStringLiteral("System");
    }
}

// /proc/asound/cards: " 0 [PCH            ]: HDA-Intel - HDA Intel PCH".
QHash<QString, QString> asoundShortNames(const MachineRoot &root)
{
    static const QRegularExpression head(QStringLiteral("^\\s*([0-9]+)\\s*\\[[^\\]]*\\]:\\s*\\S+\\s+-\\s+(.+)$"));
    QHash<QString, QString> names;
    for (const QString &line : root.readLines(QStringLiteral("proc/asound/cards")).value_or(QStringList())) {
        const QRegularExpressionMatch m = head.match(line);
        if (m.hasMatch())
            names.insert(m.captured(1), m.captured(2).trimmed());
    }
    return names;
}

std::vector<PnpDevice> soundCards(const MachineRoot &root)
{
    std::vector<PnpDevice> devices;
    const QStringList entries = root.list(QStringLiteral("sys/class/sound"));
    if (entries.isEmpty())
        return devices;
    const QHash<QString, QString> shortNames = asoundShortNames(root);
    static const QRegularExpression cardName(QStringLiteral("^card([0-9]+)$"));
    for (const QString &entry : entries) {
        const QRegularExpressionMatch m = cardName.match(entry);
        if (!m.hasMatch())
            continue;
        const SysfsDevice card = linkedDevice(root, QStringLiteral("sys/class/sound/") + entry);
        if (!card.isValid())
            continue;
        const QString number = m.captured(1);
        const QString id = card.trimmed(QStringLiteral("id")).value_or(number);
        const QString caption = shortNames.value(number, QStringLiteral("Sound card ") + id);
        devices.push_back({caption, [card, id] {
                               const SysfsDevice hardware = linkedDevice(card.root(), card.path() + QStringLiteral("/device"));
                               PnpDetails details;
                               details.deviceId = QStringLiteral("SOUND\\%1\\%2").arg(id.toUpper(), card.name());
                               details.service = hardware.driver();
                               details.pnpClass = QStringLiteral("MEDIA");
                               return details;
                           }});
    }
    return devices;
}

// HD Audio codecs: what Windows lists as HDAUDIO\FUNC_01&VEN_10EC&DEV_0892...
std::vector<PnpDevice> audioCodecs(const MachineRoot &root)
{
    std::vector<PnpDevice> devices;
    for (const SysfsDevice &codec : busDevices(root, QStringLiteral("hdaudio"))) {
        const quint64 id = codec.hexAttribute(QStringLiteral("vendor_id")).value_or(0);
        const QString vendor = codec.trimmed(QStringLiteral("vendor_name")).value_or(QString());
        const QString chip = codec.trimmed(QStringLiteral("chip_name")).value_or(QString());
        QString caption = (vendor + QLatin1Char(' ') + chip).trimmed();
        if (caption.isEmpty())
            caption = QStringLiteral("HD Audio codec %1:%2").arg(hex4(id >> 16), hex4(id & 0xffff));
        devices.push_back({caption, [codec, id, vendor] {
                               const quint64 subsystem = codec.hexAttribute(QStringLiteral("subsystem_id")).value_or(0);
                               const quint64 revision = codec.hexAttribute(QStringLiteral("revision_id")).value_or(0);
                               // hdaudio:v10EC0892r00100302a01 ends with the function group.
                               static const QRegularExpression functionGroup(QStringLiteral("a([0-9A-Fa-f]{2})$"));
                               const QRegularExpressionMatch m = functionGroup.match(codec.trimmed(QStringLiteral("modalias")).value_or(QString()));
                               const QString group = m.hasMatch() ? m.captured(1) : QStringLiteral("01");
                               const QString hardware = QStringLiteral("HDAUDIO\\FUNC_%1&VEN_%2&DEV_%3&SUBSYS_%4&REV_%5")
                                                            .arg(group.toUpper(), upperHex(id >> 16, 4), upperHex(id & 0xffff, 4),
                                                                 upperHex(subsystem, 8), upperHex((revision >> 8) & 0xffff, 4));
                               PnpDetails details = drivenDeviceDetails(codec, hardware, QStringLiteral("MEDIA"));
                               if (!vendor.isEmpty())
                                   details.manufacturer = vendor;
                               return details;
                           }});
    }
    return devices;
}

QString processorName(const LogicalCpu &cpu)
{
    for (const char *field : {"model name", "Processor", "cpu"}) {
        const QString value = cpu.fields.value(QLatin1String(field)).trimmed();
        if (!value.isEmpty())
            return value;
    }
    // arm64 kernels give no name at all; older ARM kernels said "ARMv7 Processor".
    const QString arm = cpu.fields.value(QStringLiteral("CPU architecture")).trimmed();
    if (!arm.isEmpty())
        return QStringLiteral("ARMv%1 Processor").arg(arm);
    return QStringLiteral("CPU %1").arg(cpu.number);
}

// ACPI\GENUINEINTEL_-_X86_FAMILY_6_MODEL_42_-_INTEL(R)_CORE(TM)_I5-2300_CPU_@_2.80GHZ,
// the way Windows' ACPI driver names a processor.
QString processorHardwareId(const LogicalCpu &cpu)
{
    QString name = processorName(cpu);
    name.replace(QLatin1Char(' '), QLatin1Char('_'));
    const QString vendor = cpu.fields.value(QStringLiteral("vendor_id"));
    if (vendor.isEmpty())
        return QStringLiteral("ACPI\\") + name.toUpper();
    return QStringLiteral("ACPI\\%1_-_X86_FAMILY_%2_MODEL_%3_-_%4")
        .arg(vendor, cpu.fields.value(QStringLiteral("cpu family")), cpu.fields.value(QStringLiteral("model")), name)
        .toUpper();
}

std::optional<QString> processorMaker(const LogicalCpu &cpu)
{
    const QString vendor = cpu.fields.value(QStringLiteral("vendor_id"));
    if (vendor == QLatin1String("GenuineIntel"))
        return QStringLiteral("Intel");
    if (vendor == QLatin1String("AuthenticAMD"))
        return QStringLiteral("AMD");
    if (vendor.isEmpty())
        return std::nullopt;
    return vendor;
}

} // namespace

std::vector<PnpDevice> virtioPnpDevices(const MachineRoot &root)
{
    std::vector<PnpDevice> devices;
    for (const SysfsDevice &device : busDevices(root, QStringLiteral("virtio"))) {
        const quint64 type = device.hexAttribute(QStringLiteral("device")).value_or(0);
        devices.push_back({virtioName(type), [device, type] {
                               const quint64 vendor = device.hexAttribute(QStringLiteral("vendor")).value_or(VirtioVendor);
                               const QString hardware = QStringLiteral("VIRTIO\\VEN_%1&DEV_%2").arg(upperHex(vendor, 4), upperHex(type, 4));
                               PnpDetails details = drivenDeviceDetails(device, hardware, virtioSetupClass(type));
                               details.manufacturer = IdDatabase::instance().pciVendor(quint16(vendor));
                               return details;
                           }});
    }
    return devices;
}

std::vector<PnpDevice> soundPnpDevices(const MachineRoot &root)
{
    std::vector<PnpDevice> devices = soundCards(root);
    for (PnpDevice &codec : audioCodecs(root))
        devices.push_back(std::move(codec));
    return devices;
}

std::vector<PnpDevice> netPnpDevices(const MachineRoot &root)
{
    // Interfaces of real hardware are that hardware's PCI or USB device; the
    // ones the kernel makes up are devices of their own, as Windows' virtual
    // adapters are.
    std::vector<PnpDevice> devices;
    for (const QString &name : root.list(QStringLiteral("sys/class/net"))) {
        const SysfsDevice nic = linkedDevice(root, QStringLiteral("sys/class/net/") + name);
        if (!nic.path().startsWith(QLatin1String("sys/devices/virtual/")))
            continue;
        QString caption;
        if (nic.integerAttribute(QStringLiteral("type")) == ArphrdLoopback) {
            caption = QStringLiteral("Software Loopback Interface");
        } else {
            const QString kind = nic.uevent().value(QStringLiteral("DEVTYPE"));
            caption = kind.isEmpty() ? QStringLiteral("Virtual network adapter (%1)").arg(name)
                                     : QStringLiteral("Virtual %1 adapter (%2)").arg(kind, name);
        }
        devices.push_back({caption, [name] {
                               PnpDetails details;
                               details.deviceId = QStringLiteral("ROOT\\NET\\") + name;
                               details.pnpClass = QStringLiteral("Net");
                               return details;
                           }});
    }
    return devices;
}

std::vector<PnpDevice> processorPnpDevices(const MachineRoot &root)
{
    std::vector<LogicalCpu> cpus = readLogicalCpus(root);
    std::sort(cpus.begin(), cpus.end(), [](const LogicalCpu &a, const LogicalCpu &b) { return a.number < b.number; });

    std::vector<PnpDevice> devices;
    for (const LogicalCpu &cpu : cpus) {
        devices.push_back({processorName(cpu), [root, cpu] {
                               const SysfsDevice device(root, QStringLiteral("sys/devices/system/cpu/cpu%1").arg(cpu.number));
                               // Windows numbers processors by their ACPI _UID.
                               const QString uid = root.readText(device.path() + QStringLiteral("/firmware_node/uid"))
                                                       .value_or(QString::number(cpu.number))
                                                       .trimmed();
                               PnpDetails details;
                               details.deviceId = processorHardwareId(cpu) + QStringLiteral("\\_") + uid;
                               details.manufacturer = processorMaker(cpu);
                               details.service = device.driver();
                               details.pnpClass = QStringLiteral("Processor");
                               details.hardwareIds = {processorHardwareId(cpu)};
                               return details;
                           }});
    }
    return devices;
}

} // namespace inventory::linuxsource
