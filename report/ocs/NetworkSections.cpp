// NETWORKS: each network adapter, once per address it holds (as the stock
// agents send them), with mask, subnet and gateway.
#include "report/ocs/Sections.h"

namespace report::ocs {

namespace {

constexpr qint64 Connected = 2;
constexpr qint64 BitsPerMegabit = 1000000;

void fillAdapter(Section &section, const ClassRow &adapter, const QString &interface)
{
    const std::optional<qint64> speed = adapter.number(QStringLiteral("Speed"));
    section.text(QStringLiteral("DESCRIPTION"), interface)
        .text(QStringLiteral("TYPE"), adapter.text(QStringLiteral("AdapterType")))
        .text(QStringLiteral("MACADDR"), adapter.text(QStringLiteral("MACAddress")).toLower())
        .text(QStringLiteral("STATUS"), adapter.number(QStringLiteral("NetConnectionStatus")) == Connected ? QStringLiteral("Up")
                                                                                                            : QStringLiteral("Down"))
        .text(QStringLiteral("DRIVER"), adapter.text(QStringLiteral("ServiceName")))
        .number(QStringLiteral("VIRTUALDEV"), adapter.flag(QStringLiteral("PhysicalAdapter")) == false ? 1 : 0);
    if (speed && *speed > 0)
        section.text(QStringLiteral("SPEED"), QStringLiteral("%1 Mbps").arg(*speed / BitsPerMegabit));
}

} // namespace

void addNetworkSections(AgentDocument &document, const SectionInput &input)
{
    for (const ClassRow &adapter : input.rows("Win32_NetworkAdapter")) {
        const QString interface = adapter.text(QStringLiteral("NetConnectionID"));
        // The loopback interface is no adapter of the machine.
        if (interface.isEmpty() || interface == QLatin1String("lo"))
            continue;
        bool any = false;
        if (input.host) {
            for (const inventory::linuxsource::InterfaceAddress &address : input.host->addresses) {
                if (address.interface != interface)
                    continue;
                any = true;
                Section &section = document.add(QStringLiteral("NETWORKS"));
                fillAdapter(section, adapter, interface);
                section.text(QStringLiteral("IPADDRESS"), address.address)
                    .text(QStringLiteral("IPMASK"), address.mask)
                    .text(QStringLiteral("IPSUBNET"), address.subnet)
                    .text(QStringLiteral("IPGATEWAY"), address.gateway);
            }
        }
        if (!any)
            fillAdapter(document.add(QStringLiteral("NETWORKS")), adapter, interface);
    }
}

} // namespace report::ocs
