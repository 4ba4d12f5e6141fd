// Win32_FloppyDrive: drives of the floppy controller (sys/block/fd*). USB
// floppy drives are SCSI disks to the kernel and show as disk drives.
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/reading/PropertyBag.h"
#include "inventory/linux/reading/SysfsDevice.h"

#include <QRegularExpression>

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_FloppyDrive");

struct Floppy
{
    QString name; // fd0
    SysfsDevice block;
};

QString caption(const Floppy &floppy)
{
    return QStringLiteral("Floppy disk drive ") + floppy.name;
}

Properties floppyProperties(const Floppy &floppy)
{
    const MachineRoot &root = floppy.block.root();
    PropertyBag bag;
    bag.logicalDevice(ClassName, systemName(root))
        .text(QStringLiteral("Caption"), caption(floppy))
        .text(QStringLiteral("Name"), caption(floppy))
        .text(QStringLiteral("Description"), QStringLiteral("Floppy disk drive"))
        .text(QStringLiteral("Manufacturer"), QStringLiteral("(Standard floppy disk drives)"))
        .text(QStringLiteral("DeviceID"), QStringLiteral("FDC\\GENERIC_FLOPPY_DRIVE\\") + floppy.name)
        .text(QStringLiteral("PNPDeviceID"), QStringLiteral("FDC\\GENERIC_FLOPPY_DRIVE\\") + floppy.name)
        .set(QStringLiteral("Capabilities"), Value::array({QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("7")}))
        .set(QStringLiteral("CapabilityDescriptions"),
             Value::array({QStringLiteral("Random Access"), QStringLiteral("Supports Writing"),
                           QStringLiteral("Supports Removable Media")}))
        .integer(QStringLiteral("DefaultBlockSize"), 512)
        .text(QStringLiteral("Status"), QStringLiteral("OK"))
        .integer(QStringLiteral("ConfigManagerErrorCode"), 0)
        .boolean(QStringLiteral("ConfigManagerUserConfig"), false);
    // The size of the format the drive is set to (1440 KB for a 3.5" HD drive), in KB.
    if (const std::optional<qint64> sectors = floppy.block.integerAttribute(QStringLiteral("size")); sectors && *sectors > 0)
        bag.integer(QStringLiteral("MaxMediaSize"), *sectors / 2);
    return bag.take();
}

std::vector<Instance> floppyDrives(const MachineRoot &root)
{
    static const QRegularExpression floppyName(QStringLiteral("^fd[0-9]+$"));
    std::vector<Instance> instances;
    for (const QString &name : root.list(QStringLiteral("sys/block"))) {
        if (!floppyName.match(name).hasMatch())
            continue;
        const Floppy floppy{name, SysfsDevice::fromLink(root, QStringLiteral("sys/block/") + name)};
        if (!floppy.block.isValid())
            continue;
        instances.emplace_back(Value::text(caption(floppy)), [floppy] { return floppyProperties(floppy); });
    }
    return instances;
}

} // namespace

void registerFloppyDrives(ClassTable &table)
{
    table.provide(ClassName, floppyDrives);
}

} // namespace inventory::linuxsource
