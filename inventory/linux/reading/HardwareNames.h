#pragma once

#include "inventory/linux/reading/SysfsDevice.h"

#include <QString>

#include <optional>

namespace inventory::linuxsource {

// The name of the USB or PCI device that carries a device (a network
// interface, a sound card, a serial port): the ID database's name, the
// device's own product string, or "PCI device 8086:a2af" text. Nothing when
// the device sits on neither bus.
std::optional<QString> busDeviceName(const SysfsDevice &device);
// Its maker, from the ID database or the device's own string.
std::optional<QString> busDeviceMaker(const SysfsDevice &device);

// The Windows-style id of the firmware (ACPI/PnP), USB or PCI device that
// carries a device: ACPI\PNP0501\00:05 for a PnP device (its first id and
// its Linux name), else as pnpDeviceIdOf, except that a USB device with a
// single interface is named by the device, as Windows does. Empty when none
// carries it.
QString carrierPnpDeviceId(const SysfsDevice &device);

} // namespace inventory::linuxsource
