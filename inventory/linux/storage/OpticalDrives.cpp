// Win32_CDROMDrive: optical drives (sys/block/sr*), named by their inquiry
// strings, with what they can read and write from the cdrom driver's table
// and the disc state from udev's database; the drive itself is never opened.
#include "inventory/linux/storage/OpticalDrives.h"

#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/reading/PropertyBag.h"
#include "inventory/linux/storage/StorageDevice.h"
#include "inventory/linux/reading/SysfsDevice.h"

#include <QRegularExpression>

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_CDROMDrive");
constexpr qint64 SectorBytes = 512;
// sr reports this size (in 512-byte sectors) when it could not read a
// capacity, and QEMU's empty drive one 2048-byte block: neither is a disc.
constexpr qint64 UnknownCapacity = 0x1fffff;
constexpr qint64 SingleBlock = 4;

struct Drive
{
    QString name;      // sr0
    SysfsDevice block; // sys/devices/.../block/sr0
    SysfsDevice device; // the SCSI device: 1:0:0:0
};

std::vector<Drive> drives(const MachineRoot &root)
{
    static const QRegularExpression opticalName(QStringLiteral("^sr[0-9]+$"));
    std::vector<Drive> found;
    for (const QString &name : root.list(QStringLiteral("sys/block"))) {
        if (!opticalName.match(name).hasMatch())
            continue;
        const SysfsDevice block = SysfsDevice::fromLink(root, QStringLiteral("sys/block/") + name);
        if (!block.isValid())
            continue;
        SysfsDevice device = SysfsDevice::fromLink(root, block.path() + QStringLiteral("/device"));
        if (!device.isValid())
            device = block.parent().parent(); // .../1:0:0:0/block/sr0
        found.push_back({name, block, device});
    }
    return found;
}

QString caption(const Drive &drive, const StorageIdentity &id)
{
    const QString name = storageDisplayName(id);
    return name.isEmpty() ? QStringLiteral("CD-ROM drive ") + drive.name : name;
}

bool capable(const QHash<QString, QString> &info, const char *row)
{
    return info.value(QLatin1String(row)) == QLatin1String("1");
}

// What Windows calls the drive, from the best thing it can do.
std::optional<QString> mediaType(const QHash<QString, QString> &info)
{
    if (info.isEmpty())
        return std::nullopt;
    if (capable(info, "Can write DVD-R") || capable(info, "Can write DVD-RAM"))
        return QStringLiteral("DVD Writer");
    if (capable(info, "Can read DVD"))
        return QStringLiteral("DVD-ROM");
    if (capable(info, "Can write CD-R") || capable(info, "Can write CD-RW"))
        return QStringLiteral("CD Writer");
    return QStringLiteral("CD-ROM");
}

bool canWrite(const QHash<QString, QString> &info)
{
    return capable(info, "Can write CD-R") || capable(info, "Can write CD-RW") || capable(info, "Can write DVD-R")
        || capable(info, "Can write DVD-RAM") || capable(info, "Can write RAM");
}

// Whether a disc is in: udev's cdrom_id asked the drive (with root's
// rights); without its record the size tells, where it can.
std::optional<bool> mediaLoaded(const Drive &drive, const QHash<QString, QString> &udev)
{
    if (udev.contains(QStringLiteral("ID_CDROM")))
        return udev.value(QStringLiteral("ID_CDROM_MEDIA")) == QLatin1String("1");
    const std::optional<qint64> size = drive.block.integerAttribute(QStringLiteral("size"));
    if (!size)
        return std::nullopt;
    return *size > SingleBlock && *size != UnknownCapacity;
}

Properties driveProperties(const Drive &drive)
{
    const MachineRoot &root = drive.block.root();
    const QHash<QString, QString> udev = blockUdevProperties(drive.block);
    const StorageIdentity id = storageIdentity(drive.device, udev);
    const QHash<QString, QString> info = parseCdromInfo(root.readBytes(QStringLiteral("proc/sys/dev/cdrom/info"))
                                                            .value_or(QByteArray()))
                                             .value(drive.name);
    const std::optional<bool> loaded = mediaLoaded(drive, udev);
    const QString devicePath = QStringLiteral("/dev/") + drive.name;

    QStringList capabilities{QStringLiteral("3")};
    QStringList capabilityTexts{QStringLiteral("Random Access")};
    if (canWrite(info)) {
        capabilities << QStringLiteral("4");
        capabilityTexts << QStringLiteral("Supports Writing");
    }
    capabilities << QStringLiteral("7");
    capabilityTexts << QStringLiteral("Supports Removable Media");

    PropertyBag bag;
    bag.logicalDevice(ClassName, systemName(root))
        .text(QStringLiteral("Caption"), caption(drive, id))
        .text(QStringLiteral("Name"), caption(drive, id))
        .text(QStringLiteral("Description"), QStringLiteral("CD-ROM Drive"))
        .text(QStringLiteral("Manufacturer"), QStringLiteral("(Standard CD-ROM drives)"))
        .text(QStringLiteral("DeviceID"), storagePnpDeviceId(drive.device, QStringLiteral("CDROM"), id, drive.name))
        .text(QStringLiteral("PNPDeviceID"), storagePnpDeviceId(drive.device, QStringLiteral("CDROM"), id, drive.name))
        // Windows names the drive by its letter; here it is the device node.
        .text(QStringLiteral("Drive"), devicePath)
        .text(QStringLiteral("Id"), devicePath)
        .text(QStringLiteral("MfrAssignedRevisionLevel"), id.revision)
        .text(QStringLiteral("MediaType"), mediaType(info))
        .boolean(QStringLiteral("MediaLoaded"), loaded)
        .set(QStringLiteral("Capabilities"), Value::array(capabilities))
        .set(QStringLiteral("CapabilityDescriptions"), Value::array(capabilityTexts))
        .text(QStringLiteral("SerialNumber"), udev.value(QStringLiteral("ID_SERIAL_SHORT")))
        .text(QStringLiteral("Status"), QStringLiteral("OK"))
        .integer(QStringLiteral("Availability"), 3)
        .integer(QStringLiteral("ConfigManagerErrorCode"), 0)
        .boolean(QStringLiteral("ConfigManagerUserConfig"), false);
    addScsiAddress(bag, drive.device);
    if (loaded == true) {
        if (const std::optional<qint64> size = drive.block.integerAttribute(QStringLiteral("size")))
            bag.unsignedInteger(QStringLiteral("Size"), quint64(*size) * SectorBytes);
        bag.text(QStringLiteral("VolumeName"), udevDecoded(udev.value(QStringLiteral("ID_FS_LABEL_ENC"))));
    }
    return bag.take();
}

std::vector<Instance> opticalDrives(const MachineRoot &root)
{
    std::vector<Instance> instances;
    for (const Drive &drive : drives(root)) {
        const QString text = caption(drive, storageIdentity(drive.device));
        instances.emplace_back(Value::text(text), [drive] { return driveProperties(drive); });
    }
    return instances;
}

} // namespace

QHash<QString, QHash<QString, QString>> parseCdromInfo(const QByteArray &text)
{
    QHash<QString, QHash<QString, QString>> drives;
    QStringList names;
    for (const QByteArray &line : text.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QString key = cleanText(line.left(colon)).trimmed();
        const QStringList values = cleanText(line.mid(colon + 1)).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (key == QLatin1String("drive name")) {
            names = values;
            continue;
        }
        for (qsizetype i = 0; i < values.size() && i < names.size(); ++i)
            drives[names[i]].insert(key, values[i]);
    }
    return drives;
}

void registerOpticalDrives(ClassTable &table)
{
    table.provide(ClassName, opticalDrives);
}

} // namespace inventory::linuxsource
