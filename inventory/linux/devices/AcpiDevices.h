#pragma once

#include "inventory/linux/devices/PnpDevice.h"

namespace inventory::linuxsource {

// The firmware's devices (ACPI, or PnP BIOS on machines before ACPI) that
// carry the given id ("PNP0700") as their own.
std::vector<PnpDevice> firmwareDevicesWithId(const MachineRoot &root, const QString &id);

} // namespace inventory::linuxsource
