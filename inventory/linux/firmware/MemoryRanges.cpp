// Win32_MemoryArray, Win32_MemoryDevice and their abstract parent
// Win32_SMBIOSMemory: the address ranges the firmware maps memory to (SMBIOS
// types 19 and 20), in KB as WMI gives them.
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/firmware/Firmware.h"
#include "inventory/linux/firmware/SmbiosDecode.h"

namespace inventory::linuxsource {

namespace {

struct RangeKind
{
    QString className;
    QString label;
    quint8 type;
    // Where the 64-bit byte addresses start.
    int extendedOffset;
};

const RangeKind ArrayRanges{QStringLiteral("Win32_MemoryArray"), QStringLiteral("Memory Array"), 19, 0x0F};
const RangeKind DeviceRanges{QStringLiteral("Win32_MemoryDevice"), QStringLiteral("Memory Device"), 20, 0x13};

PropertyBag rangeProperties(const RangeKind &kind, const SmbiosStructure &s, int index, const Firmware &firmware)
{
    PropertyBag bag;
    bag.logicalDevice(kind.className, firmware.systemName())
        .text(QStringLiteral("Caption"), kind.label)
        .text(QStringLiteral("Description"), kind.label)
        .text(QStringLiteral("Name"), kind.label)
        .text(QStringLiteral("DeviceID"), QStringLiteral("%1 %2").arg(kind.label).arg(index));
    if (const std::optional<KbRange> range = mappedRangeKb(s, kind.extendedOffset))
        bag.unsignedInteger(QStringLiteral("StartingAddress"), range->start)
            .unsignedInteger(QStringLiteral("EndingAddress"), range->end);
    return bag;
}

} // namespace

std::vector<Instance> memoryArrayInstances(const FirmwarePtr &firmware)
{
    return structureInstances(firmware, ArrayRanges.type, ArrayRanges.label, [](const SmbiosStructure &s, int i, const Firmware &fw) {
        return rangeProperties(ArrayRanges, s, i, fw);
    });
}

std::vector<Instance> memoryDeviceInstances(const FirmwarePtr &firmware)
{
    return structureInstances(firmware, DeviceRanges.type, DeviceRanges.label, [](const SmbiosStructure &s, int i, const Firmware &fw) {
        return rangeProperties(DeviceRanges, s, i, fw);
    });
}

// The parent class has no instances of its own: it lists its subclasses'.
std::vector<Instance> smbiosMemoryInstances(const FirmwarePtr &firmware)
{
    std::vector<Instance> instances = memoryArrayInstances(firmware);
    std::vector<Instance> devices = memoryDeviceInstances(firmware);
    instances.insert(instances.end(), std::make_move_iterator(devices.begin()), std::make_move_iterator(devices.end()));
    return instances;
}

void registerMemoryRanges(ClassTable &table)
{
    provideFirmware(table, ArrayRanges.className, memoryArrayInstances);
    provideFirmware(table, DeviceRanges.className, memoryDeviceInstances);
    provideFirmware(table, QStringLiteral("Win32_SMBIOSMemory"), smbiosMemoryInstances);
}

} // namespace inventory::linuxsource
