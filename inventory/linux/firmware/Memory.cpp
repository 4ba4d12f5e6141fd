// Win32_PhysicalMemory and Win32_PhysicalMemoryArray: the memory modules and
// the slots they sit in, from SMBIOS types 16, 17 and 20, or, for users who
// may not read the table, from udev's record of the same types.
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/firmware/Firmware.h"
#include "inventory/linux/firmware/SmbiosDecode.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>
#include <map>

namespace inventory::linuxsource {

namespace {

const QString ModuleClass = QStringLiteral("Win32_PhysicalMemory");
const QString ArrayClass = QStringLiteral("Win32_PhysicalMemoryArray");
const QString ModuleLabel = QStringLiteral("Physical Memory");
const QString ArrayLabel = QStringLiteral("Physical Memory Array");

enum Type : quint8 { ArrayType = 16, DeviceType = 17, DeviceMappedType = 20 };
constexpr quint16 UnknownWidth = 0xFFFF;
constexpr quint8 UnknownPosition = 0xFF;
constexpr quint8 SystemMemoryUse = 3;
constexpr quint8 NoErrorCorrection = 3;
// udev's device numbers are text; a number past any real table is no slot.
constexpr int MaxSlotRecords = 1024;

// One module as both sources describe it.
struct Module
{
    // Counts every memory-device record, empty slots included, as WMI's Tag does.
    int slot = 0;
    std::optional<quint64> bytes;
    std::optional<QString> locator, bank, manufacturer, serial, assetTag, partNumber;
    std::optional<quint8> formFactor, memoryType;
    std::optional<quint16> typeDetail, totalWidth, dataWidth;
    std::optional<quint32> speed, configuredSpeed, minMillivolts, maxMillivolts, configuredMillivolts;
    std::optional<quint64> rank;
    // Type 20 placement, where the table has it.
    std::optional<int> positionInRow, interleavePosition, interleaveDataDepth;
};

std::optional<quint16> width(const SmbiosStructure &s, int offset)
{
    const std::optional<quint16> bits = s.word(offset);
    if (!bits || *bits == 0 || *bits == UnknownWidth)
        return std::nullopt;
    return bits;
}

std::optional<quint32> millivolts(const SmbiosStructure &s, int offset)
{
    const std::optional<quint16> mv = s.word(offset);
    return mv && *mv != 0 ? std::optional<quint32>(*mv) : std::nullopt;
}

std::optional<int> placement(const SmbiosStructure &mapped, int offset)
{
    const std::optional<quint8> value = mapped.byte(offset);
    return value && *value != UnknownPosition ? std::optional<int>(*value) : std::nullopt;
}

Module moduleFromTable(const SmbiosTable &table, const SmbiosStructure &device, int slot)
{
    Module m;
    m.slot = slot;
    m.bytes = memoryDeviceBytes(device);
    m.totalWidth = width(device, 0x08);
    m.dataWidth = width(device, 0x0A);
    m.formFactor = device.byte(0x0E);
    m.locator = device.string(0x10);
    m.bank = device.string(0x11);
    m.memoryType = device.byte(0x12);
    m.typeDetail = device.word(0x13);
    m.speed = memoryDeviceSpeed(device, 0x15, 0x54);
    m.manufacturer = device.string(0x17);
    m.serial = device.string(0x18);
    m.assetTag = device.string(0x19);
    m.partNumber = device.string(0x1A);
    if (const std::optional<quint8> attributes = device.byte(0x1B); attributes && (*attributes & 0x0F))
        m.rank = *attributes & 0x0F;
    m.configuredSpeed = memoryDeviceSpeed(device, 0x20, 0x58);
    m.minMillivolts = millivolts(device, 0x22);
    m.maxMillivolts = millivolts(device, 0x24);
    m.configuredMillivolts = millivolts(device, 0x26);
    for (const SmbiosStructure *mapped : table.ofType(DeviceMappedType)) {
        if (mapped->word(0x0C) != device.handle())
            continue;
        m.positionInRow = placement(*mapped, 0x10);
        m.interleavePosition = placement(*mapped, 0x11);
        m.interleaveDataDepth = placement(*mapped, 0x12);
        break;
    }
    return m;
}

// udev's helper writes "Not Specified" and "<BAD INDEX>" where the table has
// no string; those are no value, as they are in the table.
std::optional<QString> udevText(const QHash<QString, QString> &fields, const char *name)
{
    const QString value = fields.value(QLatin1String(name));
    if (value.trimmed().isEmpty() || value == QLatin1String("Not Specified") || value == QLatin1String("<BAD INDEX>"))
        return std::nullopt;
    return value;
}

std::optional<quint64> udevNumber(const QHash<QString, QString> &fields, const char *name, quint64 max)
{
    bool ok = false;
    const quint64 value = fields.value(QLatin1String(name)).trimmed().toULongLong(&ok);
    return ok && value > 0 && value <= max ? std::optional<quint64>(value) : std::nullopt;
}

std::optional<quint32> udevMillivolts(const QHash<QString, QString> &fields, const char *name)
{
    bool ok = false;
    const double volts = fields.value(QLatin1String(name)).trimmed().toDouble(&ok);
    if (!ok || volts <= 0 || volts >= 100)
        return std::nullopt;
    return quint32(std::lround(volts * 1000));
}

// udev's helper numbers every memory-device record as the table does and
// writes MEMORY_DEVICE_<n>_<FIELD>, strings stripped, sizes in bytes and
// voltages in volts.
Module moduleFromUdev(const QHash<QString, QString> &f, int slot)
{
    constexpr quint64 MaxSpeed = 0x7FFFFFFF;
    Module m;
    m.slot = slot;
    m.bytes = udevNumber(f, "SIZE", std::numeric_limits<quint64>::max());
    m.locator = udevText(f, "LOCATOR");
    m.bank = udevText(f, "BANK_LOCATOR");
    m.manufacturer = udevText(f, "MANUFACTURER");
    m.serial = udevText(f, "SERIAL_NUMBER");
    m.assetTag = udevText(f, "ASSET_TAG");
    m.partNumber = udevText(f, "PART_NUMBER");
    m.formFactor = memoryFormFactorCode(f.value(QStringLiteral("FORM_FACTOR")));
    m.memoryType = memoryTypeCode(f.value(QStringLiteral("TYPE")));
    m.typeDetail = memoryTypeDetailMask(f.value(QStringLiteral("TYPE_DETAIL")));
    m.totalWidth = udevNumber(f, "TOTAL_WIDTH", UnknownWidth - 1);
    m.dataWidth = udevNumber(f, "DATA_WIDTH", UnknownWidth - 1);
    m.speed = udevNumber(f, "SPEED_MTS", MaxSpeed);
    m.configuredSpeed = udevNumber(f, "CONFIGURED_SPEED_MTS", MaxSpeed);
    m.rank = udevNumber(f, "RANK", 0x0F);
    m.minMillivolts = udevMillivolts(f, "MINIMUM_VOLTAGE");
    m.maxMillivolts = udevMillivolts(f, "MAXIMUM_VOLTAGE");
    m.configuredMillivolts = udevMillivolts(f, "CONFIGURED_VOLTAGE");
    return m;
}

// udev's keys of each memory device, by the helper's device number.
std::map<int, QHash<QString, QString>> udevSlots(const QHash<QString, QString> &udev)
{
    static const QRegularExpression key(QStringLiteral("^MEMORY_DEVICE_(\\d{1,5})_([A-Z_]+)$"));
    std::map<int, QHash<QString, QString>> slots;
    for (auto it = udev.cbegin(); it != udev.cend(); ++it) {
        const QRegularExpressionMatch m = key.match(it.key());
        if (m.hasMatch())
            slots[m.captured(1).toInt()].insert(m.captured(2), it.value());
    }
    return slots;
}

PropertyBag moduleProperties(const Module &m)
{
    PropertyBag bag = physicalElement(ModuleClass, ModuleLabel, QStringLiteral("Physical Memory %1").arg(m.slot));
    bag.unsignedInteger(QStringLiteral("Capacity"), m.bytes)
        .text(QStringLiteral("DeviceLocator"), m.locator)
        .text(QStringLiteral("BankLabel"), m.bank)
        .text(QStringLiteral("Manufacturer"), m.manufacturer)
        .text(QStringLiteral("SerialNumber"), m.serial)
        .text(QStringLiteral("PartNumber"), m.partNumber)
        .unsignedInteger(QStringLiteral("TotalWidth"), m.totalWidth)
        .unsignedInteger(QStringLiteral("DataWidth"), m.dataWidth)
        .unsignedInteger(QStringLiteral("Speed"), m.speed)
        .unsignedInteger(QStringLiteral("ConfiguredClockSpeed"), m.configuredSpeed)
        .unsignedInteger(QStringLiteral("MinVoltage"), m.minMillivolts)
        .unsignedInteger(QStringLiteral("MaxVoltage"), m.maxMillivolts)
        .unsignedInteger(QStringLiteral("ConfiguredVoltage"), m.configuredMillivolts)
        .unsignedInteger(QStringLiteral("TypeDetail"), m.typeDetail)
        .integer(QStringLiteral("Attributes"), m.rank)
        .integer(QStringLiteral("PositionInRow"), m.positionInRow)
        .integer(QStringLiteral("InterleavePosition"), m.interleavePosition)
        .integer(QStringLiteral("InterleaveDataDepth"), m.interleaveDataDepth);
    if (m.formFactor)
        bag.integer(QStringLiteral("FormFactor"), cimFormFactor(*m.formFactor));
    if (m.memoryType) {
        bag.integer(QStringLiteral("MemoryType"), cimMemoryType(*m.memoryType))
            .integer(QStringLiteral("SMBIOSMemoryType"), *m.memoryType);
    }
    return bag;
}

PropertyBag arrayFromTable(const SmbiosStructure &array, int index, const Firmware &)
{
    PropertyBag bag = physicalElement(ArrayClass, ArrayLabel, QStringLiteral("Physical Memory Array %1").arg(index));
    bag.integer(QStringLiteral("Location"), array.byte(0x04))
        .integer(QStringLiteral("Use"), array.byte(0x05))
        .integer(QStringLiteral("MemoryErrorCorrection"), array.byte(0x06))
        .integer(QStringLiteral("MemoryDevices"), array.word(0x0D));
    if (const std::optional<quint64> kb = memoryArrayMaxCapacityKb(array)) {
        // MaxCapacity is 32-bit; past 4 TB only MaxCapacityEx can say it.
        if (*kb <= 0xFFFFFFFF)
            bag.unsignedInteger(QStringLiteral("MaxCapacity"), *kb);
        bag.unsignedInteger(QStringLiteral("MaxCapacityEx"), *kb);
    }
    return bag;
}

// udev records only system-memory arrays, and keeps one set of MEMORY_ARRAY_*
// keys however many arrays there are: the last array's capacity and the count
// of every memory-device record (a VM's 64-slot array with 128 records gives
// 128). Neither can be trusted for "the" array, so only what arrays share is
// shown.
PropertyBag arrayFromUdev(const QHash<QString, QString> &udev)
{
    PropertyBag bag = physicalElement(ArrayClass, ArrayLabel, QStringLiteral("Physical Memory Array 0"));
    bag.integer(QStringLiteral("Use"), SystemMemoryUse);
    if (const std::optional<quint8> location = memoryArrayLocationCode(udev.value(QStringLiteral("MEMORY_ARRAY_LOCATION"))))
        bag.integer(QStringLiteral("Location"), *location);
    // The helper leaves the key out when the array has no error correction.
    const QString correction = udev.value(QStringLiteral("MEMORY_ARRAY_EC_TYPE"));
    bag.integer(QStringLiteral("MemoryErrorCorrection"),
                correction.isEmpty() ? std::optional<quint8>(NoErrorCorrection) : errorCorrectionCode(correction));
    return bag;
}

} // namespace

std::vector<Instance> physicalMemoryInstances(const FirmwarePtr &firmware)
{
    std::vector<Instance> instances;
    const std::vector<const SmbiosStructure *> devices = firmware->table().ofType(DeviceType);
    if (!devices.empty()) {
        for (int slot = 0; slot < int(devices.size()); ++slot) {
            if (memoryDeviceBytes(*devices[slot]) == quint64(0))
                continue; // an empty slot
            instances.push_back(firmwareInstance(ModuleLabel, firmware, [s = devices[slot], slot](const Firmware &fw) {
                return moduleProperties(moduleFromTable(fw.table(), *s, slot));
            }));
        }
        return instances;
    }
    for (const auto &[slot, fields] : udevSlots(firmware->udev())) {
        if (fields.value(QStringLiteral("PRESENT")) == QLatin1String("0"))
            continue;
        instances.push_back(firmwareInstance(ModuleLabel, firmware, [fields = fields, slot = slot](const Firmware &) {
            return moduleProperties(moduleFromUdev(fields, slot));
        }));
    }
    return instances;
}

std::vector<Instance> physicalMemoryArrayInstances(const FirmwarePtr &firmware)
{
    std::vector<Instance> instances = structureInstances(firmware, ArrayType, ArrayLabel, arrayFromTable);
    if (instances.empty() && firmware->udev().contains(QStringLiteral("MEMORY_ARRAY_LOCATION")))
        instances.push_back(firmwareInstance(ArrayLabel, firmware, [](const Firmware &fw) {
            return arrayFromUdev(fw.udev());
        }));
    return instances;
}

std::vector<MemorySlot> readMemorySlots(const Firmware &firmware)
{
    std::vector<MemorySlot> slots;
    const std::vector<const SmbiosStructure *> devices = firmware.table().ofType(DeviceType);
    if (!devices.empty()) {
        for (const SmbiosStructure *device : devices) {
            QString locator = device->string(0x10).value_or(QString()).trimmed();
            if (locator.isEmpty())
                locator = device->string(0x11).value_or(QString()).trimmed();
            slots.push_back({locator, memoryDeviceBytes(*device) != quint64(0)});
        }
        return slots;
    }
    // udev numbers the records from 0 as the table does; a gap is a record it
    // could not read, still a slot.
    for (const auto &[slot, fields] : udevSlots(firmware.udev())) {
        if (slot >= MaxSlotRecords)
            break;
        slots.resize(std::max(slots.size(), size_t(slot) + 1));
        slots[slot] = {udevText(fields, "LOCATOR").value_or(udevText(fields, "BANK_LOCATOR").value_or(QString())),
                       fields.value(QStringLiteral("PRESENT")) != QLatin1String("0")};
    }
    return slots;
}

void registerMemory(ClassTable &table)
{
    provideFirmware(table, ModuleClass, physicalMemoryInstances);
    provideFirmware(table, ArrayClass, physicalMemoryArrayInstances);
}

} // namespace inventory::linuxsource
