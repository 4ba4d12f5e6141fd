// Win32_SystemEnclosure: the chassis, from SMBIOS type 3 or the kernel's
// chassis_* strings.
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/firmware/Firmware.h"
#include "inventory/linux/firmware/SmbiosDecode.h"

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_SystemEnclosure");
const QString Label = QStringLiteral("System Enclosure");

constexpr quint8 ChassisType = 3;
constexpr quint8 LockBit = 0x80;
constexpr quint8 TypeMask = 0x7F;
constexpr double InchesPerRackUnit = 1.75;

QString tag(int index) { return QStringLiteral("System Enclosure %1").arg(index); }

PropertyBag fromTable(const SmbiosStructure &chassis, int index, const Firmware &)
{
    PropertyBag bag = physicalElement(ClassName, Label, tag(index));
    bag.text(QStringLiteral("Status"), QStringLiteral("OK"))
        .text(QStringLiteral("Manufacturer"), chassis.string(0x04))
        .text(QStringLiteral("Version"), chassis.string(0x06))
        .text(QStringLiteral("SerialNumber"), chassis.string(0x07))
        .text(QStringLiteral("SMBIOSAssetTag"), chassis.string(0x08))
        .text(QStringLiteral("SKU"), chassisSkuNumber(chassis));
    if (const std::optional<quint8> type = chassis.byte(0x05)) {
        bag.set(QStringLiteral("ChassisTypes"), Value::array({QString::number(*type & TypeMask)}))
            .boolean(QStringLiteral("LockPresent"), (*type & LockBit) != 0);
    }
    if (const std::optional<quint8> security = chassis.byte(0x0C); security && *security != 0)
        bag.integer(QStringLiteral("SecurityStatus"), *security);
    if (const std::optional<quint8> units = chassis.byte(0x11); units && *units != 0)
        bag.set(QStringLiteral("Height"), Value::real(*units * InchesPerRackUnit));
    if (const std::optional<quint8> cords = chassis.byte(0x12); cords && *cords != 0)
        bag.integer(QStringLiteral("NumberOfPowerCords"), *cords);
    return bag;
}

PropertyBag fromKernel(const Firmware &firmware)
{
    PropertyBag bag = physicalElement(ClassName, Label, tag(0));
    bag.text(QStringLiteral("Status"), QStringLiteral("OK"))
        .text(QStringLiteral("Manufacturer"), firmware.dmiId("chassis_vendor"))
        .text(QStringLiteral("Version"), firmware.dmiId("chassis_version"))
        .text(QStringLiteral("SerialNumber"), firmware.dmiId("chassis_serial"))
        .text(QStringLiteral("SMBIOSAssetTag"), firmware.dmiId("chassis_asset_tag"));
    bool ok = false;
    const int type = firmware.dmiId("chassis_type").value_or(QString()).trimmed().toInt(&ok);
    if (ok && type > 0)
        bag.set(QStringLiteral("ChassisTypes"), Value::array({QString::number(type)}));
    return bag;
}

} // namespace

std::vector<Instance> systemEnclosureInstances(const FirmwarePtr &firmware)
{
    std::vector<Instance> instances = structureInstances(firmware, ChassisType, Label, fromTable);
    if (instances.empty() && (firmware->dmiId("chassis_vendor") || firmware->dmiId("chassis_type")))
        instances.push_back(firmwareInstance(Label, firmware, fromKernel));
    return instances;
}

void registerEnclosure(ClassTable &table)
{
    provideFirmware(table, ClassName, systemEnclosureInstances);
}

} // namespace inventory::linuxsource
