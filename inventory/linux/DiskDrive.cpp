// Win32_DiskDrive: whole disks from sys/block (SATA, SAS, NVMe, USB, virtual
// and memory cards); partitions, optical drives and kernel-made devices
// (loop, ram, zram, device-mapper, md) are not disk drives.
#include "ClassTable.h"
#include "MachineRoot.h"
#include "PropertyBag.h"
#include "SysfsDevice.h"
#include "UdevData.h"

#include <QRegularExpression>

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_DiskDrive");
constexpr qint64 SectorsPerTrack = 63;
constexpr qint64 TracksPerCylinder = 255;

bool isDiskName(const QString &name)
{
    static const QStringList notDisks = {QStringLiteral("loop"), QStringLiteral("ram"), QStringLiteral("zram"),
                                         QStringLiteral("dm-"),  QStringLiteral("md"),  QStringLiteral("sr"),
                                         QStringLiteral("fd"),   QStringLiteral("nbd"), QStringLiteral("zd")};
    for (const QString &prefix : notDisks)
        if (name.startsWith(prefix))
            return false;
    return true;
}

struct Disk
{
    QString name;     // sda, nvme0n1
    SysfsDevice block; // sys/devices/.../block/sda
    int index = 0;
};

std::vector<Disk> disks(const MachineRoot &root)
{
    std::vector<Disk> found;
    for (const QString &name : root.list(QStringLiteral("sys/block"))) {
        if (!isDiskName(name))
            continue;
        const SysfsDevice block = SysfsDevice::fromLink(root, QStringLiteral("sys/block/") + name);
        if (!block.isValid())
            continue;
        // Devices the kernel makes up live under sys/devices/virtual.
        if (block.path().startsWith(QLatin1String("sys/devices/virtual/")))
            continue;
        found.push_back({name, block, int(found.size())});
    }
    return found;
}

// The hardware the disk sits on: the "device" link, or the directory it sits
// in where a captured tree left the link out.
SysfsDevice deviceOf(const Disk &disk)
{
    const SysfsDevice linked = SysfsDevice::fromLink(disk.block.root(), disk.block.path() + QStringLiteral("/device"));
    if (linked.isValid())
        return linked;
    const SysfsDevice up = disk.block.parent();
    return up.name() == QLatin1String("block") ? up.parent() : up; // NVMe namespaces sit right under their controller
}

bool isNvme(const Disk &disk) { return disk.name.startsWith(QLatin1String("nvme")); }

// NVMe namespaces keep model, serial and firmware on their controller.
SysfsDevice identityDevice(const Disk &disk)
{
    const SysfsDevice device = deviceOf(disk);
    if (isNvme(disk) && !device.attribute(QStringLiteral("model")) && device.parent().isValid())
        return device.parent();
    return device;
}

QString model(const Disk &disk)
{
    const SysfsDevice device = identityDevice(disk);
    const QString vendor = device.trimmed(QStringLiteral("vendor")).value_or(QString());
    QString name = device.trimmed(QStringLiteral("model")).value_or(QString());
    if (name.isEmpty())
        name = device.trimmed(QStringLiteral("name")).value_or(QString()); // memory cards
    // "ATA" is the SCSI layer's stand-in vendor for SATA disks, not a maker.
    if (!vendor.isEmpty() && vendor != QLatin1String("ATA") && !name.startsWith(vendor) && !isNvme(disk))
        name = vendor + QLatin1Char(' ') + name;
    if (name.isEmpty()) {
        if (disk.name.startsWith(QLatin1String("vd")))
            return QStringLiteral("VirtIO Block Device");
        if (disk.name.startsWith(QLatin1String("xvd")))
            return QStringLiteral("Xen Virtual Block Device");
        return QStringLiteral("Disk drive ") + disk.name;
    }
    return name;
}

bool onUsb(const Disk &disk) { return disk.block.path().contains(QLatin1String("/usb")); }

QString interfaceType(const Disk &disk)
{
    if (onUsb(disk))
        return QStringLiteral("USB");
    if (disk.block.path().contains(QLatin1String("/fw")) || disk.block.path().contains(QLatin1String("firewire")))
        return QStringLiteral("1394");
    static const QRegularExpression ataPort(QStringLiteral("/ata[0-9]+/"));
    if (identityDevice(disk).trimmed(QStringLiteral("vendor")) == QLatin1String("ATA")
        || ataPort.match(disk.block.path()).hasMatch())
        return QStringLiteral("IDE");
    return QStringLiteral("SCSI");
}

QString pnpId(const Disk &disk)
{
    auto clean = [](QString text, int width) {
        text = text.trimmed().left(width);
        text.replace(QLatin1Char(' '), QLatin1Char('_'));
        return text.toUpper();
    };
    const SysfsDevice device = identityDevice(disk);
    const QString vendor = isNvme(disk) ? QStringLiteral("NVME")
                                        : device.trimmed(QStringLiteral("vendor")).value_or(QStringLiteral("GENERIC"));
    const QString product = device.trimmed(QStringLiteral("model")).value_or(disk.name);
    const QString prefix = onUsb(disk) ? QStringLiteral("USBSTOR") : QStringLiteral("SCSI");
    return QStringLiteral("%1\\DISK&VEN_%2&PROD_%3\\%4").arg(prefix, clean(vendor, 8), clean(product, 16), deviceOf(disk).name());
}

Properties diskProperties(const Disk &disk)
{
    const MachineRoot &root = disk.block.root();
    const SysfsDevice device = deviceOf(disk);
    const SysfsDevice identity = identityDevice(disk);
    const QString caption = model(disk);
    const qint64 sectors512 = disk.block.integerAttribute(QStringLiteral("size")).value_or(0);
    const qint64 bytesPerSector = root.readInteger(disk.block.path() + QStringLiteral("/queue/logical_block_size"))
                                      .value_or(512);
    const bool removable = disk.block.integerAttribute(QStringLiteral("removable")) == 1;

    PropertyBag bag;
    bag.logicalDevice(ClassName, systemName(root))
        .text(QStringLiteral("Caption"), caption)
        .text(QStringLiteral("Model"), caption)
        .text(QStringLiteral("Description"), QStringLiteral("Disk drive"))
        .text(QStringLiteral("Manufacturer"), QStringLiteral("(Standard disk drives)"))
        .text(QStringLiteral("DeviceID"), QStringLiteral("\\\\.\\PHYSICALDRIVE%1").arg(disk.index))
        .text(QStringLiteral("Name"), QStringLiteral("\\\\.\\PHYSICALDRIVE%1").arg(disk.index))
        .integer(QStringLiteral("Index"), disk.index)
        .text(QStringLiteral("InterfaceType"), interfaceType(disk))
        .text(QStringLiteral("PNPDeviceID"), pnpId(disk))
        .text(QStringLiteral("Status"), QStringLiteral("OK"))
        .integer(QStringLiteral("ConfigManagerErrorCode"), 0)
        .boolean(QStringLiteral("ConfigManagerUserConfig"), false)
        .boolean(QStringLiteral("MediaLoaded"), sectors512 > 0)
        .set(QStringLiteral("Capabilities"), Value::array(removable ? QStringList{QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("7")}
                                                                    : QStringList{QStringLiteral("3"), QStringLiteral("4")}))
        .text(QStringLiteral("MediaType"), removable ? QStringLiteral("Removable Media")
                                           : onUsb(disk) ? QStringLiteral("External hard disk media")
                                                         : QStringLiteral("Fixed hard disk media"))
        .integer(QStringLiteral("BytesPerSector"), bytesPerSector);

    if (sectors512 > 0 && bytesPerSector > 0) {
        const qint64 bytes = sectors512 * 512;
        const qint64 sectors = bytes / bytesPerSector;
        // Windows reports a made-up CHS geometry; its size is the true one here.
        const qint64 cylinders = sectors / (SectorsPerTrack * TracksPerCylinder);
        bag.unsignedInteger(QStringLiteral("Size"), quint64(bytes))
            .unsignedInteger(QStringLiteral("TotalSectors"), quint64(sectors))
            .unsignedInteger(QStringLiteral("TotalCylinders"), quint64(cylinders))
            .unsignedInteger(QStringLiteral("TotalTracks"), quint64(cylinders * TracksPerCylinder))
            .integer(QStringLiteral("TotalHeads"), TracksPerCylinder)
            .integer(QStringLiteral("TracksPerCylinder"), TracksPerCylinder)
            .integer(QStringLiteral("SectorsPerTrack"), SectorsPerTrack);
    }

    qint64 partitions = 0;
    for (const QString &entry : root.list(disk.block.path()))
        if (root.exists(disk.block.path() + QLatin1Char('/') + entry + QStringLiteral("/partition")))
            ++partitions;
    bag.integer(QStringLiteral("Partitions"), partitions);

    // Serial numbers: sysfs has them for NVMe and some SCSI disks; udev's
    // database has the ATA serial that only root could read from the disk.
    std::optional<QString> serial = identity.trimmed(QStringLiteral("serial"));
    const QString devnum = disk.block.trimmed(QStringLiteral("dev")).value_or(QString());
    const QHash<QString, QString> udev = udevProperties(root, QStringLiteral("b") + devnum);
    if (!serial && !udev.value(QStringLiteral("ID_SERIAL_SHORT")).isEmpty())
        serial = udev.value(QStringLiteral("ID_SERIAL_SHORT"));
    bag.text(QStringLiteral("SerialNumber"), serial);
    std::optional<QString> firmware = identity.trimmed(QStringLiteral("firmware_rev"));
    if (!firmware)
        firmware = identity.trimmed(QStringLiteral("rev"));
    if (!firmware && !udev.value(QStringLiteral("ID_REVISION")).isEmpty())
        firmware = udev.value(QStringLiteral("ID_REVISION"));
    bag.text(QStringLiteral("FirmwareRevision"), firmware);

    // SCSI address host:channel:target:lun.
    const QStringList address = device.name().split(QLatin1Char(':'));
    if (address.size() == 4 && device.subsystem() == QLatin1String("scsi")) {
        bag.integer(QStringLiteral("SCSIPort"), address[0].toLongLong())
            .integer(QStringLiteral("SCSIBus"), address[1].toLongLong())
            .integer(QStringLiteral("SCSITargetId"), address[2].toLongLong())
            .integer(QStringLiteral("SCSILogicalUnit"), address[3].toLongLong());
    }
    return bag.take();
}

std::vector<Instance> diskDrives(const MachineRoot &root)
{
    std::vector<Instance> instances;
    for (const Disk &disk : disks(root))
        instances.emplace_back(Value::text(model(disk)), [disk] { return diskProperties(disk); });
    return instances;
}

} // namespace

void registerDiskDrive(ClassTable &table)
{
    table.provide(ClassName, diskDrives);
}

} // namespace inventory::linuxsource
