#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>
#include <vector>

namespace inventory::linuxsource {

class MachineRoot;

// One input device as the kernel describes it: names, ids and the bitmaps
// of the events it can send ("EV", "KEY", "REL", "ABS", "PROP", ...), in
// the kernel's text form (hexadecimal words, most significant first).
struct InputDevice
{
    QString name;
    QString phys;
    QString sysfsPath; // "sys/devices/.../input/input3", relative to the root
    quint16 bus = 0;
    quint16 vendor = 0;
    quint16 product = 0;
    QHash<QString, QString> bitmaps;

    bool hasBit(const QString &bitmap, int bit) const;
};

// /proc/bus/input/devices: records of "I:", "N:", "P:", "S:", "B:" lines
// separated by blank lines.
std::vector<InputDevice> parseInputDevices(const QByteArray &text);

// The machine's input devices: /proc/bus/input/devices, or sys/class/input
// where a tree has no /proc.
std::vector<InputDevice> readInputDevices(const MachineRoot &root);

// A real keyboard: it has the keys Esc, 1-0, Q-P, A-D at least (what udev
// calls a keyboard); power buttons, lid switches, hot keys and the jack
// sensors of sound cards are not.
bool isKeyboard(const InputDevice &device);

// WMI PointingType of a mouse, track ball, pointing stick, touch pad, touch
// screen or pen; nothing for devices that do not point (joysticks too).
std::optional<int> pointingType(const InputDevice &device);

// Bus numbers of the input layer (linux/input.h).
enum InputBus : quint16 {
    BusPci = 0x01,
    BusUsb = 0x03,
    BusBluetooth = 0x05,
    BusRs232 = 0x13,
    BusI8042 = 0x11,
    BusI2c = 0x18,
    BusHost = 0x19,
};

} // namespace inventory::linuxsource
