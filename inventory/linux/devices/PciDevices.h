#pragma once

#include "inventory/linux/devices/PnpDevice.h"
#include "inventory/linux/reading/SysfsDevice.h"

#include <optional>
#include <vector>

namespace inventory::linuxsource {

// One PCI function with the ids that name and file it.
struct PciFunction
{
    SysfsDevice device;
    quint16 vendor = 0;
    quint16 deviceId = 0;
    quint32 classCode = 0; // base class, subclass, programming interface

    quint8 baseClass() const { return quint8(classCode >> 16); }
    quint8 subClass() const { return quint8(classCode >> 8); }
    quint8 programmingInterface() const { return quint8(classCode); }
    // 0x0106 for a SATA controller.
    quint16 classWord() const { return quint16(classCode >> 8); }
    QString address() const { return device.name(); }
};

// The ids that only a full identity needs.
struct PciSubsystem
{
    quint16 vendor = 0;
    quint16 device = 0;
    std::optional<quint8> revision;
};

PciFunction readPciFunction(const SysfsDevice &device);
// "0000:00:1f.2": how a PCI function is named in sysfs.
bool isPciAddress(const QString &name);
// From the function's attributes; where a kernel or a capture leaves them
// out, from the head of config space that every user may read, then from
// the modalias.
PciSubsystem readPciSubsystem(const SysfsDevice &device);

// The machine's PCI functions in address order, those of the classes the
// filter wants (all without one): the device tree's, and any only the bus
// list names.
std::vector<PciFunction> pciFunctions(const MachineRoot &root, const std::function<bool(quint32 classCode)> &wanted = {});

// The device name from the ID database, or "PCI device 8086:a2af".
QString pciName(const PciFunction &function);
std::optional<QString> pciVendorName(const PciFunction &function);

// PCI\VEN_8086&DEV_A2AF&SUBSYS_86941043&REV_00\0000:00:14.0
QString pciDeviceId(const PciFunction &function);

// Bridges are run by the PCI core itself; every other function needs a
// driver of its own.
DriverState pciDriverState(const PciFunction &function);

// Win32_PnPEntity's view of a function.
PnpDetails pciDetails(const PciFunction &function);

} // namespace inventory::linuxsource
