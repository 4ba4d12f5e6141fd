#include "inventory/linux/reading/SysfsDevice.h"

#include "inventory/linux/devices/PciDevices.h"
#include "inventory/linux/devices/UsbDevices.h"

#include <QRegularExpression>

namespace inventory::linuxsource {

SysfsDevice SysfsDevice::fromLink(const MachineRoot &root, const QString &link)
{
    const QString resolved = root.resolve(link);
    if (resolved.isEmpty())
        return {};
    return SysfsDevice(root, resolved);
}

std::optional<QString> SysfsDevice::attribute(const QString &name) const
{
    if (!isValid())
        return std::nullopt;
    return m_root.readText(m_path + QLatin1Char('/') + name);
}

std::optional<QString> SysfsDevice::trimmed(const QString &name) const
{
    std::optional<QString> value = attribute(name);
    if (!value)
        return std::nullopt;
    const QString t = value->trimmed();
    if (t.isEmpty())
        return std::nullopt;
    return t;
}

std::optional<quint64> SysfsDevice::hexAttribute(const QString &name) const
{
    if (!isValid())
        return std::nullopt;
    return m_root.readUnsigned(m_path + QLatin1Char('/') + name, 16);
}

std::optional<qint64> SysfsDevice::integerAttribute(const QString &name) const
{
    if (!isValid())
        return std::nullopt;
    return m_root.readInteger(m_path + QLatin1Char('/') + name);
}

QString SysfsDevice::subsystem() const
{
    if (!isValid())
        return {};
    const QString linked = m_root.linkName(m_path + QStringLiteral("/subsystem"));
    if (!linked.isEmpty())
        return linked;
    // Captured trees often leave the links out; PCI and USB devices still
    // tell themselves apart by their names and ids.
    static const QRegularExpression pciAddress(QStringLiteral("^[0-9a-f]{4,}:[0-9a-f]{2}:[0-9a-f]{2}\\.[0-7]$"));
    const QString own = name();
    if (pciAddress.match(own).hasMatch() && m_root.exists(m_path + QStringLiteral("/vendor")))
        return QStringLiteral("pci");
    if (m_root.exists(m_path + QStringLiteral("/idVendor")) || m_root.exists(m_path + QStringLiteral("/bInterfaceNumber")))
        return QStringLiteral("usb");
    return {};
}

QString SysfsDevice::driver() const
{
    return isValid() ? m_root.linkName(m_path + QStringLiteral("/driver")) : QString();
}

QHash<QString, QString> SysfsDevice::uevent() const
{
    QHash<QString, QString> values;
    if (!isValid())
        return values;
    const std::optional<QStringList> lines = m_root.readLines(m_path + QStringLiteral("/uevent"));
    if (!lines)
        return values;
    for (const QString &line : *lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0)
            values.insert(line.left(eq), line.mid(eq + 1));
    }
    return values;
}

SysfsDevice SysfsDevice::parent() const
{
    const qsizetype slash = m_path.lastIndexOf(QLatin1Char('/'));
    if (slash <= 0)
        return {};
    const QString up = m_path.left(slash);
    // Above sys/devices there are no devices any more.
    if (!up.startsWith(QLatin1String("sys/devices/")))
        return {};
    return SysfsDevice(m_root, up);
}

SysfsDevice SysfsDevice::ancestorOnBus(const QString &subsystem) const
{
    for (SysfsDevice d = *this; d.isValid(); d = d.parent()) {
        if (d.subsystem() == subsystem)
            return d;
    }
    return {};
}

QString pciPnpDeviceId(const SysfsDevice &pci)
{
    return pciDeviceId(readPciFunction(pci));
}

QString usbPnpDeviceId(const SysfsDevice &usb)
{
    return usbDeviceId(readUsbNode(usb));
}

QString pnpDeviceIdOf(const SysfsDevice &device)
{
    for (SysfsDevice d = device; d.isValid(); d = d.parent()) {
        const QString bus = d.subsystem();
        if (bus == QLatin1String("usb"))
            return usbPnpDeviceId(d);
        if (bus == QLatin1String("pci"))
            return pciPnpDeviceId(d);
    }
    return {};
}

} // namespace inventory::linuxsource
