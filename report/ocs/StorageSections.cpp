// STORAGES and DRIVES: disks and optical drives as WMI names them, and the
// mounted file systems with their sizes.
#include "report/ocs/Sections.h"

namespace report::ocs {

namespace {

// WMI's stand-ins for an unknown maker say nothing to an admin.
QString realMaker(const QString &maker)
{
    return maker.startsWith(QLatin1Char('(')) ? QString() : maker;
}

void addDisks(AgentDocument &document, const SectionInput &input)
{
    for (const ClassRow &disk : input.rows("Win32_DiskDrive"))
        document.add(QStringLiteral("STORAGES"))
            .text(QStringLiteral("NAME"), disk.text(QStringLiteral("Name")))
            .text(QStringLiteral("MODEL"), disk.text(QStringLiteral("Model")))
            .text(QStringLiteral("MANUFACTURER"), realMaker(disk.text(QStringLiteral("Manufacturer"))))
            .text(QStringLiteral("DESCRIPTION"), disk.text(QStringLiteral("InterfaceType")))
            .text(QStringLiteral("TYPE"), disk.text(QStringLiteral("MediaType")))
            .number(QStringLiteral("DISKSIZE"), mebibytes(disk.number(QStringLiteral("Size"))))
            .text(QStringLiteral("SERIALNUMBER"), disk.text(QStringLiteral("SerialNumber")))
            .text(QStringLiteral("FIRMWARE"), disk.text(QStringLiteral("FirmwareRevision")));
    for (const ClassRow &drive : input.rows("Win32_CDROMDrive"))
        document.add(QStringLiteral("STORAGES"))
            .text(QStringLiteral("NAME"), drive.text(QStringLiteral("Name")))
            .text(QStringLiteral("MODEL"), drive.text(QStringLiteral("Caption")))
            .text(QStringLiteral("MANUFACTURER"), realMaker(drive.text(QStringLiteral("Manufacturer"))))
            .text(QStringLiteral("DESCRIPTION"), drive.text(QStringLiteral("Description")))
            .text(QStringLiteral("TYPE"), drive.text(QStringLiteral("MediaType")))
            .text(QStringLiteral("SERIALNUMBER"), drive.text(QStringLiteral("SerialNumber")))
            .text(QStringLiteral("FIRMWARE"), drive.text(QStringLiteral("MfrAssignedRevisionLevel")));
}

void addFileSystems(AgentDocument &document, const SectionInput &input)
{
    if (!input.host)
        return;
    for (const inventory::linuxsource::MountedFileSystem &mount : input.host->fileSystems) {
        const auto toMb = [](std::optional<quint64> bytes) {
            return bytes ? mebibytes(qint64(std::min<quint64>(*bytes, quint64(std::numeric_limits<qint64>::max())))) : std::nullopt;
        };
        // The stock agents name the mount point TYPE and the device VOLUMN.
        document.add(QStringLiteral("DRIVES"))
            .text(QStringLiteral("TYPE"), mount.mountPoint)
            .text(QStringLiteral("VOLUMN"), mount.device)
            .text(QStringLiteral("FILESYSTEM"), mount.type)
            .number(QStringLiteral("TOTAL"), toMb(mount.totalBytes))
            .number(QStringLiteral("FREE"), toMb(mount.freeBytes));
    }
}

} // namespace

void addStorageSections(AgentDocument &document, const SectionInput &input)
{
    addDisks(document, input);
    addFileSystems(document, input);
}

} // namespace report::ocs
