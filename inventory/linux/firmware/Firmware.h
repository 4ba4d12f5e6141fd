#pragma once

#include "inventory/Instrumentation.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/reading/PropertyBag.h"
#include "inventory/linux/firmware/Smbios.h"
#include "inventory/linux/system/HostFacts.h"

#include <QHash>

#include <memory>
#include <optional>
#include <vector>

namespace inventory::linuxsource {

class ClassTable;

// One reading of what the firmware says about the machine, shared by the
// instances of one enumeration. The SMBIOS table is readable by root only;
// for everybody else the kernel's identity strings (sys/class/dmi/id) and
// udev's record of the memory modules stand in, kind by kind, never beside
// the table's own records of the same kind.
class Firmware
{
public:
    static std::shared_ptr<const Firmware> read(const MachineRoot &root);
    // A table with no machine around it (tests and fuzzing).
    static std::shared_ptr<const Firmware> fromTable(SmbiosTable table);

    const SmbiosTable &table() const { return m_table; }
    // sys/class/dmi/id/<name>, none when missing, unreadable or blank.
    std::optional<QString> dmiId(const char *name) const;
    // udev's properties of dmi:id (MEMORY_DEVICE_*, MEMORY_ARRAY_*); read only
    // when the table holds no memory device of its own.
    const QHash<QString, QString> &udev() const { return m_udev; }
    // The firmware described the machine at all: a table, or identity strings.
    bool present() const;

    // The machine around the firmware, for the few facts classes add from
    // elsewhere (bus types, CPU caches); absent for a bare table.
    const std::optional<MachineRoot> &root() const { return m_root; }
    const QString &systemName() const { return m_systemName; }

private:
    SmbiosTable m_table;
    QHash<QString, QString> m_udev;
    std::optional<MachineRoot> m_root;
    QString m_systemName;
};

using FirmwarePtr = std::shared_ptr<const Firmware>;
using FirmwareBuilder = std::vector<Instance> (*)(const FirmwarePtr &);

// Registers a class built from the firmware, read afresh for each enumeration.
void provideFirmware(ClassTable &table, const QString &className, FirmwareBuilder build);

// The CIM_PhysicalElement constants: the class, its fixed label as Caption,
// Description and Name, and the Tag that tells instances apart.
PropertyBag physicalElement(const QString &className, const QString &label, const QString &tag);

// An instance whose properties are built when asked for, from the shared
// reading. The instance keeps the reading alive, so build may hold pointers to
// structures of its table.
template<typename Build>
Instance firmwareInstance(const QString &caption, const FirmwarePtr &firmware, Build build)
{
    return Instance(caption.isEmpty() ? Value::null() : Value::text(caption),
                    [firmware, build] { return build(*firmware).take(); });
}

// One instance per structure of a type, in table order, built by
// build(structure, index among them, firmware).
template<typename Build>
std::vector<Instance> structureInstances(const FirmwarePtr &firmware, quint8 type, const QString &caption, Build build)
{
    std::vector<Instance> instances;
    const std::vector<const SmbiosStructure *> structures = firmware->table().ofType(type);
    for (int i = 0; i < int(structures.size()); ++i)
        instances.push_back(firmwareInstance(caption, firmware, [build, s = structures[i], i](const Firmware &fw) {
            return build(*s, i, fw);
        }));
    return instances;
}

// The builders of every class the firmware fills, one per class.
std::vector<Instance> biosInstances(const FirmwarePtr &firmware);
std::vector<Instance> baseBoardInstances(const FirmwarePtr &firmware);
std::vector<Instance> motherboardDeviceInstances(const FirmwarePtr &firmware);
std::vector<Instance> systemEnclosureInstances(const FirmwarePtr &firmware);
std::vector<Instance> physicalMemoryInstances(const FirmwarePtr &firmware);
std::vector<Instance> physicalMemoryArrayInstances(const FirmwarePtr &firmware);
std::vector<Instance> memoryArrayInstances(const FirmwarePtr &firmware);
std::vector<Instance> memoryDeviceInstances(const FirmwarePtr &firmware);
std::vector<Instance> smbiosMemoryInstances(const FirmwarePtr &firmware);
std::vector<Instance> portConnectorInstances(const FirmwarePtr &firmware);
// Every memory device record, empty slots included, from the table or udev.
std::vector<MemorySlot> readMemorySlots(const Firmware &firmware);
std::vector<Instance> systemSlotInstances(const FirmwarePtr &firmware);
std::vector<Instance> onBoardDeviceInstances(const FirmwarePtr &firmware);
std::vector<Instance> portableBatteryInstances(const FirmwarePtr &firmware);
std::vector<Instance> cacheMemoryInstances(const FirmwarePtr &firmware);
std::vector<Instance> voltageProbeInstances(const FirmwarePtr &firmware);
std::vector<Instance> temperatureProbeInstances(const FirmwarePtr &firmware);
std::vector<Instance> currentProbeInstances(const FirmwarePtr &firmware);
std::vector<Instance> fanInstances(const FirmwarePtr &firmware);
std::vector<Instance> heatPipeInstances(const FirmwarePtr &firmware);
std::vector<Instance> refrigerationInstances(const FirmwarePtr &firmware);
// Every builder above, for callers that exercise them all (tests, fuzzing).
const std::vector<FirmwareBuilder> &firmwareBuilders();
// The firmware's share of classes that other sources start.
void addFirmwareComputerProperties(PropertyBag &bag, const Firmware &firmware);
void addFirmwareProcessorProperties(PropertyBag &bag, const Firmware &firmware, int package);

} // namespace inventory::linuxsource
