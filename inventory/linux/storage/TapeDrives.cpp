// Win32_TapeDrive: SCSI tape drives (sys/class/scsi_tape/st<N>; the nst and
// mode-suffixed nodes are other doors to the same drive).
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/reading/PropertyBag.h"
#include "inventory/linux/storage/StorageDevice.h"
#include "inventory/linux/reading/SysfsDevice.h"

#include <QRegularExpression>

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_TapeDrive");

struct Tape
{
    QString name;       // st0
    int number = 0;     // 0
    SysfsDevice node;   // .../0:0:0:0/scsi_tape/st0
    SysfsDevice device; // .../0:0:0:0
};

QString caption(const Tape &tape, const StorageIdentity &id)
{
    const QString name = storageDisplayName(id);
    return name.isEmpty() ? QStringLiteral("Tape drive ") + tape.name : name;
}

Properties tapeProperties(const Tape &tape)
{
    const StorageIdentity id = storageIdentity(tape.device);
    PropertyBag bag;
    bag.logicalDevice(ClassName, systemName(tape.node.root()))
        .text(QStringLiteral("Caption"), caption(tape, id))
        .text(QStringLiteral("Name"), caption(tape, id))
        .text(QStringLiteral("Description"), QStringLiteral("Tape drive"))
        .text(QStringLiteral("Manufacturer"), id.vendor)
        .text(QStringLiteral("DeviceID"), QStringLiteral("\\\\.\\TAPE%1").arg(tape.number))
        .text(QStringLiteral("Id"), QStringLiteral("/dev/") + tape.name)
        .text(QStringLiteral("PNPDeviceID"), storagePnpDeviceId(tape.device, QStringLiteral("SEQUENTIAL"), id, tape.name))
        .text(QStringLiteral("MediaType"), QStringLiteral("Tape Drive"))
        .set(QStringLiteral("Capabilities"), Value::array({QStringLiteral("2"), QStringLiteral("7")}))
        .set(QStringLiteral("CapabilityDescriptions"),
             Value::array({QStringLiteral("Sequential Access"), QStringLiteral("Supports Removable Media")}))
        .text(QStringLiteral("Status"), QStringLiteral("OK"))
        // The st driver made the node, so the drive has its driver.
        .integer(QStringLiteral("ConfigManagerErrorCode"), 0)
        .boolean(QStringLiteral("ConfigManagerUserConfig"), false);
    // The driver's defaults; -1 means "not set" (the drive decides).
    if (const auto blockSize = tape.node.integerAttribute(QStringLiteral("default_blksize")); blockSize && *blockSize > 0)
        bag.integer(QStringLiteral("DefaultBlockSize"), *blockSize);
    if (const auto compression = tape.node.integerAttribute(QStringLiteral("default_compression"));
        compression && (*compression == 0 || *compression == 1))
        bag.integer(QStringLiteral("Compression"), *compression);
    return bag.take();
}

std::vector<Instance> tapeDrives(const MachineRoot &root)
{
    static const QRegularExpression tapeName(QStringLiteral("^st([0-9]+)$"));
    std::vector<Instance> instances;
    for (const QString &name : root.list(QStringLiteral("sys/class/scsi_tape"))) {
        const QRegularExpressionMatch match = tapeName.match(name);
        if (!match.hasMatch())
            continue;
        const SysfsDevice node = SysfsDevice::fromLink(root, QStringLiteral("sys/class/scsi_tape/") + name);
        if (!node.isValid())
            continue;
        SysfsDevice device = SysfsDevice::fromLink(root, node.path() + QStringLiteral("/device"));
        if (!device.isValid())
            device = node.parent().parent(); // .../0:0:0:0/scsi_tape/st0
        const Tape tape{name, match.captured(1).toInt(), node, device};
        instances.emplace_back(Value::text(caption(tape, storageIdentity(device))),
                               [tape] { return tapeProperties(tape); });
    }
    return instances;
}

} // namespace

void registerTapeDrives(ClassTable &table)
{
    table.provide(ClassName, tapeDrives);
}

} // namespace inventory::linuxsource
