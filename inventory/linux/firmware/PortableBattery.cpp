// Win32_PortableBattery: what the firmware says about the batteries it knows
// (SMBIOS type 22): design figures, maker and chemistry; no live readings.
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/firmware/Firmware.h"
#include "inventory/linux/firmware/SmbiosDecode.h"

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_PortableBattery");
const QString Label = QStringLiteral("Portable Battery");

constexpr quint8 BatteryType = 22;
constexpr quint8 ChemistryUnknown = 0x02;
constexpr quint8 UnknownError = 0xFF;

// The Smart Battery date: bits 15-9 year since 1980, 8-5 month, 4-0 day.
std::optional<QString> sbdsDate(std::optional<quint16> packed)
{
    if (!packed || *packed == 0)
        return std::nullopt;
    const QDate date(1980 + (*packed >> 9), (*packed >> 5) & 0x0F, *packed & 0x1F);
    return date.isValid() ? std::optional<QString>(date.toString(Qt::ISODate)) : std::nullopt;
}

PropertyBag batteryProperties(const SmbiosStructure &battery, int, const Firmware &firmware)
{
    PropertyBag bag;
    bag.logicalDevice(ClassName, firmware.systemName())
        .text(QStringLiteral("Caption"), Label)
        .text(QStringLiteral("Description"), Label)
        .text(QStringLiteral("Name"), Label)
        .text(QStringLiteral("DeviceID"), battery.string(0x08))
        .text(QStringLiteral("Location"), battery.string(0x04))
        .text(QStringLiteral("Manufacturer"), battery.string(0x05))
        .text(QStringLiteral("SmartBatteryVersion"), battery.string(0x0E));

    std::optional<QString> made = battery.string(0x06);
    if (!made)
        made = sbdsDate(battery.word(0x12));
    bag.text(QStringLiteral("ManufactureDate"), made);

    std::optional<quint8> chemistry = battery.byte(0x09);
    if (chemistry == ChemistryUnknown) {
        if (const std::optional<int> sbds = chemistryFromSbds(battery.string(0x14).value_or(QString())))
            chemistry = quint8(*sbds);
    }
    bag.integer(QStringLiteral("Chemistry"), chemistry);

    const quint8 multiplier = battery.byte(0x15).value_or(1);
    bag.integer(QStringLiteral("CapacityMultiplier"), battery.byte(0x15));
    if (const std::optional<quint16> capacity = battery.word(0x0A); capacity && *capacity != 0 && multiplier != 0)
        bag.unsignedInteger(QStringLiteral("DesignCapacity"), quint64(*capacity) * multiplier);
    if (const std::optional<quint16> millivolts = battery.word(0x0C); millivolts && *millivolts != 0)
        bag.unsignedInteger(QStringLiteral("DesignVoltage"), *millivolts);
    if (const std::optional<quint8> error = battery.byte(0x0F); error && *error != UnknownError)
        bag.integer(QStringLiteral("MaxBatteryError"), *error);
    return bag;
}

} // namespace

std::vector<Instance> portableBatteryInstances(const FirmwarePtr &firmware)
{
    return structureInstances(firmware, BatteryType, Label, batteryProperties);
}

void registerPortableBattery(ClassTable &table)
{
    provideFirmware(table, ClassName, portableBatteryInstances);
}

} // namespace inventory::linuxsource
