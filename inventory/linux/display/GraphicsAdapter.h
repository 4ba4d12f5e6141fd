#pragma once

#include "inventory/linux/display/Drm.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/reading/SysfsDevice.h"

#include <optional>
#include <vector>

namespace inventory::linuxsource {

// A display adapter: a PCI display-class function (VGA, XGA, 3D controller,
// other display controller) or a non-PCI device with a DRM card that drives
// outputs (the display controller of a system on chip).
struct GraphicsAdapter
{
    SysfsDevice device;
    QString pciAddress;    // "0000:09:00.0"; empty off PCI
    quint32 pciClass = 0;  // 0x030000
    std::optional<DrmCard> card;
};

// In PCI address order, then the other cards in card order.
std::vector<GraphicsAdapter> graphicsAdapters(const MachineRoot &root);

// "Vega 10 XL/XT [Radeon RX Vega 56/64]": the board's own name where the
// driver knows one, else the ID database's, else "PCI device 1002:687f".
QString adapterName(const GraphicsAdapter &adapter);
// The chip's name from the ID database, which a board name may hide.
std::optional<QString> adapterChip(const GraphicsAdapter &adapter);
// The chip maker from the ID database.
std::optional<QString> adapterVendor(const GraphicsAdapter &adapter);
// The kernel driver bound to the adapter ("amdgpu"), empty when none.
QString adapterDriver(const GraphicsAdapter &adapter);
// True when a driver runs the adapter, even where a capture lost the link.
bool adapterHasDriver(const GraphicsAdapter &adapter);
// The driver's own version, or the kernel's for a driver that is part of it.
std::optional<QString> driverVersion(const MachineRoot &root, const GraphicsAdapter &adapter);
// Dedicated video memory in bytes where the driver tells it (amdgpu).
std::optional<quint64> videoMemory(const GraphicsAdapter &adapter);
// PCI\VEN_1002&DEV_687F&SUBSYS_04C41043&REV_C1\0000:09:00.0, or empty off PCI.
QString adapterPnpDeviceId(const GraphicsAdapter &adapter);
// The adapter the firmware set up for the boot console, else the first.
std::optional<size_t> bootAdapter(const std::vector<GraphicsAdapter> &adapters);

} // namespace inventory::linuxsource
