#pragma once

#include <QHash>
#include <QString>

#include <array>
#include <map>
#include <mutex>
#include <optional>

struct pci_access;
struct udev;
struct udev_hwdb;

namespace inventory::linuxsource {

// The system's hardware ID databases, opened once per process on first use:
// PCI vendor and device names from pci.ids through libpci, the list and
// library lspci uses, so both name a device alike; everything else from
// udev's hwdb (built from usb.ids, the ACPI registry and friends). Where
// pci.ids cannot be read, hwdb's copy names PCI devices. When a database is
// missing, lookups answer nothing and callers fall back to ID texts.
// Answers are kept for the life of the process, as the databases are: a
// scan asks about the same ids many times, and a hwdb lookup, which matches
// the key against patterns, costs far more than reading the device's files.
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
    // "Human Interface Device" for class 03; interfaces share the device codes.
    std::optional<QString> usbClass(quint8 classCode) const;
    // The registered maker of an ACPI or PNP id ("INT" or "INTC" of "INTC1043").
    std::optional<QString> acpiVendor(const QString &id) const;

    IdDatabase(const IdDatabase &) = delete;
    IdDatabase &operator=(const IdDatabase &) = delete;
    ~IdDatabase();

private:
    IdDatabase();
    std::optional<QString> property(const QString &key, const char *name) const;
    // libpci's answer for a lookup, or nothing when pci.ids is not loaded.
    std::optional<QString> pciLookup(int flags, int a, int b = 0, int c = 0, int d = 0) const;

    // Guards the answers kept so far; libpci's own state has its lock.
    mutable std::mutex m_answersMutex;
    mutable QHash<std::pair<QString, QString>, std::optional<QString>> m_hwdbAnswers;
    mutable std::map<std::array<int, 5>, std::optional<QString>> m_pciAnswers;

    struct udev *m_udev = nullptr;
    struct udev_hwdb *m_hwdb = nullptr;
    struct pci_access *m_pci = nullptr;
};

} // namespace inventory::linuxsource
