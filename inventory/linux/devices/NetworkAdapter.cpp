// Win32_NetworkAdapter: every interface in sys/class/net, physical and
// virtual, captioned "[<ifindex, 8 digits>] <product name>" as Windows does.
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/reading/HardwareNames.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/reading/PropertyBag.h"
#include "inventory/linux/reading/SysfsDevice.h"

#include <QDateTime>
#include <QRegularExpression>

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_NetworkAdapter");
constexpr int IffUp = 0x1;
// Link types (ARPHRD_*) and the WMI adapter types they are.
constexpr int ArphrdEther = 1;
constexpr int ArphrdIeee1394 = 24;
constexpr int ArphrdPpp = 512;
constexpr int ArphrdTunnel = 768;
constexpr int ArphrdTunnel6 = 769;
constexpr int ArphrdLoopback = 772;
constexpr int ArphrdSit = 776;
constexpr int ArphrdIpGre = 778;
constexpr int ArphrdIeee80211 = 801;
constexpr int ArphrdIeee80211Radiotap = 803;
constexpr int ArphrdNone = 0xfffe;
// Link speeds beyond this (Mb/s) are the drivers' ways of saying "unknown".
constexpr qint64 MaxPlausibleSpeed = 65535 * 1000;

struct Interface
{
    MachineRoot root;
    QString name;
    qint64 index = 0;
    int sameName = 1; // 2 for the second adapter of one product, as in "Name #2"
    QString dir() const { return QStringLiteral("sys/class/net/") + name; }
    // The hardware behind the interface; none for interfaces the kernel makes up.
    SysfsDevice device() const
    {
        const QString own = root.resolve(dir());
        if (own.isEmpty() || own.startsWith(QLatin1String("sys/devices/virtual/")))
            return {};
        const SysfsDevice linked = SysfsDevice::fromLink(root, dir() + QStringLiteral("/device"));
        return linked.isValid() ? linked : SysfsDevice(root, own).parent().parent();
    }
    std::optional<QString> text(const char *attribute) const
    {
        return root.readText(dir() + QLatin1Char('/') + QLatin1String(attribute));
    }
    std::optional<qint64> number(const char *attribute, int base = 10) const
    {
        return root.readInteger(dir() + QLatin1Char('/') + QLatin1String(attribute), base);
    }
};

// A name for interfaces no hardware stands behind, by the kind the kernel
// gives them.
QString virtualName(const Interface &nic)
{
    const QString devtype = nic.root.readLines(nic.dir() + QStringLiteral("/uevent"))
                                .value_or(QStringList())
                                .filter(QStringLiteral("DEVTYPE="))
                                .value(0)
                                .section(QLatin1Char('='), 1);
    const int type = int(nic.number("type").value_or(0));
    if (type == ArphrdLoopback)
        return QStringLiteral("Software Loopback Interface");
    if (!devtype.isEmpty())
        return QStringLiteral("Virtual %1 adapter").arg(devtype);
    if (nic.root.exists(nic.dir() + QStringLiteral("/tun_flags")))
        return QStringLiteral("TAP/TUN virtual adapter");
    const QString kind = nic.name.left(nic.name.indexOf(QRegularExpression(QStringLiteral("[0-9]"))));
    return QStringLiteral("Virtual network adapter (%1)").arg(kind.isEmpty() ? nic.name : kind);
}

QString productName(const Interface &nic)
{
    const SysfsDevice device = nic.device();
    if (device.isValid())
        if (const std::optional<QString> name = busDeviceName(device))
            return *name;
    return virtualName(nic);
}

QString captionFor(const Interface &nic, const QString &product)
{
    return QStringLiteral("[%1] %2").arg(nic.index, 8, 10, QLatin1Char('0')).arg(product);
}

std::optional<qint64> connectionStatus(const Interface &nic)
{
    const qint64 flags = nic.number("flags", 16).value_or(0);
    if (!(flags & IffUp))
        return 0; // Disconnected
    const QString state = nic.text("operstate").value_or(QString());
    if (state == QLatin1String("up"))
        return 2; // Connected
    if (state == QLatin1String("dormant"))
        return 1; // Connecting
    if (state == QLatin1String("unknown"))
        return nic.number("carrier") == 1 ? 2 : 7;
    return 7; // Media disconnected
}

struct AdapterType
{
    QString text;
    int id;
};

std::optional<AdapterType> adapterTypeOf(int linkType)
{
    switch (linkType) {
    case ArphrdEther: // Wi-Fi too, as on Windows
        return AdapterType{QStringLiteral("Ethernet 802.3"), 0};
    case ArphrdPpp:
        return AdapterType{QStringLiteral("Wide Area Network (WAN)"), 3};
    case ArphrdIeee80211:
    case ArphrdIeee80211Radiotap:
        return AdapterType{QStringLiteral("Wireless"), 9};
    case ArphrdIeee1394:
        return AdapterType{QStringLiteral("1394"), 13};
    case ArphrdTunnel:
    case ArphrdTunnel6:
    case ArphrdSit:
    case ArphrdIpGre:
    case ArphrdNone:
        return AdapterType{QStringLiteral("Tunnel"), 15};
    default:
        return std::nullopt;
    }
}

Properties adapterProperties(const Interface &nic)
{
    const SysfsDevice device = nic.device();
    const bool physical = device.isValid();
    const QString product = productName(nic);
    const int type = int(nic.number("type").value_or(0));
    const qint64 flags = nic.number("flags", 16).value_or(0);

    PropertyBag bag;
    bag.logicalDevice(ClassName, systemName(nic.root))
        .text(QStringLiteral("Caption"), captionFor(nic, product))
        .text(QStringLiteral("Description"), product)
        .text(QStringLiteral("Name"), nic.sameName > 1 ? QStringLiteral("%1 #%2").arg(product).arg(nic.sameName) : product)
        .text(QStringLiteral("ProductName"), product)
        .text(QStringLiteral("DeviceID"), QString::number(nic.index))
        .integer(QStringLiteral("Index"), nic.index)
        .integer(QStringLiteral("InterfaceIndex"), nic.index)
        .text(QStringLiteral("NetConnectionID"), nic.name)
        .boolean(QStringLiteral("Installed"), true)
        .boolean(QStringLiteral("PhysicalAdapter"), physical)
        .boolean(QStringLiteral("NetEnabled"), bool(flags & IffUp))
        .integer(QStringLiteral("NetConnectionStatus"), connectionStatus(nic));

    if (const std::optional<AdapterType> adapterType = adapterTypeOf(type)) {
        bag.text(QStringLiteral("AdapterType"), adapterType->text).integer(QStringLiteral("AdapterTypeId"), adapterType->id);
    }
    if (type == ArphrdEther) {
        const QString mac = nic.text("address").value_or(QString()).trimmed().toUpper();
        if (!mac.isEmpty() && mac != QLatin1String("00:00:00:00:00:00"))
            bag.text(QStringLiteral("MACAddress"), mac);
    }

    // Mb/s in sysfs; reading it fails while the link is down, and -1 means
    // unknown. Virtual adapters make their speeds up (a tun says 10 Mb/s),
    // and Windows leaves theirs empty.
    if (const std::optional<qint64> speed = nic.number("speed");
        physical && speed && *speed > 0 && *speed < MaxPlausibleSpeed)
        bag.unsignedInteger(QStringLiteral("Speed"), quint64(*speed) * 1000000ULL);

    if (physical) {
        const QString driver = device.driver();
        bag.text(QStringLiteral("ServiceName"), driver)
            .text(QStringLiteral("Manufacturer"), busDeviceMaker(device))
            .text(QStringLiteral("PNPDeviceID"), carrierPnpDeviceId(device))
            .integer(QStringLiteral("ConfigManagerErrorCode"), driver.isEmpty() ? 28 : 0)
            .integer(QStringLiteral("Availability"), 3);
    }
    if (const std::optional<QDateTime> boot = bootTime(nic.root))
        bag.set(QStringLiteral("TimeOfLastReset"), Value::dateTime(*boot));
    return bag.take();
}

std::vector<Instance> adapters(const MachineRoot &root)
{
    std::vector<Interface> found;
    for (const QString &name : root.list(QStringLiteral("sys/class/net"))) {
        Interface nic{root, name, 0};
        if (!root.isDirectory(nic.dir()))
            continue; // bonding_masters and the like
        // Captured trees may lack ifindex; their order stands in for it.
        nic.index = nic.number("ifindex").value_or(qint64(found.size()) + 1);
        found.push_back(nic);
    }
    std::sort(found.begin(), found.end(), [](const Interface &a, const Interface &b) { return a.index < b.index; });
    std::vector<Instance> instances;
    QHash<QString, int> seen;
    for (Interface &nic : found) {
        const QString product = productName(nic);
        nic.sameName = ++seen[product];
        instances.emplace_back(Value::text(captionFor(nic, product)), [nic] { return adapterProperties(nic); });
    }
    return instances;
}

} // namespace

void registerNetworkAdapter(ClassTable &table)
{
    table.provide(ClassName, adapters);
}

} // namespace inventory::linuxsource
