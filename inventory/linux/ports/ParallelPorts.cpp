// Win32_ParallelPort: the ports the parport layer drives, from the parport
// bus in sysfs and its /proc/sys/dev/parport tables (modes, DMA).
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/reading/HardwareNames.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/reading/PropertyBag.h"
#include "inventory/linux/reading/SysfsDevice.h"

#include <QRegularExpression>

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_ParallelPort");
constexpr int ParallelProtocol = 17;

struct Port
{
    MachineRoot root;
    QString name;         // parport0
    SysfsDevice hardware; // the PnP, PCI or platform device it belongs to
    QString table() const { return QStringLiteral("proc/sys/dev/parport/") + name; }
};

std::vector<Port> ports(const MachineRoot &root)
{
    static const QRegularExpression portName(QStringLiteral("^parport[0-9]+$"));
    QStringList names;
    for (const char *dir : {"sys/bus/parport/devices", "sys/class/parport", "proc/sys/dev/parport"})
        for (const QString &name : root.list(QLatin1String(dir)))
            if (portName.match(name).hasMatch() && !names.contains(name))
                names << name;
    std::sort(names.begin(), names.end(), naturalLess);
    std::vector<Port> found;
    for (const QString &name : names) {
        Port port{root, name, {}};
        for (const char *dir : {"sys/bus/parport/devices/", "sys/class/parport/"}) {
            const QString resolved = root.resolve(QLatin1String(dir) + name);
            if (resolved.isEmpty())
                continue;
            port.hardware = SysfsDevice::fromLink(root, resolved + QStringLiteral("/device"));
            if (!port.hardware.isValid())
                port.hardware = SysfsDevice(root, resolved).parent();
            break;
        }
        found.push_back(port);
    }
    return found;
}

// "PCSPP,TRISTATE,COMPAT,EPP,ECP,DMA" as WMI capability codes.
void addCapabilities(PropertyBag &bag, const QStringList &modes)
{
    static const QList<std::tuple<const char *, const char *, const char *>> known = {
        {"PCSPP", "2", "XT/AT Compatible"},
        {"TRISTATE", "3", "PS/2 Compatible"},
        {"ECP", "4", "ECP"},
        {"EPP", "5", "EPP"},
    };
    QStringList codes, texts;
    for (const auto &[mode, code, text] : known) {
        if (modes.contains(QLatin1String(mode))) {
            codes << QLatin1String(code);
            texts << QLatin1String(text);
        }
    }
    if (!codes.isEmpty())
        bag.set(QStringLiteral("Capabilities"), Value::array(codes))
            .set(QStringLiteral("CapabilityDescriptions"), Value::array(texts));
}

Properties portProperties(const Port &port)
{
    const QStringList modes = port.root.readText(port.table() + QStringLiteral("/modes"))
                                  .value_or(QString()).trimmed().split(QLatin1Char(','), Qt::SkipEmptyParts);
    const std::optional<qint64> dma = port.root.readInteger(port.table() + QStringLiteral("/dma"));
    PropertyBag bag;
    bag.logicalDevice(ClassName, systemName(port.root))
        .text(QStringLiteral("Caption"), port.name)
        .text(QStringLiteral("Name"), port.name)
        .text(QStringLiteral("Description"), port.name)
        .text(QStringLiteral("DeviceID"), port.name)
        .text(QStringLiteral("PNPDeviceID"), carrierPnpDeviceId(port.hardware))
        .integer(QStringLiteral("ProtocolSupported"), ParallelProtocol)
        .boolean(QStringLiteral("OSAutoDiscovered"), true)
        .integer(QStringLiteral("Availability"), 3)
        .text(QStringLiteral("Status"), QStringLiteral("OK"))
        // parport lists a port once a low-level driver runs it.
        .integer(QStringLiteral("ConfigManagerErrorCode"), 0)
        .boolean(QStringLiteral("ConfigManagerUserConfig"), false)
        .boolean(QStringLiteral("PowerManagementSupported"), false);
    if (!modes.isEmpty() || dma)
        bag.boolean(QStringLiteral("DMASupport"), modes.contains(QStringLiteral("DMA")) || (dma && *dma >= 0));
    addCapabilities(bag, modes);
    return bag.take();
}

std::vector<Instance> parallelPorts(const MachineRoot &root)
{
    std::vector<Instance> instances;
    for (const Port &port : ports(root))
        instances.emplace_back(Value::text(port.name), [port] { return portProperties(port); });
    return instances;
}

} // namespace

void registerParallelPorts(ClassTable &table)
{
    table.provide(ClassName, parallelPorts);
}

} // namespace inventory::linuxsource
