// Storage for Win32_PnPEntity: SCSI devices (SATA, SAS, USB storage,
// optical and tape drives) and the whole disks that sit on no SCSI bus
// (NVMe namespaces, memory cards, virtual disks).
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/devices/PnpDevice.h"
#include "inventory/linux/reading/SysfsDevice.h"

#include <QRegularExpression>

namespace inventory::linuxsource {

namespace {

constexpr int VendorWidth = 8;
constexpr int ProductWidth = 16;

bool isScsiAddress(const QString &name)
{
    static const QRegularExpression address(QStringLiteral("^[0-9]+:[0-9]+:[0-9]+:[0-9]+$"));
    return address.match(name).hasMatch();
}

// Vendor and model as people read them; "ATA" is the SCSI layer's stand-in
// vendor for SATA disks, not a maker.
QString vendorAndModel(const SysfsDevice &device)
{
    const QString vendor = device.trimmed(QStringLiteral("vendor")).value_or(QString());
    const QString model = device.trimmed(QStringLiteral("model")).value_or(QString());
    if (vendor.isEmpty() || vendor == QLatin1String("ATA") || model.startsWith(vendor))
        return model;
    return model.isEmpty() ? vendor : vendor + QLatin1Char(' ') + model;
}

QString idPart(QString text, int width)
{
    text = text.trimmed().left(width);
    text.replace(QLatin1Char(' '), QLatin1Char('_'));
    return text.toUpper();
}

// SCSI\DISK&VEN_SANDISK&PROD_CRUZER_BLADE\6:0:0:0, as Windows names a disk
// by its inquiry strings; USB storage says USBSTOR.
QString storageDeviceId(const QString &type, const QString &vendor, const QString &product, const QString &instance,
                        bool usb)
{
    return QStringLiteral("%1\\%2&VEN_%3&PROD_%4\\%5")
        .arg(usb ? QStringLiteral("USBSTOR") : QStringLiteral("SCSI"), type, idPart(vendor, VendorWidth),
             idPart(product, ProductWidth), instance);
}

struct ScsiKind
{
    QString idType;
    QString setupClass;
    QString maker;
};

ScsiKind scsiKind(std::optional<qint64> type)
{
    switch (type.value_or(-1)) {
    case 0x00:
    case 0x0e:
        return {QStringLiteral("DISK"), QStringLiteral("DiskDrive"), QStringLiteral("(Standard disk drives)")};
    case 0x01:
        return {QStringLiteral("SEQUENTIAL"), QStringLiteral("TapeDrive"), {}};
    case 0x05:
        return {QStringLiteral("CDROM"), QStringLiteral("CDROM"), QStringLiteral("(Standard CD-ROM drives)")};
    case 0x08:
        return {QStringLiteral("CHANGER"), QStringLiteral("MediumChanger"), {}};
    default:
        return {QStringLiteral("OTHER"), QStringLiteral("System"), {}};
    }
}

PnpDetails scsiDetails(const SysfsDevice &device)
{
    const ScsiKind kind = scsiKind(device.integerAttribute(QStringLiteral("type")));
    const QString vendor = device.trimmed(QStringLiteral("vendor")).value_or(QStringLiteral("GENERIC"));
    const QString model = device.trimmed(QStringLiteral("model")).value_or(device.name());
    const bool usb = device.ancestorOnBus(QStringLiteral("usb")).isValid();

    PnpDetails details;
    details.deviceId = storageDeviceId(kind.idType, vendor, model, device.name(), usb);
    details.manufacturer = kind.maker.isEmpty() ? device.trimmed(QStringLiteral("vendor")) : kind.maker;
    details.service = device.driver();
    details.state = driverState(true, details.service);
    details.pnpClass = kind.setupClass;
    const QString prefix = usb ? QStringLiteral("USBSTOR\\") : QStringLiteral("SCSI\\");
    details.hardwareIds = {details.deviceId.section(QLatin1Char('\\'), 0, 1), prefix + kind.idType};
    return details;
}

// A whole disk's hardware: the target of its "device" link, or the directory
// it sits in where a capture left the link out.
SysfsDevice diskHardware(const SysfsDevice &block)
{
    const SysfsDevice linked = linkedDevice(block.root(), block.path() + QStringLiteral("/device"));
    if (linked.isValid())
        return linked;
    const SysfsDevice up = block.parent();
    return up.name() == QLatin1String("block") ? up.parent() : up;
}

std::optional<QString> diskModel(const SysfsDevice &hardware)
{
    // NVMe namespaces keep the model on their controller.
    for (const SysfsDevice &d : {hardware, hardware.parent()})
        for (const char *attribute : {"model", "name"})
            if (std::optional<QString> model = d.trimmed(QLatin1String(attribute)))
                return model;
    return std::nullopt;
}

} // namespace

std::vector<PnpDevice> scsiPnpDevices(const MachineRoot &root)
{
    std::vector<PnpDevice> devices;
    // Hosts and targets are the SCSI layer's own bookkeeping.
    for (const SysfsDevice &device : busDevices(root, QStringLiteral("scsi"), isScsiAddress)) {
        QString caption = vendorAndModel(device);
        if (caption.isEmpty())
            caption = QStringLiteral("SCSI device ") + device.name();
        devices.push_back({caption, [device] { return scsiDetails(device); }});
    }
    return devices;
}

std::vector<PnpDevice> blockPnpDevices(const MachineRoot &root)
{
    std::vector<PnpDevice> devices;
    for (const QString &name : root.list(QStringLiteral("sys/block"))) {
        const SysfsDevice block = linkedDevice(root, QStringLiteral("sys/block/") + name);
        // Disks the kernel makes up (loop, ram, device-mapper) are no hardware;
        // disks on a SCSI bus are listed as SCSI devices.
        if (!block.isValid() || block.path().startsWith(QLatin1String("sys/devices/virtual/")))
            continue;
        const SysfsDevice hardware = diskHardware(block);
        if (isScsiAddress(hardware.name()))
            continue;
        const std::optional<QString> model = diskModel(hardware);
        const QString caption = model.value_or(QStringLiteral("Disk drive ") + name);
        devices.push_back({caption, [name, hardware, model] {
                               const bool nvme = name.startsWith(QLatin1String("nvme"));
                               PnpDetails details;
                               details.deviceId = storageDeviceId(QStringLiteral("DISK"),
                                                                  nvme ? QStringLiteral("NVME") : QStringLiteral("GENERIC"),
                                                                  model.value_or(name), hardware.name(), false);
                               details.manufacturer = QStringLiteral("(Standard disk drives)");
                               details.service = hardware.driver();
                               details.pnpClass = QStringLiteral("DiskDrive");
                               details.hardwareIds = {details.deviceId.section(QLatin1Char('\\'), 0, 1)};
                               return details;
                           }});
    }
    return devices;
}

} // namespace inventory::linuxsource
