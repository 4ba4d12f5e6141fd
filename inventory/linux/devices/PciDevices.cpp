// PCI functions: ids, names and the Windows-style identity Device Manager
// shows for them.
#include "inventory/linux/devices/PciDevices.h"

#include "inventory/linux/reading/IdDatabase.h"
#include "inventory/linux/reading/MachineRoot.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace inventory::linuxsource {

namespace {

constexpr quint8 BridgeClass = 0x06;
// The head of config space every user may read: ids, revision, header type
// and, for ordinary functions, the subsystem ids.
constexpr qsizetype ConfigHead = 64;
constexpr int RevisionOffset = 0x08;
constexpr int HeaderTypeOffset = 0x0e;
constexpr int SubsystemVendorOffset = 0x2c;
constexpr int SubsystemDeviceOffset = 0x2e;
// Bridges nest; real machines stay within a few levels.
constexpr int MaxBridgeDepth = 32;

quint16 littleEndian16(const QByteArray &bytes, int offset)
{
    return quint16(quint8(bytes[offset]) | (quint8(bytes[offset + 1]) << 8));
}

// Functions below a host bridge or bridge directory, depth first. Only
// bridges have functions below them; links are never followed, so a
// looping link cannot send the walk round.
void walkFunctions(const MachineRoot &root, const QString &dir, int depth, std::vector<std::pair<SysfsDevice, quint32>> &out)
{
    if (depth > MaxBridgeDepth)
        return;
    for (const QString &name : root.list(dir)) {
        const QString path = dir + QLatin1Char('/') + name;
        if (!isPciAddress(name))
            continue;
        if (root.isLink(path) || !root.isDirectory(path))
            continue;
        const SysfsDevice device(root, path);
        const quint32 classCode = quint32(device.hexAttribute(QStringLiteral("class")).value_or(0));
        out.emplace_back(device, classCode);
        if ((classCode >> 16) == BridgeClass)
            walkFunctions(root, path, depth + 1, out);
    }
}

PciFunction identify(const SysfsDevice &device, quint32 classCode)
{
    PciFunction f;
    f.device = device;
    f.classCode = classCode;
    f.vendor = quint16(device.hexAttribute(QStringLiteral("vendor")).value_or(0));
    f.deviceId = quint16(device.hexAttribute(QStringLiteral("device")).value_or(0));
    return f;
}

// Windows' setup class for a function, by its class code.
QString setupClass(const PciFunction &f)
{
    switch (f.baseClass()) {
    case 0x01:
        switch (f.subClass()) {
        case 0x01: case 0x05: case 0x06: return QStringLiteral("HDC");
        case 0x02: return QStringLiteral("FDC");
        default: return QStringLiteral("SCSIAdapter");
        }
    case 0x02: return QStringLiteral("Net");
    case 0x03: return QStringLiteral("Display");
    case 0x04: return f.subClass() == 0x03 ? QStringLiteral("System") : QStringLiteral("MEDIA");
    case 0x06:
        return f.subClass() == 0x05 || f.subClass() == 0x07 ? QStringLiteral("PCMCIA") : QStringLiteral("System");
    case 0x07:
        if (f.subClass() <= 0x01)
            return QStringLiteral("Ports");
        return f.subClass() == 0x03 ? QStringLiteral("Modem") : QStringLiteral("System");
    case 0x09:
        if (f.subClass() == 0x00)
            return QStringLiteral("Keyboard");
        return f.subClass() == 0x02 ? QStringLiteral("Mouse") : QStringLiteral("System");
    case 0x0c:
        switch (f.subClass()) {
        case 0x00: return QStringLiteral("1394");
        case 0x03: return QStringLiteral("USB");
        case 0x04: return QStringLiteral("SCSIAdapter");
        default: return QStringLiteral("System");
        }
    case 0x0d: return f.subClass() == 0x11 ? QStringLiteral("Bluetooth") : QStringLiteral("Net");
    default: return QStringLiteral("System");
    }
}

} // namespace

bool isPciAddress(const QString &name)
{
    static const QRegularExpression address(QStringLiteral("^[0-9a-f]{4,}:[0-9a-f]{2}:[0-9a-f]{2}\\.[0-7]$"));
    return address.match(name).hasMatch();
}

PciFunction readPciFunction(const SysfsDevice &device)
{
    return identify(device, quint32(device.hexAttribute(QStringLiteral("class")).value_or(0)));
}

PciSubsystem readPciSubsystem(const SysfsDevice &device)
{
    std::optional<quint64> vendor = device.hexAttribute(QStringLiteral("subsystem_vendor"));
    std::optional<quint64> subDevice = device.hexAttribute(QStringLiteral("subsystem_device"));
    std::optional<quint64> revision = device.hexAttribute(QStringLiteral("revision"));
    if (!revision || !vendor || !subDevice) {
        const QByteArray config = device.root()
                                      .readBytes(device.path() + QStringLiteral("/config"), ConfigHead)
                                      .value_or(QByteArray());
        if (config.size() >= ConfigHead) {
            if (!revision)
                revision = quint8(config[RevisionOffset]);
            // Only ordinary functions (header type 0) keep subsystem ids there.
            if ((quint8(config[HeaderTypeOffset]) & 0x7f) == 0) {
                if (!vendor)
                    vendor = littleEndian16(config, SubsystemVendorOffset);
                if (!subDevice)
                    subDevice = littleEndian16(config, SubsystemDeviceOffset);
            }
        }
    }
    // The modalias carries the subsystem ids too, and captures that copied
    // neither attribute nor config space still hold it.
    if (!vendor || !subDevice) {
        static const QRegularExpression alias(QStringLiteral("^pci:v[0-9A-F]{8}d[0-9A-F]{8}sv([0-9A-F]{8})sd([0-9A-F]{8})"),
                                              QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch match = alias.match(device.trimmed(QStringLiteral("modalias")).value_or(QString()));
        if (match.hasMatch()) {
            if (!vendor)
                vendor = match.captured(1).toULongLong(nullptr, 16);
            if (!subDevice)
                subDevice = match.captured(2).toULongLong(nullptr, 16);
        }
    }
    PciSubsystem ids;
    ids.vendor = quint16(vendor.value_or(0));
    ids.device = quint16(subDevice.value_or(0));
    if (revision)
        ids.revision = quint8(*revision);
    return ids;
}

namespace {

// What the walk finds of a function, without the root that read it.
struct FoundFunction
{
    QString path;
    quint32 classCode = 0;
    quint16 vendor = 0;
    quint16 deviceId = 0;

    QStringView address() const { return QStringView(path).mid(path.lastIndexOf(QLatin1Char('/')) + 1); }
};

std::vector<FoundFunction> findFunctions(const MachineRoot &root)
{
    std::vector<std::pair<SysfsDevice, quint32>> found;
    for (const QString &name : root.list(QStringLiteral("sys/devices"))) {
        if (name.startsWith(QLatin1String("pci")))
            walkFunctions(root, QStringLiteral("sys/devices/") + name, 0, found);
    }
    // The bus list names every function the kernel knows; captures of a
    // partial tree hold some only there.
    QSet<QString> seen;
    for (const auto &[device, classCode] : found)
        seen.insert(device.name());
    const auto notSeen = [&](const QString &name) { return !seen.contains(name); };
    for (const SysfsDevice &device : busDevices(root, QStringLiteral("pci"), notSeen))
        found.emplace_back(device, quint32(device.hexAttribute(QStringLiteral("class")).value_or(0)));

    std::vector<FoundFunction> functions;
    functions.reserve(found.size());
    for (const auto &[device, classCode] : found) {
        const PciFunction f = identify(device, classCode);
        functions.push_back({device.path(), f.classCode, f.vendor, f.deviceId});
    }
    // Addresses are fixed-width hex, so text order is address order.
    std::stable_sort(functions.begin(), functions.end(),
                     [](const FoundFunction &a, const FoundFunction &b) { return a.address() < b.address(); });
    return functions;
}

} // namespace

std::vector<PciFunction> pciFunctions(const MachineRoot &root, const std::function<bool(quint32)> &wanted)
{
    // Several classes ask for the functions; one connection finds them once.
    const std::vector<FoundFunction> found
        = root.remember<std::vector<FoundFunction>>(QStringLiteral("pci functions"), [&] { return findFunctions(root); });
    std::vector<PciFunction> functions;
    for (const FoundFunction &f : found) {
        if (wanted && !wanted(f.classCode))
            continue;
        PciFunction function;
        function.device = SysfsDevice(root, f.path);
        function.classCode = f.classCode;
        function.vendor = f.vendor;
        function.deviceId = f.deviceId;
        functions.push_back(std::move(function));
    }
    return functions;
}

QString pciName(const PciFunction &f)
{
    if (std::optional<QString> name = IdDatabase::instance().pciDevice(f.vendor, f.deviceId))
        return *name;
    return QStringLiteral("PCI device %1:%2").arg(hex4(f.vendor), hex4(f.deviceId));
}

std::optional<QString> pciVendorName(const PciFunction &f)
{
    return IdDatabase::instance().pciVendor(f.vendor);
}

QString pciDeviceId(const PciFunction &f)
{
    const PciSubsystem sub = readPciSubsystem(f.device);
    QString id = QStringLiteral("PCI\\VEN_%1&DEV_%2&SUBSYS_%3%4")
                     .arg(upperHex(f.vendor, 4), upperHex(f.deviceId, 4), upperHex(sub.device, 4), upperHex(sub.vendor, 4));
    if (sub.revision)
        id += QStringLiteral("&REV_") + upperHex(*sub.revision, 2);
    return id + QLatin1Char('\\') + f.address();
}

DriverState pciDriverState(const PciFunction &f)
{
    return driverState(f.baseClass() != BridgeClass, f.device.driver());
}

PnpDetails pciDetails(const PciFunction &f)
{
    const PciSubsystem sub = readPciSubsystem(f.device);
    const QString ven = QStringLiteral("PCI\\VEN_") + upperHex(f.vendor, 4);
    const QString venDev = ven + QStringLiteral("&DEV_") + upperHex(f.deviceId, 4);
    const QString subsys = QStringLiteral("&SUBSYS_") + upperHex(sub.device, 4) + upperHex(sub.vendor, 4);
    const QString rev = sub.revision ? QStringLiteral("&REV_") + upperHex(*sub.revision, 2) : QString();
    const QString fullClass = QStringLiteral("&CC_") + upperHex(f.classCode, 6);
    const QString shortClass = QStringLiteral("&CC_") + upperHex(f.classWord(), 4);

    PnpDetails details;
    details.deviceId = venDev + subsys + rev + QLatin1Char('\\') + f.address();
    details.manufacturer = pciVendorName(f);
    details.service = f.device.driver();
    details.state = pciDriverState(f);
    details.pnpClass = setupClass(f);
    // Most specific first, as Windows lists them.
    details.hardwareIds = {venDev + subsys + rev, venDev + subsys, venDev + fullClass, venDev + shortClass};
    details.compatibleIds = {venDev + rev, venDev, ven + fullClass, ven + shortClass, ven,
                             QStringLiteral("PCI\\CC_") + upperHex(f.classCode, 6),
                             QStringLiteral("PCI\\CC_") + upperHex(f.classWord(), 4)};
    // Without a revision the first two of each list say the same.
    details.hardwareIds.removeDuplicates();
    details.compatibleIds.removeDuplicates();
    return details;
}

std::vector<PnpDevice> pciPnpDevices(const MachineRoot &root)
{
    std::vector<PnpDevice> devices;
    for (const PciFunction &f : pciFunctions(root))
        devices.push_back({pciName(f), [f] { return pciDetails(f); }});
    return devices;
}

} // namespace inventory::linuxsource
