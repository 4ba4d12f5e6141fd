// Devices the firmware describes: ACPI namespace devices with an id of their
// own, PnP BIOS devices on machines without ACPI, and platform devices the
// kernel registers for hardware no firmware table names.
#include "inventory/linux/devices/AcpiDevices.h"

#include "inventory/linux/devices/AcpiIds.h"
#include "inventory/linux/reading/IdDatabase.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/reading/SysfsDevice.h"

namespace inventory::linuxsource {

namespace {

constexpr qint64 StaPresent = 0x1;
constexpr qint64 StaEnabled = 0x2;
const QString StandardSystemDevices = QStringLiteral("(Standard system devices)");

struct FirmwareDevice
{
    SysfsDevice device;
    QString hid;               // "PNP0C0A"
    QStringList compatibleIds; // further ids from the modalias
    bool acpi = true;          // false: a PnP BIOS device
};

QStringList ids(const FirmwareDevice &f)
{
    return QStringList{f.hid} + f.compatibleIds;
}

std::optional<KnownAcpiId> known(const FirmwareDevice &f)
{
    for (const QString &id : ids(f))
        if (std::optional<KnownAcpiId> k = knownAcpiId(id))
            return k;
    return std::nullopt;
}

// The driver of an ACPI device, or of a kernel device that stands for it
// (a pnp, platform, PCI or I2C device: "physical_node", "physical_node1"...).
QString firmwareDriver(const FirmwareDevice &f)
{
    const QString own = f.device.driver();
    if (!own.isEmpty() || !f.acpi)
        return own;
    const MachineRoot &root = f.device.root();
    for (const QString &entry : root.list(f.device.path())) {
        if (!entry.startsWith(QLatin1String("physical_node")))
            continue;
        const QString driver = linkedDevice(root, f.device.path() + QLatin1Char('/') + entry).driver();
        if (!driver.isEmpty())
            return driver;
    }
    return {};
}

// The kernel names an ACPI device after its own id: "PNP0C0A:00"; objects
// without one are "device:1f".
QString acpiIdOf(const QString &name)
{
    return name.section(QLatin1Char(':'), 0, 0).toUpper();
}

// "acpi:IBM0057:PNP0F13:" -> PNP0F13.
QStringList acpiCompatibleIds(const SysfsDevice &device)
{
    QStringList ids;
    const QStringList alias = device.trimmed(QStringLiteral("modalias")).value_or(QString()).split(QLatin1Char(':'));
    for (qsizetype i = 2; i < alias.size(); ++i)
        if (!alias[i].isEmpty())
            ids.append(alias[i].toUpper());
    return ids;
}

std::optional<FirmwareDevice> readAcpiDevice(const SysfsDevice &device)
{
    FirmwareDevice f{device, acpiIdOf(device.name()), {}, true};
    // A device the firmware reports as absent is not there.
    if (const std::optional<qint64> sta = device.integerAttribute(QStringLiteral("status")); sta && !(*sta & StaPresent))
        return std::nullopt;
    // Old kernels list the thermal scope \_TZ itself beside its zones.
    if (f.hid == QLatin1String("LNXTHERM") && !device.trimmed(QStringLiteral("path")).value_or(QString()).contains(QLatin1Char('.')))
        return std::nullopt;
    // A compatible id names what the device's own id leaves unknown.
    if (!knownAcpiId(f.hid))
        f.compatibleIds = acpiCompatibleIds(device);
    return f;
}

// ACPI devices with an id of their own, those the filter wants. Objects
// without an id describe a PCI function or a port, listed where it lives;
// hidden ids are turned down before anything is read.
std::vector<FirmwareDevice> acpiDevices(const MachineRoot &root, const QString &onlyId = QString())
{
    const auto wanted = [&](const QString &name) {
        const QString id = acpiIdOf(name);
        if (!onlyId.isEmpty())
            return id == onlyId;
        return !id.isEmpty() && id != QLatin1String("DEVICE") && !isHiddenAcpiId(id);
    };
    std::vector<FirmwareDevice> found;
    for (const SysfsDevice &device : busDevices(root, QStringLiteral("acpi"), wanted))
        if (std::optional<FirmwareDevice> f = readAcpiDevice(device))
            found.push_back(*f);
    return found;
}

// PnP BIOS devices; on ACPI machines the pnp bus only mirrors ACPI devices.
std::vector<FirmwareDevice> pnpBiosDevices(const MachineRoot &root)
{
    std::vector<FirmwareDevice> found;
    if (!root.list(QStringLiteral("sys/bus/acpi/devices")).isEmpty())
        return found;
    for (const SysfsDevice &device : busDevices(root, QStringLiteral("pnp"))) {
        const QStringList lines = root.readLines(device.path() + QStringLiteral("/id")).value_or(QStringList());
        QStringList idList;
        for (const QString &line : lines)
            if (!line.trimmed().isEmpty())
                idList.append(line.trimmed().toUpper());
        if (idList.isEmpty())
            continue;
        found.push_back({device, idList.takeFirst(), idList, false});
    }
    return found;
}

QString firmwareName(const FirmwareDevice &f)
{
    if (std::optional<QString> described = f.device.trimmed(QStringLiteral("description")))
        return *described;
    if (std::optional<KnownAcpiId> k = known(f))
        return k->name;
    return QStringLiteral("%1 device %2").arg(f.acpi ? QStringLiteral("ACPI") : QStringLiteral("PnP"), f.hid);
}

QString firmwareDeviceId(const FirmwareDevice &f)
{
    if (!f.acpi)
        return QStringLiteral("PNP\\%1\\%2").arg(f.hid, f.device.name());
    if (f.hid == QLatin1String("LNXSYSTM"))
        return QStringLiteral("ACPI_HAL\\PNP0C08\\0");
    if (f.hid == QLatin1String("LNXTHERM")) {
        // Windows names a thermal zone by its object name: ACPI\ThermalZone\THM0.
        QString zone = f.device.trimmed(QStringLiteral("path")).value_or(QString()).section(QLatin1Char('.'), -1);
        zone.remove(QLatin1Char('\\'));
        while (zone.endsWith(QLatin1Char('_')))
            zone.chop(1);
        if (!zone.isEmpty())
            return QStringLiteral("ACPI\\THERMALZONE\\") + zone.toUpper();
    }
    const QString instance = f.device.trimmed(QStringLiteral("uid"))
                                 .value_or(f.device.name().section(QLatin1Char(':'), 1));
    return QStringLiteral("ACPI\\%1\\%2").arg(f.hid, instance);
}

PnpDetails firmwareDetails(const FirmwareDevice &f)
{
    const std::optional<KnownAcpiId> k = known(f);
    const std::optional<qint64> sta = f.device.integerAttribute(QStringLiteral("status"));
    const QString prefix = f.acpi ? QStringLiteral("ACPI\\") : QStringLiteral("PNP\\");

    PnpDetails details;
    details.deviceId = firmwareDeviceId(f);
    details.manufacturer = k ? std::optional<QString>(StandardSystemDevices) : IdDatabase::instance().acpiVendor(f.hid);
    details.service = firmwareDriver(f);
    // Generic system devices work without a driver of their own, as they do
    // on Windows; an id nobody knows and no driver claims is an unknown device.
    details.state = driverState(!k, details.service, sta && !(*sta & StaEnabled));
    details.pnpClass = k ? k->setupClass : QStringLiteral("System");
    details.hardwareIds = {prefix + f.hid, QLatin1Char('*') + f.hid};
    const QStringList compatible = f.acpi && knownAcpiId(f.hid) ? acpiCompatibleIds(f.device) : f.compatibleIds;
    for (const QString &id : compatible)
        details.compatibleIds << prefix + id << QLatin1Char('*') + id;
    return details;
}

std::vector<PnpDevice> toPnpDevices(const std::vector<FirmwareDevice> &found)
{
    std::vector<PnpDevice> devices;
    for (const FirmwareDevice &f : found)
        devices.push_back({firmwareName(f), [f] { return firmwareDetails(f); }});
    return devices;
}

// "platform:serial8250" -> "serial8250"; "of:NuartT(null)Cns16550a" -> "ns16550a".
QString platformId(const QString &modalias)
{
    if (modalias.startsWith(QLatin1String("of:"))) {
        const qsizetype compatible = modalias.indexOf(QLatin1Char('C'), modalias.indexOf(QLatin1Char('T')));
        if (compatible > 0)
            return modalias.mid(compatible + 1).section(QLatin1Char('C'), 0, 0);
    }
    return modalias.section(QLatin1Char(':'), 1, 1);
}

} // namespace

std::vector<PnpDevice> acpiPnpDevices(const MachineRoot &root)
{
    return toPnpDevices(acpiDevices(root));
}

std::vector<PnpDevice> legacyPnpDevices(const MachineRoot &root)
{
    return toPnpDevices(pnpBiosDevices(root));
}

std::vector<PnpDevice> firmwareDevicesWithId(const MachineRoot &root, const QString &id)
{
    std::vector<FirmwareDevice> found = acpiDevices(root, id.toUpper());
    for (FirmwareDevice &f : pnpBiosDevices(root))
        if (ids(f).contains(id, Qt::CaseInsensitive))
            found.push_back(std::move(f));
    return toPnpDevices(found);
}

std::vector<PnpDevice> platformPnpDevices(const MachineRoot &root)
{
    std::vector<PnpDevice> devices;
    for (const SysfsDevice &device : busDevices(root, QStringLiteral("platform"))) {
        // A platform device made for an ACPI device is that device, listed already.
        if (root.exists(device.path() + QStringLiteral("/firmware_node")))
            continue;
        const std::optional<QString> modalias = device.trimmed(QStringLiteral("modalias"));
        if (!modalias)
            continue;
        QString id = platformId(*modalias);
        if (id.isEmpty())
            id = device.name();
        const QString caption = QStringLiteral("Platform device ") + id;
        devices.push_back({caption, [device, id] {
                               return drivenDeviceDetails(device, QStringLiteral("PLATFORM\\") + id.toUpper(), QStringLiteral("System"));
                           }});
    }
    return devices;
}

} // namespace inventory::linuxsource
