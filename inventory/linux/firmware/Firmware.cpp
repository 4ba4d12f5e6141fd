#include "inventory/linux/firmware/Firmware.h"

#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/reading/UdevData.h"

namespace inventory::linuxsource {

namespace {
constexpr quint8 MemoryDeviceType = 17;
}

std::shared_ptr<const Firmware> Firmware::read(const MachineRoot &root)
{
    auto firmware = std::make_shared<Firmware>();
    firmware->m_table = readSmbiosTable(root);
    // udev's helper reads the same table as root; its record is the copy of the
    // modules for everybody else, and only ever stands in for the table's own.
    if (!firmware->m_table.first(MemoryDeviceType))
        firmware->m_udev = udevProperties(root, QStringLiteral("+dmi:id"));
    firmware->m_root = root;
    firmware->m_systemName = linuxsource::systemName(root);
    return firmware;
}

std::shared_ptr<const Firmware> Firmware::fromTable(SmbiosTable table)
{
    auto firmware = std::make_shared<Firmware>();
    firmware->m_table = std::move(table);
    return firmware;
}

std::optional<QString> Firmware::dmiId(const char *name) const
{
    if (!m_root)
        return std::nullopt;
    const std::optional<QString> value = m_root->readText(QStringLiteral("sys/class/dmi/id/") + QLatin1String(name));
    if (!value || value->trimmed().isEmpty())
        return std::nullopt;
    return value;
}

bool Firmware::present() const
{
    if (!m_table.isEmpty())
        return true;
    for (const char *name : {"bios_vendor", "bios_version", "sys_vendor", "product_name", "board_vendor", "board_name"})
        if (dmiId(name))
            return true;
    return false;
}

void provideFirmware(ClassTable &table, const QString &className, FirmwareBuilder build)
{
    table.provide(className, [build](const MachineRoot &root) { return build(Firmware::read(root)); });
}

const std::vector<FirmwareBuilder> &firmwareBuilders()
{
    static const std::vector<FirmwareBuilder> builders = {
        biosInstances, baseBoardInstances, motherboardDeviceInstances, systemEnclosureInstances,
        physicalMemoryInstances, physicalMemoryArrayInstances, memoryArrayInstances, memoryDeviceInstances,
        smbiosMemoryInstances, portConnectorInstances, systemSlotInstances, onBoardDeviceInstances,
        portableBatteryInstances, cacheMemoryInstances, voltageProbeInstances, temperatureProbeInstances,
        currentProbeInstances, fanInstances, heatPipeInstances, refrigerationInstances,
    };
    return builders;
}

PropertyBag physicalElement(const QString &className, const QString &label, const QString &tag)
{
    PropertyBag bag;
    bag.set(QStringLiteral("CreationClassName"), Value::text(className))
        .set(QStringLiteral("Caption"), Value::text(label))
        .set(QStringLiteral("Description"), Value::text(label))
        .set(QStringLiteral("Name"), Value::text(label))
        .set(QStringLiteral("Tag"), Value::text(tag));
    return bag;
}

} // namespace inventory::linuxsource
