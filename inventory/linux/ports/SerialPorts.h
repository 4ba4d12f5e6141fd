#pragma once

#include "inventory/linux/reading/SysfsDevice.h"

#include <QString>

#include <optional>
#include <vector>

namespace inventory::linuxsource {

class MachineRoot;

// A serial port that exists: a UART the serial driver found (ttyS, ttyAMA
// ... with a real UART type), a USB serial adapter (ttyUSB) or a USB modem
// or serial function (ttyACM). Found from sysfs alone; the port's device
// node is never opened.
struct SerialPortInfo
{
    QString name;         // ttyS0
    SysfsDevice port;     // sys/devices/.../tty/ttyS0
    SysfsDevice hardware; // the device the port belongs to
};

std::vector<SerialPortInfo> serialPorts(const MachineRoot &root);

// "Communications Port (ttyS0)" for a UART, "<product> (ttyUSB0)" for a
// USB port, as Windows names COM ports.
QString serialPortCaption(const SerialPortInfo &port);

// A modem: a USB function that speaks AT commands (CDC ACM with an AT
// protocol) that udev's modem rules do not rule out, or a PCI modem.
bool isModemPort(const SerialPortInfo &port);

// Line settings of a serial console from the kernel command line
// ("console=ttyS0,115200n8r"); an 8250 port (ttyS) named without options
// runs at the driver's default of 9600 baud, 8 bits, no parity.
struct LineSettings
{
    qint64 baudRate = 9600;
    qint64 dataBits = 8;
    QChar parity = QLatin1Char('n');
    bool rtsCts = false;
};
std::optional<LineSettings> consoleSettings(const QString &commandLine, const QString &port);

} // namespace inventory::linuxsource
