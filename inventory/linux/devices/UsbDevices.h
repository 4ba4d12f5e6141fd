#pragma once

#include "inventory/linux/devices/PnpDevice.h"
#include "inventory/linux/reading/SysfsDevice.h"

#include <QList>

#include <optional>
#include <vector>

namespace inventory::linuxsource {

// One interface of a device, as far as enumeration needs it.
struct UsbFunction
{
    quint8 classCode = 0;
    bool driven = false;
};

// One USB device ("usb1", "1-2.3") or one of its interfaces ("1-2.3:1.0").
struct UsbNode
{
    SysfsDevice node;
    bool isInterface = false;
    quint16 vendor = 0;  // the device's, for interfaces too
    quint16 product = 0;
    quint8 classCode = 0;   // the node's own: device class or interface class
    quint8 deviceClass = 0; // the device's class, for interfaces too
    // The device's interfaces (for an interface: its siblings and itself),
    // as far as the machine shows them.
    QList<UsbFunction> functions;
    int interfaceCount = 0;

    bool isRootHub() const;
    bool isHub() const { return classCode == HubClass; }
    // Several functions behind a device that leaves its class to its
    // interfaces: what Windows hands to its generic parent driver.
    bool isComposite() const;
    // The device itself; for an interface, the device it belongs to.
    SysfsDevice usbDevice() const { return isInterface ? node.parent() : node; }

    static constexpr quint8 HubClass = 0x09;
    static constexpr quint8 MiscellaneousClass = 0xef;
};

// Reads a node; an interface takes its device's ids from the device's node
// where the caller has read it already.
UsbNode readUsbNode(const SysfsDevice &device, const UsbNode *owner = nullptr);

// The node's subclass and protocol codes, read when asked for.
struct UsbSubclass
{
    quint8 subClass = 0;
    quint8 protocol = 0;
};
UsbSubclass readUsbSubclass(const UsbNode &node);

// Every USB device and interface, by bus and port: each device followed by
// its interfaces.
std::vector<UsbNode> usbNodes(const MachineRoot &root);

// Captions: "USB Root Hub", the product name from the ID database (or the
// device's own), an interface's own name or its device's with its class.
QString usbName(const UsbNode &node);
std::optional<QString> usbVendorName(const UsbNode &node);

// USB\VID_046D&PID_C52B&MI_00\1-2:1.0, USB\ROOT_HUB30\usb2.
QString usbDeviceId(const UsbNode &node);

// Windows files hubs, composite devices, storage, printers and driven
// vendor functions under its USB class, which Win32_USBHub lists.
bool filedUnderUsbClass(const UsbNode &node);

// bcdUSB of the device ("2.00" -> 0x0200).
std::optional<quint16> usbVersion(const UsbNode &node);

PnpDetails usbDetails(const UsbNode &node);

} // namespace inventory::linuxsource
