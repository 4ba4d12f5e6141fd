#pragma once

#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/reading/SysfsDevice.h"

#include <QByteArray>
#include <QStringList>

#include <optional>
#include <vector>

namespace inventory::linuxsource {

// A display output of a DRM card (sys/class/drm/card0-DP-1).
struct DrmConnector
{
    QString card; // "card0"
    QString name; // "DP-1"
    QString dir;  // relative to the root
    QString fullName() const { return card + QLatin1Char('-') + name; }
};

// A kernel display device (sys/class/drm/card0) and the hardware behind it.
struct DrmCard
{
    QString name; // "card0"
    QString dir;
    SysfsDevice device;
};

// What sysfs tells about one output.
struct DrmOutputState
{
    bool connected = false;
    // Driving a picture; absent where the kernel does not say.
    std::optional<bool> enabled;
    QString dpms; // "On", "Standby", "Suspend", "Off"
};

// A mode name from a connector's modes file: "1920x1080", "1920x1080i".
struct DrmModeName
{
    int width = 0;
    int height = 0;
    bool interlaced = false;
};

// The cards in number order; render nodes and connectors are not cards.
std::vector<DrmCard> drmCards(const MachineRoot &root);
std::vector<DrmConnector> drmConnectors(const MachineRoot &root, const DrmCard &card);
DrmOutputState drmOutputState(const MachineRoot &root, const DrmConnector &connector);
// The first mode, which the kernel sorts first because it is the preferred one.
std::optional<DrmModeName> drmFirstMode(const MachineRoot &root, const DrmConnector &connector);
// The monitor's EDID as the kernel read it; absent when there is none.
std::optional<QByteArray> drmEdid(const MachineRoot &root, const DrmConnector &connector);
// The bits per pixel of the console framebuffer on this card's device, where one is.
std::optional<int> framebufferDepth(const MachineRoot &root, const SysfsDevice &device);

std::optional<DrmModeName> parseDrmModeName(const QString &text);

} // namespace inventory::linuxsource
