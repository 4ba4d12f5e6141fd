#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace inventory::linuxsource {

class MachineRoot;

// What an inventory server asks about the running system besides the
// hardware classes: the operating system, mounted file systems and the
// addresses of the network interfaces, and the monitors' EDID bytes. Read below a root like every reader;
// sizes of file systems exist only for the live machine.
struct OsRelease
{
    QString name;       // NAME: "Debian GNU/Linux"
    QString versionId;  // VERSION_ID: "12"
    QString prettyName; // PRETTY_NAME: "Debian GNU/Linux 12 (bookworm)"
};

struct MountedFileSystem
{
    QString device;     // "/dev/vda1"
    QString mountPoint; // "/"
    QString type;       // "ext4"
    std::optional<quint64> totalBytes;
    std::optional<quint64> freeBytes; // what an unprivileged user may still use
};

struct InterfaceAddress
{
    QString interface;
    QString address; // dotted quad or IPv6 text
    QString mask;
    QString subnet;
    QString gateway;
    bool ipv6 = false;
};

// A memory device record of the firmware, empty slots included, which WMI's
// classes leave out: an inventory server lists every slot by name.
struct MemorySlot
{
    QString locator; // "DIMM 2", or the bank's locator when the slot has none
    bool installed = false;
};

struct HostFacts
{
    QString hostName;
    QString kernelRelease; // "6.1.0-18-amd64"
    QString kernelVersion; // "#1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1 ..."
    OsRelease os;
    std::optional<quint64> swapKb;
    std::optional<quint64> uptimeSeconds;
    std::vector<MountedFileSystem> fileSystems;
    std::vector<InterfaceAddress> addresses;
    QString defaultGateway;
    QStringList nameServers;
    // Every memory device record, in the firmware's order.
    std::vector<MemorySlot> memorySlots;
    // The raw EDID of each connected DRM output, by connector ("card0-DP-1").
    QHash<QString, QByteArray> edids;

    static HostFacts read(const MachineRoot &root);
};

// The parsers, on the files' bytes.
OsRelease parseOsRelease(const QByteArray &bytes);
// /proc/self/mounts without the kernel's pseudo file systems.
std::vector<MountedFileSystem> parseMounts(const QByteArray &bytes);

struct Ipv4Route
{
    QString interface;
    quint32 destination = 0; // host order
    quint32 gateway = 0;
    quint32 mask = 0;
};
// /proc/net/route: hexadecimal fields in the kernel's (little-endian) order.
std::vector<Ipv4Route> parseRoutes(const QByteArray &bytes);
// The machine's own IPv4 addresses from /proc/net/fib_trie ("/32 host LOCAL").
std::vector<quint32> parseLocalAddresses(const QByteArray &fibTrie);
// /proc/net/if_inet6, one address per line, loopback left out.
std::vector<InterfaceAddress> parseIpv6Addresses(const QByteArray &bytes);
// The default route's gateway in /proc/net/ipv6_route, or empty.
QString parseIpv6DefaultGateway(const QByteArray &bytes);
// The addresses put together: each IPv4 address on the interface whose
// directly attached route holds it, loopback left out.
std::vector<InterfaceAddress> ipv4Addresses(const std::vector<quint32> &local, const std::vector<Ipv4Route> &routes);
QStringList parseNameServers(const QByteArray &resolvConf);

QString ipv4Text(quint32 address);

} // namespace inventory::linuxsource
