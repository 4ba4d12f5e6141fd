#include "inventory/linux/devices/PnpDevice.h"

#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/reading/PropertyBag.h"
#include "inventory/linux/reading/SysfsDevice.h"

#include <QDir>
#include <QHash>

namespace inventory::linuxsource {

namespace {
constexpr qint64 ProblemNoDriver = 28;
constexpr qint64 ProblemDisabled = 22;
constexpr qint64 AvailabilityRunning = 3;
constexpr qint64 AvailabilityStandby = 15;
} // namespace

DriverState driverState(bool needsDriver, const QString &driver, bool disabled)
{
    if (disabled)
        return DriverState::Disabled;
    if (needsDriver && driver.isEmpty())
        return DriverState::NoDriver;
    return DriverState::Working;
}

void addDriverStatus(PropertyBag &bag, DriverState state)
{
    qint64 problem = 0;
    if (state == DriverState::NoDriver)
        problem = ProblemNoDriver;
    else if (state == DriverState::Disabled)
        problem = ProblemDisabled;
    bag.text(QStringLiteral("Status"), problem ? QStringLiteral("Error") : QStringLiteral("OK"))
        .integer(QStringLiteral("ConfigManagerErrorCode"), problem)
        .boolean(QStringLiteral("ConfigManagerUserConfig"), false);
}

std::optional<qint64> availability(const SysfsDevice &device, DriverState state)
{
    if (state != DriverState::Working)
        return std::nullopt;
    const std::optional<QString> runtime = device.trimmed(QStringLiteral("power/runtime_status"));
    if (runtime == QLatin1String("suspended"))
        return AvailabilityStandby;
    return AvailabilityRunning;
}

PnpDetails drivenDeviceDetails(const SysfsDevice &device, const QString &hardwareId, const QString &pnpClass)
{
    PnpDetails details;
    details.deviceId = hardwareId + QLatin1Char('\\') + device.name();
    details.service = device.driver();
    details.state = driverState(true, details.service);
    details.pnpClass = pnpClass;
    details.hardwareIds = {hardwareId};
    return details;
}

void addDeviceNames(PropertyBag &bag, const QString &caption, const QString &deviceId, bool plugAndPlay)
{
    bag.text(QStringLiteral("Caption"), caption)
        .text(QStringLiteral("Description"), caption)
        .text(QStringLiteral("Name"), caption)
        .text(QStringLiteral("DeviceID"), deviceId);
    if (plugAndPlay)
        bag.text(QStringLiteral("PNPDeviceID"), deviceId);
}

std::optional<QString> classGuid(const QString &pnpClass)
{
    // Windows' own setup classes; the names are the PNPClass texts.
    static const QHash<QString, QString> guids = {
        {QStringLiteral("System"), QStringLiteral("{4d36e97d-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("Net"), QStringLiteral("{4d36e972-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("MEDIA"), QStringLiteral("{4d36e96c-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("DiskDrive"), QStringLiteral("{4d36e967-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("CDROM"), QStringLiteral("{4d36e965-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("Display"), QStringLiteral("{4d36e968-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("Monitor"), QStringLiteral("{4d36e96e-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("Mouse"), QStringLiteral("{4d36e96f-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("Keyboard"), QStringLiteral("{4d36e96b-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("Ports"), QStringLiteral("{4d36e978-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("Computer"), QStringLiteral("{4d36e966-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("HDC"), QStringLiteral("{4d36e96a-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("SCSIAdapter"), QStringLiteral("{4d36e97b-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("Printer"), QStringLiteral("{4d36e979-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("Modem"), QStringLiteral("{4d36e96d-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("PCMCIA"), QStringLiteral("{4d36e977-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("FDC"), QStringLiteral("{4d36e969-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("FloppyDisk"), QStringLiteral("{4d36e980-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("USB"), QStringLiteral("{36fc9e60-c465-11cf-8056-444553540000}")},
        {QStringLiteral("HIDClass"), QStringLiteral("{745a17a0-74d3-11d0-b6fe-00a0c90f57da}")},
        {QStringLiteral("Processor"), QStringLiteral("{50127dc3-0f36-415e-a6cc-4cb3be910b65}")},
        {QStringLiteral("Bluetooth"), QStringLiteral("{e0cbf06c-cd8b-4647-bb8a-263b43f0f974}")},
        {QStringLiteral("1394"), QStringLiteral("{6bdd1fc1-810f-11d0-bec7-08002be10318}")},
        {QStringLiteral("Image"), QStringLiteral("{6bdd1fc6-810f-11d0-bec7-08002be10318}")},
        {QStringLiteral("Battery"), QStringLiteral("{72631e54-78a4-11d0-bcf7-00aa00b7b32a}")},
        {QStringLiteral("Camera"), QStringLiteral("{ca3e7ab9-b4c3-4ae6-8251-579ef933890f}")},
        {QStringLiteral("TapeDrive"), QStringLiteral("{6d807884-7d21-11cf-801c-08002be10318}")},
        {QStringLiteral("MediumChanger"), QStringLiteral("{ce5939ae-ebde-11d0-b181-0000f8753ec4}")},
        {QStringLiteral("SecurityDevices"), QStringLiteral("{d94ee5d8-d189-4994-83d2-f68d7d41b0e6}")},
        {QStringLiteral("SmartCardReader"), QStringLiteral("{50dd5230-ba8a-11d1-bf5d-0000f805f530}")},
    };
    const auto found = guids.constFind(pnpClass);
    if (found == guids.constEnd())
        return std::nullopt;
    return *found;
}

SysfsDevice linkedDevice(const MachineRoot &root, const QString &link)
{
    QString target = link;
    if (const std::optional<QString> written = root.linkTarget(link)) {
        const QString &raw = *written;
        if (raw.startsWith(QLatin1Char('/'))) {
            // Only the live system's own absolute links stay inside the root.
            if (!root.isLiveSystem())
                return {};
            target = QDir::cleanPath(raw).mid(1);
        } else {
            target = QDir::cleanPath(link.section(QLatin1Char('/'), 0, -2) + QLatin1Char('/') + raw);
        }
        if (target.isEmpty() || target == QLatin1String("..") || target.startsWith(QLatin1String("../")))
            return {};
    }
    // A loop or a missing target is no directory.
    if (!root.isDirectory(target))
        return {};
    return SysfsDevice(root, target);
}

std::vector<SysfsDevice> busDevices(const MachineRoot &root, const QString &bus,
                                    const std::function<bool(const QString &)> &wanted)
{
    std::vector<SysfsDevice> devices;
    const QString dir = QStringLiteral("sys/bus/") + bus + QStringLiteral("/devices");
    for (const QString &name : root.list(dir)) {
        if (wanted && !wanted(name))
            continue;
        SysfsDevice device = linkedDevice(root, dir + QLatin1Char('/') + name);
        if (device.isValid())
            devices.push_back(std::move(device));
    }
    return devices;
}

QString hex4(quint64 value)
{
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0'));
}

QString upperHex(quint64 value, int width)
{
    return QStringLiteral("%1").arg(value, width, 16, QLatin1Char('0')).toUpper();
}

} // namespace inventory::linuxsource
