#pragma once

#include "inventory/linux/reading/MachineRoot.h"

#include <QHash>
#include <QString>

#include <optional>

namespace inventory::linuxsource {

// One device directory in sysfs (below sys/devices), named relative to the
// root with its links resolved. Cheap to copy; reads on demand.
class SysfsDevice
{
public:
    SysfsDevice() = default;
    SysfsDevice(MachineRoot root, QString path) : m_root(std::move(root)), m_path(std::move(path)) {}
    // The device behind a link such as sys/class/net/eth0/device or sys/block/sda.
    static SysfsDevice fromLink(const MachineRoot &root, const QString &link);

    bool isValid() const { return !m_path.isEmpty(); }
    const QString &path() const { return m_path; }
    const MachineRoot &root() const { return m_root; }
    QString name() const { return m_path.section(QLatin1Char('/'), -1); }

    std::optional<QString> attribute(const QString &name) const;
    // An attribute as trimmed text, absent when empty.
    std::optional<QString> trimmed(const QString &name) const;
    std::optional<quint64> hexAttribute(const QString &name) const;
    std::optional<qint64> integerAttribute(const QString &name) const;

    QString subsystem() const;
    QString driver() const;
    // DEVTYPE, MODALIAS, DRIVER... from the uevent file.
    QHash<QString, QString> uevent() const;
    SysfsDevice parent() const;
    // The nearest device, this one included, on the given bus ("pci", "usb").
    SysfsDevice ancestorOnBus(const QString &subsystem) const;

private:
    MachineRoot m_root;
    QString m_path;
};

// Windows-style device instance ids, which admins know from Device Manager:
// PCI\VEN_8086&DEV_A2AF&SUBSYS_86941043&REV_00\0000:00:14.0 and
// USB\VID_046D&PID_C52B&MI_00\1-2:1.0 (the Linux address as the instance).
QString pciPnpDeviceId(const SysfsDevice &pci);
QString usbPnpDeviceId(const SysfsDevice &usb);
// The id of the PCI or USB device that carries this one (a network
// interface, a disk), empty when it sits on neither bus.
QString pnpDeviceIdOf(const SysfsDevice &device);

} // namespace inventory::linuxsource
