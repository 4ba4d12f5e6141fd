#pragma once

#include <QHash>
#include <QString>

#include <optional>

struct udev;
struct udev_hwdb;

namespace inventory::linuxsource {

// The system's hardware ID database (udev's hwdb, built from pci.ids,
// usb.ids and friends). Opened once per process, on first use; when it is
// missing every lookup answers nothing and callers fall back to ID texts.
class IdDatabase
{
public:
    static const IdDatabase &instance();

    // All properties hwdb has for a modalias-style key ("pci:v00008086d00001237*").
    QHash<QString, QString> lookup(const QString &key) const;

    std::optional<QString> pciVendor(quint16 vendor) const;
    std::optional<QString> pciDevice(quint16 vendor, quint16 device) const;
    // The subsystem's own model name where the database has one.
    std::optional<QString> pciSubsystem(quint16 vendor, quint16 device, quint16 subVendor, quint16 subDevice) const;
    // "Mass storage controller" / "SATA controller" for class code 0x0106xx.
    std::optional<QString> pciClass(quint8 baseClass) const;
    std::optional<QString> pciSubclass(quint8 baseClass, quint8 subClass) const;
    std::optional<QString> usbVendor(quint16 vendor) const;
    std::optional<QString> usbProduct(quint16 vendor, quint16 product) const;
    // The maker behind a three-letter PNP id ("DEL"), as monitors name theirs.
    std::optional<QString> pnpVendor(const QString &id) const;

    IdDatabase(const IdDatabase &) = delete;
    IdDatabase &operator=(const IdDatabase &) = delete;
    ~IdDatabase();

private:
    IdDatabase();
    std::optional<QString> property(const QString &key, const char *name) const;

    struct udev *m_udev = nullptr;
    struct udev_hwdb *m_hwdb = nullptr;
};

} // namespace inventory::linuxsource
