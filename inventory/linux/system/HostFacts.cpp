#include "inventory/linux/system/HostFacts.h"

#include "inventory/linux/firmware/Firmware.h"
#include "inventory/linux/reading/MachineRoot.h"

#include <QFile>
#include <QSet>
#include <QtEndian>

#include <algorithm>

#include <sys/statvfs.h>

namespace inventory::linuxsource {

namespace {

// The kernel caps an EDID at 256 blocks of 128 bytes.
constexpr qsizetype MaxEdidBytes = 256 * 128;

// File systems of the kernel's own making: they hold no data of the machine.
const QSet<QString> &pseudoFileSystems()
{
    static const QSet<QString> types{
        QStringLiteral("proc"), QStringLiteral("sysfs"), QStringLiteral("devtmpfs"), QStringLiteral("devpts"),
        QStringLiteral("tmpfs"), QStringLiteral("ramfs"), QStringLiteral("securityfs"), QStringLiteral("cgroup"),
        QStringLiteral("cgroup2"), QStringLiteral("pstore"), QStringLiteral("bpf"), QStringLiteral("debugfs"),
        QStringLiteral("tracefs"), QStringLiteral("configfs"), QStringLiteral("fusectl"), QStringLiteral("mqueue"),
        QStringLiteral("hugetlbfs"), QStringLiteral("autofs"), QStringLiteral("binfmt_misc"), QStringLiteral("efivarfs"),
        QStringLiteral("rpc_pipefs"), QStringLiteral("nsfs"), QStringLiteral("selinuxfs"), QStringLiteral("rootfs"),
        QStringLiteral("usbfs"), QStringLiteral("devfs"), QStringLiteral("fuse.gvfsd-fuse"), QStringLiteral("fuse.portal"),
        QStringLiteral("none")};
    return types;
}

// Asking a dead file server for its size blocks for minutes; those are
// listed without sizes.
bool isNetworkFileSystem(const QString &type)
{
    static const QSet<QString> types{QStringLiteral("nfs"), QStringLiteral("nfs4"), QStringLiteral("cifs"),
                                     QStringLiteral("smb3"), QStringLiteral("smbfs"), QStringLiteral("ceph"),
                                     QStringLiteral("glusterfs"), QStringLiteral("9p"), QStringLiteral("afs"),
                                     QStringLiteral("fuse.sshfs"), QStringLiteral("davfs")};
    return types.contains(type);
}

// Mount tables write space, tab, newline and backslash as octal escapes.
QString unescapeMountField(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok && code > 0 && code < 256) {
                out.append(char(code));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return cleanText(out);
}

QString unquote(QString value)
{
    value = value.trimmed();
    if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\''))
        && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == QLatin1Char('\\') && i + 1 < value.size())
            ++i;
        out.append(value[i]);
    }
    return out;
}

std::optional<quint32> hex32(const QByteArray &text)
{
    bool ok = false;
    const quint32 value = text.toUInt(&ok, 16);
    return ok ? std::optional<quint32>(value) : std::nullopt;
}

// The kernel prints an address as the integer it holds in network order;
// captured trees come from little-endian machines.
quint32 fromKernelOrder(quint32 value)
{
    return qbswap(value);
}

std::optional<quint32> parseIpv4(const QByteArray &text)
{
    const QList<QByteArray> parts = text.split('.');
    if (parts.size() != 4)
        return std::nullopt;
    quint32 address = 0;
    for (const QByteArray &part : parts) {
        bool ok = false;
        const uint byte = part.toUInt(&ok);
        if (!ok || byte > 255 || part.isEmpty() || part.size() > 3)
            return std::nullopt;
        address = (address << 8) | byte;
    }
    return address;
}

QString ipv6Text(const quint8 bytes[16])
{
    quint16 groups[8];
    for (int i = 0; i < 8; ++i)
        groups[i] = quint16(bytes[2 * i] << 8 | bytes[2 * i + 1]);
    // The longest run of zero groups (two or more) becomes "::".
    int bestStart = -1, bestLength = 0;
    for (int i = 0; i < 8;) {
        if (groups[i] != 0) {
            ++i;
            continue;
        }
        int j = i;
        while (j < 8 && groups[j] == 0)
            ++j;
        if (j - i > bestLength && j - i >= 2) {
            bestStart = i;
            bestLength = j - i;
        }
        i = j;
    }
    QString text;
    for (int i = 0; i < 8; ++i) {
        if (i == bestStart) {
            text += QStringLiteral("::");
            i += bestLength - 1;
            continue;
        }
        if (!text.isEmpty() && !text.endsWith(QLatin1Char(':')))
            text += QLatin1Char(':');
        text += QString::number(groups[i], 16);
    }
    return text;
}

bool parseIpv6Hex(const QByteArray &hex, quint8 out[16])
{
    if (hex.size() != 32)
        return false;
    for (int i = 0; i < 16; ++i) {
        bool ok = false;
        out[i] = quint8(hex.mid(2 * i, 2).toUInt(&ok, 16));
        if (!ok)
            return false;
    }
    return true;
}

QList<QByteArray> fields(const QByteArray &line)
{
    return line.simplified().split(' ');
}

} // namespace

QString ipv4Text(quint32 address)
{
    return QStringLiteral("%1.%2.%3.%4").arg(address >> 24).arg((address >> 16) & 0xff).arg((address >> 8) & 0xff).arg(address & 0xff);
}

OsRelease parseOsRelease(const QByteArray &bytes)
{
    OsRelease os;
    for (const QByteArray &raw : bytes.split('\n')) {
        const QString line = cleanText(raw).trimmed();
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (line.startsWith(QLatin1Char('#')) || equals <= 0)
            continue;
        const QString key = line.left(equals);
        const QString value = unquote(line.mid(equals + 1));
        if (key == QLatin1String("NAME"))
            os.name = value;
        else if (key == QLatin1String("VERSION_ID"))
            os.versionId = value;
        else if (key == QLatin1String("PRETTY_NAME"))
            os.prettyName = value;
    }
    return os;
}

std::vector<MountedFileSystem> parseMounts(const QByteArray &bytes)
{
    std::vector<MountedFileSystem> mounts;
    for (const QByteArray &line : bytes.split('\n')) {
        const QList<QByteArray> parts = fields(line);
        if (parts.size() < 3)
            continue;
        MountedFileSystem mount{unescapeMountField(parts[0]), unescapeMountField(parts[1]), unescapeMountField(parts[2]), {}, {}};
        if (mount.mountPoint.isEmpty() || pseudoFileSystems().contains(mount.type))
            continue;
        // A later mount on the same point hides the earlier one.
        std::erase_if(mounts, [&](const MountedFileSystem &seen) { return seen.mountPoint == mount.mountPoint; });
        mounts.push_back(mount);
    }
    return mounts;
}

std::vector<Ipv4Route> parseRoutes(const QByteArray &bytes)
{
    std::vector<Ipv4Route> routes;
    for (const QByteArray &line : bytes.split('\n')) {
        const QList<QByteArray> parts = fields(line);
        if (parts.size() < 8 || parts[0] == "Iface")
            continue;
        const auto destination = hex32(parts[1]);
        const auto gateway = hex32(parts[2]);
        const auto mask = hex32(parts[7]);
        if (!destination || !gateway || !mask)
            continue;
        routes.push_back({cleanText(parts[0]), fromKernelOrder(*destination), fromKernelOrder(*gateway), fromKernelOrder(*mask)});
    }
    return routes;
}

std::vector<quint32> parseLocalAddresses(const QByteArray &fibTrie)
{
    std::vector<quint32> addresses;
    std::optional<quint32> last;
    for (const QByteArray &raw : fibTrie.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith("|-- ")) {
            last = parseIpv4(line.mid(4).trimmed());
        } else if (line.startsWith("/32 host LOCAL") && last) {
            if (std::find(addresses.begin(), addresses.end(), *last) == addresses.end())
                addresses.push_back(*last);
        }
    }
    return addresses;
}

std::vector<InterfaceAddress> ipv4Addresses(const std::vector<quint32> &local, const std::vector<Ipv4Route> &routes)
{
    std::vector<InterfaceAddress> out;
    for (const quint32 address : local) {
        if ((address >> 24) == 127)
            continue;
        const Ipv4Route *best = nullptr;
        for (const Ipv4Route &route : routes)
            if (route.gateway == 0 && route.mask != 0 && (address & route.mask) == route.destination
                && (!best || route.mask > best->mask))
                best = &route;
        InterfaceAddress entry;
        entry.address = ipv4Text(address);
        if (best) {
            entry.interface = best->interface;
            entry.mask = ipv4Text(best->mask);
            entry.subnet = ipv4Text(best->destination);
            for (const Ipv4Route &route : routes)
                if (route.interface == best->interface && route.destination == 0 && route.mask == 0 && route.gateway != 0) {
                    entry.gateway = ipv4Text(route.gateway);
                    break;
                }
        }
        out.push_back(entry);
    }
    return out;
}

std::vector<InterfaceAddress> parseIpv6Addresses(const QByteArray &bytes)
{
    std::vector<InterfaceAddress> out;
    for (const QByteArray &line : bytes.split('\n')) {
        const QList<QByteArray> parts = fields(line);
        if (parts.size() < 6 || parts[5] == "lo")
            continue;
        quint8 address[16];
        bool ok = false;
        const int prefix = parts[2].toInt(&ok, 16);
        if (!parseIpv6Hex(parts[0], address) || !ok || prefix < 0 || prefix > 128)
            continue;
        quint8 mask[16] = {};
        quint8 subnet[16] = {};
        for (int i = 0; i < 16; ++i) {
            const int bits = std::clamp(prefix - 8 * i, 0, 8);
            mask[i] = quint8(0xff00 >> bits);
            subnet[i] = address[i] & mask[i];
        }
        out.push_back({cleanText(parts[5]), ipv6Text(address), ipv6Text(mask), ipv6Text(subnet), QString(), true});
    }
    return out;
}

QString parseIpv6DefaultGateway(const QByteArray &bytes)
{
    for (const QByteArray &line : bytes.split('\n')) {
        const QList<QByteArray> parts = fields(line);
        quint8 destination[16], nextHop[16];
        if (parts.size() < 10 || !parseIpv6Hex(parts[0], destination) || !parseIpv6Hex(parts[4], nextHop))
            continue;
        const bool defaultRoute = parts[1] == "00" && std::all_of(destination, destination + 16, [](quint8 b) { return b == 0; });
        const bool viaGateway = std::any_of(nextHop, nextHop + 16, [](quint8 b) { return b != 0; });
        if (defaultRoute && viaGateway && parts[9] != "lo")
            return ipv6Text(nextHop);
    }
    return {};
}

QStringList parseNameServers(const QByteArray &resolvConf)
{
    QStringList servers;
    for (const QByteArray &line : resolvConf.split('\n')) {
        const QList<QByteArray> parts = fields(line);
        if (parts.size() >= 2 && parts[0] == "nameserver")
            servers << cleanText(parts[1]);
    }
    return servers;
}

HostFacts HostFacts::read(const MachineRoot &root)
{
    HostFacts facts;
    facts.hostName = root.readText(QStringLiteral("proc/sys/kernel/hostname")).value_or(QString()).trimmed();
    facts.kernelRelease = root.readText(QStringLiteral("proc/sys/kernel/osrelease")).value_or(QString()).trimmed();
    facts.kernelVersion = root.readText(QStringLiteral("proc/sys/kernel/version")).value_or(QString()).trimmed();

    std::optional<QByteArray> osRelease = root.readBytes(QStringLiteral("etc/os-release"));
    if (!osRelease)
        osRelease = root.readBytes(QStringLiteral("usr/lib/os-release"));
    facts.os = parseOsRelease(osRelease.value_or(QByteArray()));

    for (const QString &line : root.readLines(QStringLiteral("proc/meminfo")).value_or(QStringList())) {
        if (!line.startsWith(QLatin1String("SwapTotal:")))
            continue;
        bool ok = false;
        const quint64 kb = line.mid(10).trimmed().section(QLatin1Char(' '), 0, 0).toULongLong(&ok);
        if (ok)
            facts.swapKb = kb;
    }
    if (const auto uptime = root.readText(QStringLiteral("proc/uptime"))) {
        bool ok = false;
        const double seconds = uptime->section(QLatin1Char(' '), 0, 0).toDouble(&ok);
        if (ok && seconds >= 0 && seconds < 1e12)
            facts.uptimeSeconds = quint64(seconds);
    }

    facts.memorySlots = readMemorySlots(*Firmware::read(root));

    std::optional<QByteArray> mounts = root.readBytes(QStringLiteral("proc/self/mounts"), MachineRoot::TableCap);
    if (!mounts)
        mounts = root.readBytes(QStringLiteral("proc/mounts"), MachineRoot::TableCap);
    facts.fileSystems = parseMounts(mounts.value_or(QByteArray()));
    if (root.isLiveSystem()) {
        for (MountedFileSystem &mount : facts.fileSystems) {
            struct statvfs info {};
            if (isNetworkFileSystem(mount.type) || ::statvfs(QFile::encodeName(mount.mountPoint).constData(), &info) != 0)
                continue;
            mount.totalBytes = quint64(info.f_blocks) * info.f_frsize;
            mount.freeBytes = quint64(info.f_bavail) * info.f_frsize;
        }
        // As df does: a file system without blocks is a kernel one we did not know.
        std::erase_if(facts.fileSystems, [](const MountedFileSystem &mount) { return mount.totalBytes == 0u; });
    }

    const std::vector<Ipv4Route> routes = parseRoutes(root.readBytes(QStringLiteral("proc/net/route"), MachineRoot::TableCap).value_or(QByteArray()));
    facts.addresses = ipv4Addresses(parseLocalAddresses(root.readBytes(QStringLiteral("proc/net/fib_trie"), MachineRoot::TableCap).value_or(QByteArray())), routes);
    for (const Ipv4Route &route : routes)
        if (route.destination == 0 && route.mask == 0 && route.gateway != 0 && facts.defaultGateway.isEmpty())
            facts.defaultGateway = ipv4Text(route.gateway);
    const QString ipv6Gateway = parseIpv6DefaultGateway(root.readBytes(QStringLiteral("proc/net/ipv6_route"), MachineRoot::TableCap).value_or(QByteArray()));
    for (InterfaceAddress &address : parseIpv6Addresses(root.readBytes(QStringLiteral("proc/net/if_inet6"), MachineRoot::TableCap).value_or(QByteArray()))) {
        if (!address.address.startsWith(QLatin1String("fe80:")))
            address.gateway = ipv6Gateway;
        facts.addresses.push_back(address);
    }
    facts.nameServers = parseNameServers(root.readBytes(QStringLiteral("etc/resolv.conf")).value_or(QByteArray()));

    for (const QString &connector : root.list(QStringLiteral("sys/class/drm"))) {
        if (!connector.contains(QLatin1Char('-')))
            continue;
        const QByteArray edid = root.readBytes(QStringLiteral("sys/class/drm/%1/edid").arg(connector), MaxEdidBytes).value_or(QByteArray());
        if (!edid.isEmpty())
            facts.edids.insert(connector, edid);
    }
    return facts;
}

} // namespace inventory::linuxsource
