// Win32_Bus: each PCI bus, the Plug-and-Play bus, and the ISA and PC Card
// buses where the machine has them. Windows captions every one "Bus".
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/devices/PciDevices.h"
#include "inventory/linux/reading/PropertyBag.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_Bus");
const QString Caption = QStringLiteral("Bus");

// BusType codes (the INTERFACE_TYPE numbers).
enum BusType : qint64 { Isa = 1, Pci = 5, Pcmcia = 8, PnpBus = 15 };

struct Bus
{
    QString deviceId;
    qint64 number = 0;
    qint64 type = Pci;
};

struct PciBusNumber
{
    qint64 domain = 0;
    qint64 bus = 0;
    bool operator<(const PciBusNumber &o) const { return std::tie(domain, bus) < std::tie(o.domain, o.bus); }
    bool operator==(const PciBusNumber &o) const = default;
};

std::optional<PciBusNumber> parsePciBus(const QString &text)
{
    // "0000:00" from sys/class/pci_bus, or the head of "0000:00:1f.2".
    static const QRegularExpression form(QStringLiteral("^([0-9a-f]{4,}):([0-9a-f]{2})"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return PciBusNumber{m.captured(1).toLongLong(nullptr, 16), m.captured(2).toLongLong(nullptr, 16)};
}

std::vector<PciBusNumber> pciBuses(const MachineRoot &root)
{
    std::vector<PciBusNumber> numbers;
    for (const QString &name : root.list(QStringLiteral("sys/class/pci_bus")))
        if (std::optional<PciBusNumber> n = parsePciBus(name))
            numbers.push_back(*n);
    // Captures without the pci_bus class still show the buses their
    // functions sit on.
    if (numbers.empty()) {
        for (const PciFunction &f : pciFunctions(root))
            if (std::optional<PciBusNumber> n = parsePciBus(f.address()))
                numbers.push_back(*n);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

std::vector<Bus> buses(const MachineRoot &root)
{
    std::vector<Bus> found;
    for (const PciBusNumber &n : pciBuses(root)) {
        // Windows numbers buses of the first segment alone; further segments
        // keep their number apart.
        const QString id = n.domain == 0 ? QStringLiteral("PCI_BUS_%1").arg(n.bus)
                                         : QStringLiteral("PCI_BUS_%1_%2").arg(n.domain).arg(n.bus);
        found.push_back({id, n.bus, Pci});
    }
    if (!root.list(QStringLiteral("sys/bus/pnp/devices")).isEmpty())
        found.push_back({QStringLiteral("PNP_BUS_0"), 0, PnpBus});
    if (!root.list(QStringLiteral("sys/bus/isa/devices")).isEmpty())
        found.push_back({QStringLiteral("Isa_BUS_0"), 0, Isa});
    static const QRegularExpression socket(QStringLiteral("^pcmcia_socket([0-9]+)$"));
    for (const QString &name : root.list(QStringLiteral("sys/class/pcmcia_socket"))) {
        const QRegularExpressionMatch m = socket.match(name);
        if (m.hasMatch())
            found.push_back({QStringLiteral("PCMCIA_BUS_") + m.captured(1), m.captured(1).toLongLong(), Pcmcia});
    }
    return found;
}

Properties busProperties(const MachineRoot &root, const Bus &bus)
{
    PropertyBag bag;
    bag.logicalDevice(ClassName, systemName(root));
    // Windows gives a bus no Plug-and-Play id.
    addDeviceNames(bag, Caption, bus.deviceId, false);
    bag.integer(QStringLiteral("BusNum"), bus.number)
        .integer(QStringLiteral("BusType"), bus.type);
    return bag.take();
}

std::vector<Instance> busInstances(const MachineRoot &root)
{
    std::vector<Instance> instances;
    for (const Bus &bus : buses(root))
        instances.emplace_back(Value::text(Caption), [root, bus] { return busProperties(root, bus); });
    return instances;
}

} // namespace

void registerBuses(ClassTable &table)
{
    table.provide(ClassName, busInstances);
}

} // namespace inventory::linuxsource
