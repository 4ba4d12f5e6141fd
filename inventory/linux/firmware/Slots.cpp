// Win32_PortConnector, Win32_SystemSlot and Win32_OnBoardDevice: the board's
// connectors, expansion slots and built-in devices, from SMBIOS types 8, 9,
// and 41 (or its older form, type 10). Only the table knows them.
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/firmware/Firmware.h"
#include "inventory/linux/firmware/SmbiosDecode.h"

namespace inventory::linuxsource {

namespace {

const QString PortClass = QStringLiteral("Win32_PortConnector");
const QString SlotClass = QStringLiteral("Win32_SystemSlot");
const QString OnBoardClass = QStringLiteral("Win32_OnBoardDevice");
const QString PortLabel = QStringLiteral("Port Connector");
const QString SlotLabel = QStringLiteral("System Slot");
const QString OnBoardLabel = QStringLiteral("On Board Device");

enum Type : quint8 { PortType = 8, SlotType = 9, OnBoardType = 10, OnBoardExtendedType = 41 };
constexpr quint8 EnabledBit = 0x80;
constexpr quint8 DeviceKindMask = 0x7F;
// CIM voltage codes of VccMixedVoltageSupport.
constexpr int Volts3_3 = 2, Volts5 = 3;
// Slot characteristics 1: bit 3 is "opening is shared" (bit 5 is CardBus).
constexpr quint8 OpeningIsShared = 0x08;

PropertyBag portProperties(const SmbiosStructure &port, int index, const Firmware &)
{
    PropertyBag bag = physicalElement(PortClass, PortLabel, QStringLiteral("Port Connector %1").arg(index));
    bag.text(QStringLiteral("InternalReferenceDesignator"), port.string(0x04))
        .text(QStringLiteral("ExternalReferenceDesignator"), port.string(0x06));
    if (const std::optional<quint8> type = port.byte(0x08))
        bag.integer(QStringLiteral("PortType"), cimPortType(*type));
    // The connector a user sees: the external one where there is one.
    const quint8 external = port.byte(0x07).value_or(0);
    const QStringList connector = cimPortConnectorTypes(external ? external : port.byte(0x05).value_or(0));
    if (!connector.isEmpty())
        bag.set(QStringLiteral("ConnectorType"), Value::array(connector));
    return bag;
}

PropertyBag slotProperties(const SmbiosStructure &slot, int index, const Firmware &)
{
    PropertyBag bag = physicalElement(SlotClass, SlotLabel, QStringLiteral("System Slot %1").arg(index));
    bag.text(QStringLiteral("SlotDesignation"), slot.string(0x04))
        .integer(QStringLiteral("CurrentUsage"), slot.byte(0x07))
        .integer(QStringLiteral("Number"), slot.word(0x09));
    if (const std::optional<quint8> type = slot.byte(0x05)) {
        const QStringList connector = cimSlotConnectorTypes(*type);
        if (!connector.isEmpty())
            bag.set(QStringLiteral("ConnectorType"), Value::array(connector));
    }
    if (const std::optional<quint8> busWidth = slot.byte(0x06))
        bag.integer(QStringLiteral("MaxDataWidth"), cimSlotDataWidth(*busWidth));
    if (const std::optional<quint8> c1 = slot.byte(0x0B)) {
        bag.boolean(QStringLiteral("Shared"), (*c1 & OpeningIsShared) != 0);
        QStringList vcc;
        if (*c1 & 0x04)
            vcc << QString::number(Volts3_3);
        if (*c1 & 0x02)
            vcc << QString::number(Volts5);
        if (!vcc.isEmpty())
            bag.set(QStringLiteral("VccMixedVoltageSupport"), Value::array(vcc));
    }
    if (const std::optional<quint8> c2 = slot.byte(0x0C)) {
        bag.boolean(QStringLiteral("PMESignal"), (*c2 & 0x01) != 0)
            .boolean(QStringLiteral("SupportsHotPlug"), (*c2 & 0x02) != 0);
    }
    const std::optional<quint16> segment = slot.word(0x0D);
    const std::optional<quint8> bus = slot.byte(0x0F);
    const std::optional<quint8> devfn = slot.byte(0x10);
    // All ones: the slot has no PCI address.
    if (segment && bus && devfn && !(*segment == 0xFFFF && *bus == 0xFF && *devfn == 0xFF)) {
        bag.integer(QStringLiteral("SegmentGroupNumber"), *segment)
            .integer(QStringLiteral("BusNumber"), *bus)
            .integer(QStringLiteral("DeviceNumber"), *devfn >> 3)
            .integer(QStringLiteral("FunctionNumber"), *devfn & 0x07);
    }
    return bag;
}

struct OnBoard
{
    std::optional<quint8> type;
    std::optional<QString> description;
};

// Type 41 replaced type 10 and repeats its devices where both exist.
std::vector<OnBoard> onBoardDevices(const SmbiosTable &table)
{
    std::vector<OnBoard> devices;
    for (const SmbiosStructure *s : table.ofType(OnBoardExtendedType))
        devices.push_back({s->byte(0x05), s->string(0x04)});
    if (!devices.empty())
        return devices;
    for (const SmbiosStructure *s : table.ofType(OnBoardType))
        for (int offset = 0x04; offset + 1 < s->length(); offset += 2)
            devices.push_back({s->byte(offset), s->string(offset + 1)});
    return devices;
}

PropertyBag onBoardProperties(const OnBoard &device, int index)
{
    PropertyBag bag = physicalElement(OnBoardClass, OnBoardLabel, QStringLiteral("On Board Device %1").arg(index));
    bag.text(QStringLiteral("Description"), device.description);
    if (device.type) {
        bag.integer(QStringLiteral("DeviceType"), *device.type & DeviceKindMask)
            .boolean(QStringLiteral("Enabled"), (*device.type & EnabledBit) != 0);
    }
    return bag;
}

} // namespace

std::vector<Instance> portConnectorInstances(const FirmwarePtr &firmware)
{
    return structureInstances(firmware, PortType, PortLabel, portProperties);
}

std::vector<Instance> systemSlotInstances(const FirmwarePtr &firmware)
{
    return structureInstances(firmware, SlotType, SlotLabel, slotProperties);
}

std::vector<Instance> onBoardDeviceInstances(const FirmwarePtr &firmware)
{
    std::vector<Instance> instances;
    const std::vector<OnBoard> devices = onBoardDevices(firmware->table());
    for (int i = 0; i < int(devices.size()); ++i)
        instances.push_back(firmwareInstance(OnBoardLabel, firmware, [device = devices[i], i](const Firmware &) {
            return onBoardProperties(device, i);
        }));
    return instances;
}

void registerSlots(ClassTable &table)
{
    provideFirmware(table, PortClass, portConnectorInstances);
    provideFirmware(table, SlotClass, systemSlotInstances);
    provideFirmware(table, OnBoardClass, onBoardDeviceInstances);
}

} // namespace inventory::linuxsource
