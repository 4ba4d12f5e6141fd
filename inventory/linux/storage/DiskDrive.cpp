// Win32_DiskDrive: whole disks from sys/block (SATA, SAS, NVMe, USB, virtual
// and memory cards); partitions, optical drives, floppies and kernel-made
// devices (loop, ram, zram, device-mapper, md) are not disk drives.
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/reading/IdDatabase.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/reading/PropertyBag.h"
#include "inventory/linux/storage/StorageDevice.h"
#include "inventory/linux/reading/SysfsDevice.h"

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
    // eMMC boot and replay-protected areas are parts of one card, not disks.
    static const QRegularExpression mmcArea(QStringLiteral("^mmcblk[0-9]+(boot[0-9]+|rpmb)$"));
    return !mmcArea.match(name).hasMatch();
}

struct Disk
{
    QString name;      // sda, nvme0n1
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
        // Devices the kernel makes up live under sys/devices/virtual; the
        // paths of a multipath NVMe disk are hidden behind its head.
        if (block.path().startsWith(QLatin1String("sys/devices/virtual/"))
            || block.integerAttribute(QStringLiteral("hidden")) == 1)
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

StorageIdentity identity(const Disk &disk, const QHash<QString, QString> &udev)
{
    const SysfsDevice device = identityDevice(disk);
    StorageIdentity id = storageIdentity(device, udev);
    if (isNvme(disk)) {
        id.vendor = QStringLiteral("NVMe");
        id.revision = device.trimmed(QStringLiteral("firmware_rev")).value_or(id.revision);
    }
    if (id.model.isEmpty())
        id.model = device.trimmed(QStringLiteral("name")).value_or(QString()); // memory cards
    return id;
}

// The controller's name where the disk itself names nothing (an NVMe drive
// in a captured tree without its model).
std::optional<QString> controllerName(const Disk &disk)
{
    const SysfsDevice pci = deviceOf(disk).ancestorOnBus(QStringLiteral("pci"));
    const auto vendor = pci.hexAttribute(QStringLiteral("vendor"));
    const auto device = pci.hexAttribute(QStringLiteral("device"));
    if (!vendor || !device)
        return std::nullopt;
    return IdDatabase::instance().pciDevice(quint16(*vendor), quint16(*device));
}

QString model(const Disk &disk, const StorageIdentity &id)
{
    const QString name = isNvme(disk) ? id.model : storageDisplayName(id);
    if (!name.isEmpty())
        return name;
    if (disk.name.startsWith(QLatin1String("vd")))
        return QStringLiteral("VirtIO Block Device");
    if (disk.name.startsWith(QLatin1String("xvd")))
        return QStringLiteral("Xen Virtual Block Device");
    if (isNvme(disk))
        if (const std::optional<QString> controller = controllerName(disk))
            return *controller;
    return QStringLiteral("Disk drive ") + disk.name;
}

QString interfaceType(const Disk &disk)
{
    const SysfsDevice device = deviceOf(disk);
    if (isUsbStorage(device))
        return QStringLiteral("USB");
    if (disk.block.path().contains(QLatin1String("/fw")) || disk.block.path().contains(QLatin1String("firewire")))
        return QStringLiteral("1394");
    if (isAtaStorage(device))
        return QStringLiteral("IDE");
    return QStringLiteral("SCSI");
}

qint64 partitionCount(const Disk &disk)
{
    const MachineRoot &root = disk.block.root();
    qint64 partitions = 0;
    for (const QString &entry : root.list(disk.block.path())) {
        // "partition" came with kernel 2.6.36; "start" is older.
        const QString dir = disk.block.path() + QLatin1Char('/') + entry;
        if (root.exists(dir + QStringLiteral("/partition")) || root.exists(dir + QStringLiteral("/start")))
            ++partitions;
    }
    return partitions;
}

// The MBR disk signature, which udev records as the partition table's id;
// GPT disks have none, as on Windows.
std::optional<qint64> mbrSignature(const QHash<QString, QString> &udev)
{
    if (udev.value(QStringLiteral("ID_PART_TABLE_TYPE")) != QLatin1String("dos"))
        return std::nullopt;
    bool ok = false;
    const quint32 signature = udev.value(QStringLiteral("ID_PART_TABLE_UUID")).toUInt(&ok, 16);
    return ok ? std::optional<qint64>(signature) : std::nullopt;
}

Properties diskProperties(const Disk &disk)
{
    const MachineRoot &root = disk.block.root();
    const SysfsDevice device = deviceOf(disk);
    const SysfsDevice identitySource = identityDevice(disk);
    const QHash<QString, QString> udev = blockUdevProperties(disk.block);
    const StorageIdentity id = identity(disk, udev);
    const QString caption = model(disk, id);
    const qint64 sectors512 = disk.block.integerAttribute(QStringLiteral("size")).value_or(0);
    const qint64 bytesPerSector = root.readInteger(disk.block.path() + QStringLiteral("/queue/logical_block_size"))
                                      .value_or(512);
    const bool removable = disk.block.integerAttribute(QStringLiteral("removable")) == 1;
    QStringList capabilities{QStringLiteral("3"), QStringLiteral("4")};
    QStringList capabilityTexts{QStringLiteral("Random Access"), QStringLiteral("Supports Writing")};
    if (removable) {
        capabilities << QStringLiteral("7");
        capabilityTexts << QStringLiteral("Supports Removable Media");
    }

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
        .text(QStringLiteral("PNPDeviceID"), storagePnpDeviceId(device, QStringLiteral("DISK"), id, disk.name))
        .text(QStringLiteral("Status"), QStringLiteral("OK"))
        .integer(QStringLiteral("ConfigManagerErrorCode"), 0)
        .boolean(QStringLiteral("ConfigManagerUserConfig"), false)
        .boolean(QStringLiteral("MediaLoaded"), sectors512 > 0)
        .set(QStringLiteral("Capabilities"), Value::array(capabilities))
        .set(QStringLiteral("CapabilityDescriptions"), Value::array(capabilityTexts))
        .text(QStringLiteral("MediaType"), removable ? QStringLiteral("Removable Media")
                                           : isUsbStorage(device) ? QStringLiteral("External hard disk media")
                                                                  : QStringLiteral("Fixed hard disk media"))
        .integer(QStringLiteral("BytesPerSector"), bytesPerSector)
        .integer(QStringLiteral("Partitions"), partitionCount(disk))
        .integer(QStringLiteral("Signature"), mbrSignature(udev));

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

    // Serial numbers: sysfs has them for NVMe and some SCSI disks; udev's
    // database has the ATA serial that only root could read from the disk.
    std::optional<QString> serial = identitySource.trimmed(QStringLiteral("serial"));
    if (!serial && !udev.value(QStringLiteral("ID_SERIAL_SHORT")).isEmpty())
        serial = udev.value(QStringLiteral("ID_SERIAL_SHORT"));
    bag.text(QStringLiteral("SerialNumber"), serial)
        .text(QStringLiteral("FirmwareRevision"), id.revision);
    addScsiAddress(bag, device);
    return bag.take();
}

std::vector<Instance> diskDrives(const MachineRoot &root)
{
    std::vector<Instance> instances;
    for (const Disk &disk : disks(root)) {
        const QString caption = model(disk, identity(disk, blockUdevProperties(disk.block)));
        instances.emplace_back(Value::text(caption), [disk] { return diskProperties(disk); });
    }
    return instances;
}

} // namespace

void registerDiskDrive(ClassTable &table)
{
    table.provide(ClassName, diskDrives);
}

} // namespace inventory::linuxsource
