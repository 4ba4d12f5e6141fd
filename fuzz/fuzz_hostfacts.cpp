// The readers of what an inventory server wants beyond the hardware classes:
// os-release, the mount table, the IPv4 and IPv6 routing and address tables
// and resolv.conf, each given the same arbitrary bytes.
#include "inventory/linux/system/HostFacts.h"

#include <cstddef>
#include <cstdint>

using namespace inventory::linuxsource;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    parseOsRelease(bytes);
    parseMounts(bytes);
    const std::vector<Ipv4Route> routes = parseRoutes(bytes);
    ipv4Addresses(parseLocalAddresses(bytes), routes);
    parseIpv6Addresses(bytes);
    parseIpv6DefaultGateway(bytes);
    parseNameServers(bytes);
    return 0;
}
