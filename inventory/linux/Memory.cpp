// Win32_PhysicalMemory and Win32_PhysicalMemoryArray: the memory modules and
// the slots they sit in, from SMBIOS types 16, 17 and 20, or, for users who
// may not read the table, from udev's record of the same types.
#include "ClassTable.h"
#include "Firmware.h"
#include "SmbiosDecode.h"

#include <QRegularExpression>

#include <cmath>
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
    std::optional<int> rank;
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

std::vector<Module> modulesFromTable(const SmbiosTable &table)
{
    std::map<quint16, const SmbiosStructure *> mappedByDevice;
    for (const SmbiosStructure *mapped : table.ofType(DeviceMappedType))
        if (const std::optional<quint16> device = mapped->word(0x0C))
            mappedByDevice.try_emplace(*device, mapped);

    std::vector<Module> modules;
    int slot = 0;
    for (const SmbiosStructure *device : table.ofType(DeviceType)) {
        Module m;
        m.slot = slot++;
        m.bytes = memoryDeviceBytes(*device);
        if (m.bytes == quint64(0))
            continue; // an empty slot
        m.totalWidth = width(*device, 0x08);
        m.dataWidth = width(*device, 0x0A);
        m.formFactor = device->byte(0x0E);
        m.locator = device->string(0x10);
        m.bank = device->string(0x11);
        m.memoryType = device->byte(0x12);
        m.typeDetail = device->word(0x13);
        m.speed = memoryDeviceSpeed(*device, 0x15, 0x54);
        m.manufacturer = device->string(0x17);
        m.serial = device->string(0x18);
        m.assetTag = device->string(0x19);
        m.partNumber = device->string(0x1A);
        if (const std::optional<quint8> attributes = device->byte(0x1B); attributes && (*attributes & 0x0F))
            m.rank = *attributes & 0x0F;
        m.configuredSpeed = memoryDeviceSpeed(*device, 0x20, 0x58);
        m.minMillivolts = millivolts(*device, 0x22);
        m.maxMillivolts = millivolts(*device, 0x24);
        m.configuredMillivolts = millivolts(*device, 0x26);
        if (const auto found = mappedByDevice.find(device->handle()); found != mappedByDevice.end()) {
            m.positionInRow = placement(*found->second, 0x10);
            m.interleavePosition = placement(*found->second, 0x11);
            m.interleaveDataDepth = placement(*found->second, 0x12);
        }
        modules.push_back(std::move(m));
    }
    return modules;
}

// udev's helper numbers every memory-device record as the table does and
// writes MEMORY_DEVICE_<n>_<FIELD>, strings stripped, sizes in bytes and
// voltages in volts.
std::vector<Module> modulesFromUdev(const QHash<QString, QString> &udev)
{
    static const QRegularExpression key(QStringLiteral("^MEMORY_DEVICE_(\\d{1,5})_([A-Z_]+)$"));
    std::map<int, QHash<QString, QString>> slots;
    for (auto it = udev.cbegin(); it != udev.cend(); ++it) {
        const QRegularExpressionMatch m = key.match(it.key());
        if (m.hasMatch())
            slots[m.captured(1).toInt()].insert(m.captured(2), it.value());
    }
    const auto text = [](const QHash<QString, QString> &f, const char *name) -> std::optional<QString> {
        const QString value = f.value(QLatin1String(name));
        return value.trimmed().isEmpty() ? std::nullopt : std::optional<QString>(value);
    };
    const auto number = [](const QHash<QString, QString> &f, const char *name) -> std::optional<quint64> {
        bool ok = false;
        const quint64 value = f.value(QLatin1String(name)).trimmed().toULongLong(&ok);
        return ok && value > 0 ? std::optional<quint64>(value) : std::nullopt;
    };
    const auto volts = [](const QHash<QString, QString> &f, const char *name) -> std::optional<quint32> {
        bool ok = false;
        const double value = f.value(QLatin1String(name)).trimmed().toDouble(&ok);
        return ok && value > 0 && value < 100 ? std::optional<quint32>(quint32(std::lround(value * 1000))) : std::nullopt;
    };
    const auto narrow = [](std::optional<quint64> v, quint64 max) {
        return v && *v <= max ? std::optional<quint32>(quint32(*v)) : std::nullopt;
    };

    std::vector<Module> modules;
    for (const auto &[slot, f] : slots) {
        if (f.value(QStringLiteral("PRESENT")) == QLatin1String("0"))
            continue;
        Module m;
        m.slot = slot;
        m.bytes = number(f, "SIZE");
        m.locator = text(f, "LOCATOR");
        m.bank = text(f, "BANK_LOCATOR");
        m.manufacturer = text(f, "MANUFACTURER");
        m.serial = text(f, "SERIAL_NUMBER");
        m.assetTag = text(f, "ASSET_TAG");
        m.partNumber = text(f, "PART_NUMBER");
        m.formFactor = memoryFormFactorCode(f.value(QStringLiteral("FORM_FACTOR")));
        m.memoryType = memoryTypeCode(f.value(QStringLiteral("TYPE")));
        m.typeDetail = memoryTypeDetailMask(f.value(QStringLiteral("TYPE_DETAIL")));
        if (const std::optional<quint32> bits = narrow(number(f, "TOTAL_WIDTH"), UnknownWidth - 1))
            m.totalWidth = quint16(*bits);
        if (const std::optional<quint32> bits = narrow(number(f, "DATA_WIDTH"), UnknownWidth - 1))
            m.dataWidth = quint16(*bits);
        m.speed = narrow(number(f, "SPEED_MTS"), 0x7FFFFFFF);
        m.configuredSpeed = narrow(number(f, "CONFIGURED_SPEED_MTS"), 0x7FFFFFFF);
        if (const std::optional<quint32> rank = narrow(number(f, "RANK"), 0x0F))
            m.rank = int(*rank);
        m.minMillivolts = volts(f, "MINIMUM_VOLTAGE");
        m.maxMillivolts = volts(f, "MAXIMUM_VOLTAGE");
        m.configuredMillivolts = volts(f, "CONFIGURED_VOLTAGE");
        modules.push_back(std::move(m));
    }
    return modules;
}

std::vector<Module> modules(const Firmware &firmware)
{
    if (firmware.table().first(DeviceType))
        return modulesFromTable(firmware.table());
    return modulesFromUdev(firmware.udev());
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

// udev records only system-memory arrays, and one set of MEMORY_ARRAY_* keys
// however many arrays there are.
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
    bool ok = false;
    const quint64 bytes = udev.value(QStringLiteral("MEMORY_ARRAY_MAX_CAPACITY")).toULongLong(&ok);
    if (ok && bytes > 0) {
        if (bytes / 1024 <= 0xFFFFFFFF)
            bag.unsignedInteger(QStringLiteral("MaxCapacity"), bytes / 1024);
        bag.unsignedInteger(QStringLiteral("MaxCapacityEx"), bytes / 1024);
    }
    const uint devices = udev.value(QStringLiteral("MEMORY_ARRAY_NUM_DEVICES")).toUInt(&ok);
    if (ok && devices > 0 && devices <= 0xFFFF)
        bag.integer(QStringLiteral("MemoryDevices"), devices);
    return bag;
}

} // namespace

std::vector<Instance> physicalMemoryInstances(const FirmwarePtr &firmware)
{
    std::vector<Instance> instances;
    for (Module &m : modules(*firmware))
        instances.push_back(firmwareInstance(ModuleLabel, firmware, [m = std::move(m)](const Firmware &) {
            return moduleProperties(m);
        }));
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

void registerMemory(ClassTable &table)
{
    provideFirmware(table, ModuleClass, physicalMemoryInstances);
    provideFirmware(table, ArrayClass, physicalMemoryArrayInstances);
}

} // namespace inventory::linuxsource
