#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace inventory::linuxsource {

class MachineRoot;
class PropertyBag;
class SysfsDevice;

// What the driver situation means in Device Manager's words.
enum class DriverState {
    Working,  // a driver runs it, or it needs none
    NoDriver, // problem code 28
    Disabled, // problem code 22: switched off by the user or the firmware
};

// A device needs a driver of its own unless the kernel's core looks after it.
DriverState driverState(bool needsDriver, const QString &driver, bool disabled = false);

// Status, ConfigManagerErrorCode and ConfigManagerUserConfig for a state.
void addDriverStatus(PropertyBag &bag, DriverState state);

// Availability (3 running, 15 power save - standby) from runtime power
// management; absent where the kernel does not manage the device's power.
std::optional<qint64> availability(const SysfsDevice &device, DriverState state);

// The setup class GUID Windows files a PNPClass under ("System", "USB" ...).
std::optional<QString> classGuid(const QString &pnpClass);

// What Device Manager knows of one device beyond its name.
struct PnpDetails
{
    QString deviceId;
    std::optional<QString> manufacturer;
    QString service;  // the driver
    QString pnpClass; // setup class name, empty when Windows would have none
    QStringList hardwareIds;
    QStringList compatibleIds;
    DriverState state = DriverState::Working;
};

// A device on a bus whose driver runs it: instance "<hardware id>\<name>",
// the driver as service, problem 28 without one.
PnpDetails drivenDeviceDetails(const SysfsDevice &device, const QString &hardwareId, const QString &pnpClass);

// Caption, Description and Name (the same friendly text, as WMI has them),
// DeviceID, and PNPDeviceID where the device has one.
void addDeviceNames(PropertyBag &bag, const QString &caption, const QString &deviceId, bool plugAndPlay = true);

// One Plug-and-Play device: its caption, known when the class is
// enumerated, and the rest, read when somebody asks.
struct PnpDevice
{
    QString caption;
    std::function<PnpDetails()> details;
};

// The sources of Win32_PnPEntity, one per kind of device; each file of this
// folder that knows a kind defines its function.
std::vector<PnpDevice> acpiPnpDevices(const MachineRoot &root);
std::vector<PnpDevice> legacyPnpDevices(const MachineRoot &root);
std::vector<PnpDevice> pciPnpDevices(const MachineRoot &root);
std::vector<PnpDevice> usbPnpDevices(const MachineRoot &root);
std::vector<PnpDevice> hidPnpDevices(const MachineRoot &root);
std::vector<PnpDevice> serioPnpDevices(const MachineRoot &root);
std::vector<PnpDevice> scsiPnpDevices(const MachineRoot &root);
std::vector<PnpDevice> virtioPnpDevices(const MachineRoot &root);
std::vector<PnpDevice> platformPnpDevices(const MachineRoot &root);
std::vector<PnpDevice> inputPnpDevices(const MachineRoot &root);
std::vector<PnpDevice> soundPnpDevices(const MachineRoot &root);
std::vector<PnpDevice> netPnpDevices(const MachineRoot &root);
std::vector<PnpDevice> blockPnpDevices(const MachineRoot &root);
std::vector<PnpDevice> processorPnpDevices(const MachineRoot &root);

// The device a sysfs link names ("sys/class/input/input3"), or the entry
// itself where a capture holds a directory. sysfs links are relative paths
// without links inside them, so reading the link once is enough; one that
// leads nowhere, loops or leaves the root gives no device.
SysfsDevice linkedDevice(const MachineRoot &root, const QString &link);

// The devices behind "sys/bus/<bus>/devices" in natural order, those whose
// names the filter turns down left out before anything else is read.
std::vector<SysfsDevice> busDevices(const MachineRoot &root, const QString &bus,
                                    const std::function<bool(const QString &)> &wanted = {});

// "046d" style four-digit hex for fallback names.
QString hex4(quint64 value);
// Zero-padded upper-case hex, as Windows writes ids ("046D").
QString upperHex(quint64 value, int width);

} // namespace inventory::linuxsource
